#pragma once

// Reading files safely, and the messages every file operation reports.

#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace brivane {

// The message for a failed file operation, from the platform's error number.
// `reading` tells a missing file (when reading) from a missing folder.
QString ioMessage(int errorNumber, const QString& path, bool reading);

// The largest file readWholeFile takes: far more than the settings of the
// largest bar with long texts, and little enough to hold in memory. Anything
// larger is refused before a byte is read.
inline constexpr qint64 kMaxWholeFileSize = qint64(256) * 1024 * 1024;

// Whether the file system can take the path at all. A NUL cannot stand in a
// file name: the system calls would end the path there and reach another file.
bool isStorablePath(const QString& path);
// Throws "I/O error 22" for a path that isStorablePath refuses. Every path the
// program writes, reads or copies goes through this before any file is touched.
void checkStorablePath(const QString& path);

// An existing regular file open for reading. Opening never blocks: a pipe or a
// device (which could wait for a writer or give bytes without end) is refused
// with "File access denied", as a folder is. Every step throws IoError.
class InputFile {
public:
    explicit InputFile(const QString& path);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    qint64 size() const { return size_; } // when opened
    // Up to `size` bytes; 0 at the end of the file.
    qsizetype read(char* data, qsizetype size);
    void close();

private:
    QString path_;
    int fd_ = -1;
    qint64 size_ = 0;
};

// Reads the whole file; throws IoError ("File not found", ...). Only regular
// files are read, up to kMaxWholeFileSize; a larger one fails with "I/O error 27"
// (the platform's number for a file too large) before anything is read.
QByteArray readWholeFile(const QString& path);

} // namespace brivane
