#include "model/file_io.h"

#include "model/errors.h"
#include "model/file_io_detail.h"
#include "model/file_names.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brivane {

namespace file_io_detail {

// The folder part of a path: everything before the last '/', "/" for a file in
// the root, "." for a bare name.
QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    if (slash == 0)
        return QByteArrayLiteral("/");
    return path.left(slash);
}

bool isFolder(const QByteArray& path) {
    struct stat st;
    return ::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

[[noreturn]] void throwIo(int errorNumber, const QString& path, bool reading) {
    throw IoError(errorNumber, ioMessage(errorNumber, path, reading));
}

// Anything but a regular file is kept away from: a pipe waits for its other end,
// a device may give bytes without end. Access to it is denied, as to a folder.
[[noreturn]] void refuseNotAFile(const QString& path, bool reading) {
    throwIo(EACCES, path, reading);
}

// Empty paths and folder-only paths are refused before any file is touched: an
// empty path names no file at all ("Invalid filename", as a path that leads
// nowhere); a path ending in '/' names a folder, and writing over a folder is
// denied ("File access denied", what EISDIR gives).
void checkNamesAFile(const QString& path, bool reading) {
    checkStorablePath(path);
    if (path.isEmpty())
        throw IoError(ENOENT, QStringLiteral("Invalid filename"));
    if (path.endsWith(QLatin1Char('/'))) {
        const QByteArray folder = fileNameBytes(path);
        if (isFolder(folder))
            throwIo(EISDIR, path, reading);
        throw IoError(ENOENT, QStringLiteral("Invalid filename"));
    }
}

void closeQuietly(int fd) {
    if (fd >= 0)
        ::close(fd);
}

// Opens without ever waiting: O_NONBLOCK lets the open of a pipe return at once
// (the caller refuses it after the fstat). Gives -1 with errno set on failure.
int openWithoutBlocking(const QByteArray& name, int flags, struct stat& st) {
    int fd;
    do {
        fd = ::open(name.constData(), flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0 && ::fstat(fd, &st) != 0) {
        const int error = errno;
        closeQuietly(fd);
        errno = error;
        return -1;
    }
    return fd;
}

// The files that are kept are read and written as usual, waiting where need be.
void clearNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
}

} // namespace file_io_detail

using namespace file_io_detail;

QString ioMessage(int errorNumber, const QString& path, bool reading) {
    switch (errorNumber) {
    case ENOENT:
    case ENOTDIR: {
        // Linux gives ENOENT both for a missing file and for a missing folder, and
        // ENOTDIR when a part of the folder is a regular file: tell them apart by
        // looking at the folder itself.
        if (reading && isFolder(folderOf(fileNameBytes(path))))
            return QStringLiteral("File not found");
        return QStringLiteral("Invalid filename");
    }
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return QStringLiteral("File access denied");
    case EMFILE:
    case ENFILE:
        return QStringLiteral("Too many open files");
    default:
        return QStringLiteral("I/O error %1").arg(errorNumber);
    }
}

bool isStorablePath(const QString& path) {
    return !path.contains(QChar(u'\0'));
}

void checkStorablePath(const QString& path) {
    // The system has no error number of its own for such a name, since no system
    // call can even be given one; EINVAL, an invalid argument, is the one it uses
    // for a request that is malformed in itself.
    if (!isStorablePath(path))
        throwIo(EINVAL, path, false);
}

InputFile::InputFile(const QString& path) : path_(path) {
    checkNamesAFile(path, true);
    const QByteArray name = fileNameBytes(path);
    // Look before opening: opening a device can have effects of its own.
    struct stat st;
    if (::stat(name.constData(), &st) != 0)
        throwIo(errno, path, true);
    if (S_ISDIR(st.st_mode))
        throwIo(EISDIR, path, true);
    if (!S_ISREG(st.st_mode))
        refuseNotAFile(path, true);
    // The file may have been swapped for another meanwhile: check what was opened.
    fd_ = openWithoutBlocking(name, O_RDONLY, st);
    if (fd_ < 0)
        throwIo(errno, path, true);
    if (!S_ISREG(st.st_mode)) {
        closeQuietly(fd_);
        fd_ = -1;
        if (S_ISDIR(st.st_mode))
            throwIo(EISDIR, path, true);
        refuseNotAFile(path, true);
    }
    clearNonBlocking(fd_);
    size_ = qint64(st.st_size);
}

InputFile::~InputFile() {
    closeQuietly(fd_);
}

qsizetype InputFile::read(char* data, qsizetype size) {
    if (fd_ < 0)
        throwIo(EBADF, path_, true);
    for (;;) {
        const ssize_t got = ::read(fd_, data, size_t(size));
        if (got >= 0)
            return qsizetype(got);
        if (errno != EINTR)
            throwIo(errno, path_, true);
    }
}

void InputFile::close() {
    const int fd = fd_;
    fd_ = -1;
    if (fd >= 0 && ::close(fd) != 0 && errno != EINTR)
        throwIo(errno, path_, true);
}

QByteArray readWholeFile(const QString& path) {
    InputFile file(path);
    if (file.size() > kMaxWholeFileSize)
        throwIo(EFBIG, path, true);

    // The size is known; read one byte more to see the end at once. Files that tell
    // no size (/proc) are read in growing blocks, and one that outgrows the bound
    // while being read is refused as a large one is.
    QByteArray bytes;
    bytes.resize(qMax<qint64>(file.size() + 1, 4096));
    qsizetype used = 0;
    for (;;) {
        if (used == bytes.size()) {
            if (used > kMaxWholeFileSize)
                throwIo(EFBIG, path, true);
            bytes.resize(qMin<qint64>(qint64(used) * 2, kMaxWholeFileSize + 1));
        }
        const qsizetype got = file.read(bytes.data() + used, bytes.size() - used);
        if (got == 0)
            break;
        used += got;
    }
    bytes.truncate(used);
    file.close();
    return bytes;
}

} // namespace brivane
