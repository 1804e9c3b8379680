#include "convert/site_files.h"

#include "model/atomic_file_writer.h"
#include "model/errors.h"
#include "model/file_io.h"
#include "model/file_names.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brivane {

namespace {

constexpr qsizetype kCopySlice = 64 * 1024;

QByteArray joined(const QByteArray& folder, const QByteArray& name) {
    if (folder.isEmpty())
        return name;
    return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

[[noreturn]] void throwIo(int error, const QByteArray& path) {
    throw IoError(error, ioMessage(error, fileNameFromBytes(path), true));
}

// The names in one folder, in byte order, "." and ".." left out.
std::vector<QByteArray> namesIn(DIR* dir) {
    std::vector<QByteArray> names;
    while (const dirent* entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name != "." && name != "..")
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

void walkFolder(const QByteArray& source, const QByteArray& relative, int fd,
                std::vector<SiteEntry>& entries) {
    DIR* dir = ::fdopendir(fd);
    if (!dir) {
        const int error = errno;
        ::close(fd);
        entries.push_back({SiteEntry::Kind::Unreadable, source, relative, {}, error});
        return;
    }
    const std::vector<QByteArray> names = namesIn(dir);
    const int dirFd = ::dirfd(dir);
    for (const QByteArray& name : names) {
        SiteEntry entry;
        entry.source = joined(source, name);
        entry.relative = joined(relative, name);
        struct stat st;
        if (::fstatat(dirFd, name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
            entry.error = errno;
            entries.push_back(entry);
            continue;
        }
        if (S_ISLNK(st.st_mode)) {
            struct stat target;
            if (::fstatat(dirFd, name.constData(), &target, 0) == 0) {
                if (S_ISDIR(target.st_mode))
                    continue; // not followed
                st = target;
            }
        } else if (S_ISDIR(st.st_mode)) {
            entry.kind = SiteEntry::Kind::Folder;
            entries.push_back(entry);
            const int sub =
                ::openat(dirFd, name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub < 0)
                entries.push_back(
                    {SiteEntry::Kind::Unreadable, entry.source, entry.relative, {}, errno});
            else
                walkFolder(entry.source, entry.relative, sub, entries);
            continue;
        }
        entry.modified = st.st_mtim;
        entries.push_back(entry);
    }
    ::closedir(dir);
}

} // namespace

std::vector<SiteEntry> walkSite(const QByteArray& folder) {
    std::vector<SiteEntry> entries;
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        entries.push_back({SiteEntry::Kind::Unreadable, folder, QByteArray(), {}, errno});
    else
        walkFolder(folder, QByteArray(), fd, entries);
    return entries;
}

bool isPageName(const QByteArray& name) {
    const QByteArray lower = name.toLower();
    for (const char* suffix : {".htm", ".html", ".shtml", ".xhtml"}) {
        if (lower.endsWith(suffix))
            return true;
    }
    return false;
}

void makeFolder(const QByteArray& path) {
    if (::mkdir(path.constData(), 0777) == 0)
        return;
    const int error = errno;
    struct stat st;
    if (error == EEXIST && ::lstat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode))
        return;
    throwIo(error, path);
}

void makeFolders(const QByteArray& path) {
    for (qsizetype slash = path.indexOf('/', 1); slash > 0; slash = path.indexOf('/', slash + 1)) {
        const QByteArray above = path.left(slash);
        struct stat st;
        if (::stat(above.constData(), &st) != 0 && ::mkdir(above.constData(), 0777) != 0 &&
            errno != EEXIST)
            throwIo(errno, above);
    }
    struct stat st;
    if (::stat(path.constData(), &st) == 0 && S_ISDIR(st.st_mode))
        return;
    if (::mkdir(path.constData(), 0777) != 0)
        throwIo(errno, path);
}

QByteArray plannedRealPath(const QByteArray& path) {
    QByteArray existing = path.isEmpty() ? QByteArray(".") : path;
    QList<QByteArray> rest;
    char resolved[PATH_MAX];
    while (!::realpath(existing.constData(), resolved)) {
        const qsizetype slash = existing.lastIndexOf('/');
        rest.prepend(existing.mid(slash + 1));
        existing = slash < 0    ? QByteArray(".")
                   : slash == 0 ? QByteArray("/")
                                : existing.left(slash);
    }
    QList<QByteArray> parts = QByteArray(resolved).split('/');
    for (const QByteArray& part : rest) {
        if (part.isEmpty() || part == ".")
            continue;
        if (part == "..") {
            if (parts.size() > 1)
                parts.removeLast();
        } else {
            parts << part;
        }
    }
    const QByteArray real = parts.join('/');
    return real.isEmpty() ? QByteArray("/") : real;
}

namespace {

void keepModificationTime(const QString& target, const timespec& modified) {
    const timespec times[2] = {{0, UTIME_OMIT}, modified};
    // Not through a link: the name was made just now, by this program.
    if (::utimensat(AT_FDCWD, fileNameBytes(target).constData(), times, AT_SYMLINK_NOFOLLOW) != 0)
        throw IoError(errno, ioMessage(errno, target, false));
}

} // namespace

void writeNewCopy(const QString& target, const QByteArray& bytes, const timespec& modified) {
    writeNewFileAtomically(target, bytes);
    keepModificationTime(target, modified);
}

void copyToNewFile(const QString& source, const QString& target, const timespec& modified) {
    InputFile input(source);
    AtomicFileWriter output(target, AtomicFileWriter::Existing::Keep);
    QByteArray slice(kCopySlice, Qt::Uninitialized);
    while (const qsizetype got = input.read(slice.data(), slice.size()))
        output.write(slice.constData(), got);
    input.close();
    output.commit();
    keepModificationTime(target, modified);
}

} // namespace brivane
