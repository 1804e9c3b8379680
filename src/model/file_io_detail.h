#pragma once

// The system-call steps that reading a file and the atomic writer share. Only
// file_io.cpp and atomic_file_writer.cpp use them.

#include <QByteArray>
#include <QString>

#include <sys/stat.h>

namespace brivane::file_io_detail {

// The folder part of a path: everything before the last '/', "/" for a file in
// the root, "." for a bare name.
QByteArray folderOf(const QByteArray& path);
bool isFolder(const QByteArray& path);
[[noreturn]] void throwIo(int errorNumber, const QString& path, bool reading);
// A pipe, a device or a socket: access is denied, as to a folder.
[[noreturn]] void refuseNotAFile(const QString& path, bool reading);
// Refuses an empty path, a path holding NUL and a path ending in '/'.
void checkNamesAFile(const QString& path, bool reading);
void closeQuietly(int fd);
// Opens without ever waiting on a pipe; -1 with errno set on failure.
int openWithoutBlocking(const QByteArray& name, int flags, struct stat& st);
void clearNonBlocking(int fd);

} // namespace brivane::file_io_detail
