#pragma once

#include <QByteArray>
#include <QString>

namespace brivane {

// The message for a failed file operation, from the platform's error number.
// `reading` tells a missing file (when reading) from a missing folder.
QString ioMessage(int errorNumber, const QString& path, bool reading);

// Writes a file so that a failure never destroys the file it was replacing:
// the bytes go to a temporary file in the same folder, which is renamed over
// the target on commit(). An existing target that is not a regular file (a
// device such as /dev/full, a pipe) is written directly instead, since it cannot
// be replaced by a rename. Every step is checked and throws IoError; if the
// writer is destroyed without a successful commit the temporary file is removed.
// An empty path fails with "Invalid filename", a path ending in '/' (a folder) with
// "File access denied"; a symbolic link is followed. Paths have no length limit.
class AtomicFileWriter {
public:
    explicit AtomicFileWriter(const QString& path); // creates the temporary file
    ~AtomicFileWriter();
    AtomicFileWriter(const AtomicFileWriter&) = delete;
    AtomicFileWriter& operator=(const AtomicFileWriter&) = delete;

    void write(const QByteArray& bytes);
    void write(const char* data, qsizetype size);
    void commit();

private:
    void discard(); // closes and removes the temporary file

    QString path_;
    QByteArray target_; // the file the rename replaces (a symbolic link resolved)
    QByteArray tempPath_;
    int fd_ = -1;
    bool committed_ = false;
};

// Writes the whole file at once through an AtomicFileWriter.
void writeFileAtomically(const QString& path, const QByteArray& bytes);

// Reads the whole file; throws IoError ("File not found", ...).
QByteArray readWholeFile(const QString& path);

} // namespace brivane
