#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <sys/types.h>

namespace brivane {

// Writes a file so that a failure never destroys the file it was replacing:
// the bytes go to a temporary file in the same folder, which replaces the target
// on commit(). Where the file system has unnamed temporary files, the temporary
// file has no name until commit(), so a process that dies while writing leaves
// nothing behind. The replacement keeps the old file's mode, owner and group.
//
// Some files are written in place instead: one with other hard links (a rename
// would part it from them), one whose owner or group the process may not give to
// a new file (another user's file in a folder the process may write), and an
// existing writable file in a folder that takes no new file. The new bytes are then held until
// commit(), the file's space is reserved first, and a failure part way puts the old bytes back
// where it can. An existing character device (/dev/full, /dev/null) is written directly, since
// renaming over it would remove the device node; a pipe, a socket or a block
// device is refused ("File access denied"): opening a pipe would wait for a reader.
//
// Freeing the file that a rename replaces is the costliest step of a replace;
// for a file of a megabyte or more it happens on a pool thread after commit()
// has returned (QThreadPool::globalInstance()).
//
// Every step is checked and throws IoError; if the writer is destroyed without a
// successful commit the temporary file is removed. An empty path fails with
// "Invalid filename", a path ending in '/' (a folder) with "File access denied",
// a path holding a NUL with "I/O error 22". A symbolic link is followed, also one
// whose file does not exist yet, except one that another user planted in a shared
// sticky folder such as /tmp ("File access denied"). Paths have no length limit.
class AtomicFileWriter {
public:
    // What happens to a file that already has the name.
    enum class Existing { Replace, Keep };

    // Creates the temporary file. With Existing::Keep a name that is already taken
    // (a dangling symbolic link included) fails at once with EEXIST, and commit()
    // gives the file its name only if nothing has taken it meanwhile; such a
    // writer never writes in place and never follows a link.
    explicit AtomicFileWriter(const QString& path, Existing existing = Existing::Replace);
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void write(const QByteArray& bytes);
    void write(const char* data, qsizetype size);
    void commit();

private:
    enum class Mode { UnnamedTemporary, NamedTemporary, InPlace, Device };

    void openForNewName();
    void openForReplacing();
    QByteArray checkedFolder() const; // the target's folder, checked to take the name
    bool openTemporary(const QByteArray& folder);
    bool openUnnamedTemporary(const QByteArray& folder);
    bool openNamedTemporary(const QByteArray& folder);
    void openExisting(Mode mode); // in place or a device
    void setModeOrDiscard(mode_t mode);
    void commitInPlace();
    void linkUnnamedTemporary(); // gives the unnamed file a fresh temporary name
    void discard();              // closes and removes the temporary file
    void commitKeepingExisting();

    QString path_;
    QByteArray target_; // the file the rename replaces (symbolic links resolved)
    QByteArray tempPath_;
    QByteArray pending_; // in place: the new bytes, written on commit()
    Mode mode_ = Mode::NamedTemporary;
    Existing existing_ = Existing::Replace;
    int fd_ = -1;
    bool committed_ = false;
};

// Writes the whole file at once through an AtomicFileWriter.
void writeFileAtomically(const QString& path, const QByteArray& bytes);
// The same for a file that must not exist yet: an existing one is never replaced
// (IoError with code EEXIST).
void writeNewFileAtomically(const QString& path, const QByteArray& bytes);

} // namespace brivane
