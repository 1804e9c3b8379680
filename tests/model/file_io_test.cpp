#include "model/atomic_file_writer.h"
#include "model/errors.h"
#include "model/file_io.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QtTest>

#include "bounded_child.h"
#include "file_size_limit.h"
#include "test_files.h"

#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

using namespace brivane;
using namespace brivane::test;

namespace {

// The message of the IoError that `action` throws, or "<none>".
template <typename F> QString ioFailure(F action) {
    try {
        action();
    } catch (const IoError& e) {
        return e.message();
    }
    return QStringLiteral("<none>");
}

// The same, as text that a child process can hand back.
template <typename F> QByteArray failureOf(F action) {
    return ioFailure(action).toUtf8();
}

struct stat statOf(const QString& path) {
    struct stat st {};
    ::stat(QFile::encodeName(path).constData(), &st);
    return st;
}

QStringList entries(const QString& folder) {
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class FileIoTest : public QObject {
    Q_OBJECT

private slots:
    void writesAndReplacesAtomically();
    void keepsModesAndFollowsLinks();
    void namesEveryMissingPathCorrectly();
    void deniesFoldersAndEmptyPaths();
    void reportsTooManyOpenFiles();
    void reportsRealWriteFailures();
    void readsWholeFiles();
    void mapsErrorNumbers();
    void refusesPathsHoldingNul();
    void neverWaitsOnPipesOrReadsWithoutEnd();
    void deadWriterLeavesNothing();
    void keepsHardLinksAndFollowsDanglingLinks();
    void keepsOwnersAndWritesInPlaceWhereNoFileMayBeMade();
    void newFileNeverLandsOnWhatAppearsMeanwhile();
    void followsNoPlantedLinkInSharedFolders();
    void keepsAnotherUsersOwnerByWritingInPlace();

private:
    QTemporaryDir dir_;
    QString at(const QString& name) const { return dir_.path() + QLatin1Char('/') + name; }
};

void FileIoTest::writesAndReplacesAtomically() {
    const QString path = at(QStringLiteral("a.txt"));
    writeFileAtomically(path, "first\r\n");
    QCOMPARE(readFile(path), QByteArray("first\r\n"));
    writeFileAtomically(path, "second");
    QCOMPARE(readFile(path), QByteArray("second"));

    // A writer dropped without commit leaves the old file and no temporary file.
    {
        AtomicFileWriter writer(path);
        writer.write("never committed");
    }
    QCOMPARE(readFile(path), QByteArray("second"));
    QCOMPARE(entries(dir_.path()), QStringList{"a.txt"});

    // Several writes add up; an empty file is a file.
    {
        AtomicFileWriter writer(path);
        writer.write("one ");
        writer.write("two", 3);
        writer.commit();
        QVERIFY_THROWS_EXCEPTION(IoError, writer.write("after commit"));
    }
    QCOMPARE(readFile(path), QByteArray("one two"));

    // A replaced file of megabytes is freed after commit() on another thread: the
    // new one has the name at once, and once that thread is done nothing of the
    // process holds the old one.
    const QByteArray large(2 * 1024 * 1024, 'o');
    writeFileAtomically(path, large);
    struct stat replaced;
    QCOMPARE(::stat(QFile::encodeName(path).constData(), &replaced), 0);
    writeFileAtomically(path, "small");
    QCOMPARE(readFile(path), QByteArray("small"));
    QThreadPool::globalInstance()->waitForDone();
    for (const QString& fd :
         QDir(QStringLiteral("/proc/self/fd"))
             .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)) {
        struct stat held;
        if (::fstat(fd.toInt(), &held) == 0)
            QVERIFY(held.st_ino != replaced.st_ino || held.st_dev != replaced.st_dev);
    }
    writeFileAtomically(at(QStringLiteral("empty")), QByteArray());
    QCOMPARE(readFile(at(QStringLiteral("empty"))), QByteArray());

    // Paths have no length limit of their own: a deep folder path well over 260 bytes.
    QString deep = dir_.path();
    for (int i = 0; i < 20; ++i)
        deep += QStringLiteral("/folder-with-a-long-name-%1").arg(i);
    QVERIFY(QDir().mkpath(deep));
    QVERIFY(deep.size() > 500);
    writeFileAtomically(deep + QStringLiteral("/deep.html"), "deep");
    QCOMPARE(readWholeFile(deep + QStringLiteral("/deep.html")), QByteArray("deep"));
    // A name longer than the file system allows fails before anything is created.
    QCOMPARE(ioFailure([&] { writeFileAtomically(at(QString(300, QLatin1Char('n'))), "x"); }),
             QStringLiteral("I/O error %1").arg(ENAMETOOLONG));
    QCOMPARE(entries(dir_.path()).contains(QStringLiteral("a.txt")), true);
    for (const QString& name : entries(dir_.path()))
        QVERIFY2(!name.startsWith(QLatin1Char('.')), qPrintable(name));
}

void FileIoTest::keepsModesAndFollowsLinks() {
    const mode_t oldMask = ::umask(022);
    const QString fresh = at(QStringLiteral("fresh.txt"));
    writeFileAtomically(fresh, "x");
    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(fresh).constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 07777), 0644);

    QCOMPARE(::chmod(QFile::encodeName(fresh).constData(), 0640), 0);
    writeFileAtomically(fresh, "y");
    QCOMPARE(::stat(QFile::encodeName(fresh).constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 07777), 0640);
    ::umask(oldMask);

    // Saving through a symbolic link replaces the file it points to.
    const QString link = at(QStringLiteral("link.txt"));
    QVERIFY(QFile::link(fresh, link));
    writeFileAtomically(link, "through the link");
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readFile(fresh), QByteArray("through the link"));
}

void FileIoTest::namesEveryMissingPathCorrectly() {
    // A folder that does not exist.
    const QString missingFolder = at(QStringLiteral("no-such-folder/file.txt"));
    QCOMPARE(ioFailure([&] { writeFileAtomically(missingFolder, "x"); }),
             QStringLiteral("Invalid filename"));
    QCOMPARE(ioFailure([&] { readWholeFile(missingFolder); }), QStringLiteral("Invalid filename"));
    // A folder part that is a regular file.
    const QString plain = at(QStringLiteral("plain.txt"));
    writeFileAtomically(plain, "x");
    QCOMPARE(ioFailure([&] { writeFileAtomically(plain + QStringLiteral("/under.txt"), "x"); }),
             QStringLiteral("Invalid filename"));
    QCOMPARE(ioFailure([&] { readWholeFile(plain + QStringLiteral("/under.txt")); }),
             QStringLiteral("Invalid filename"));
    // A missing file in a folder that exists, when reading.
    QCOMPARE(ioFailure([&] { readWholeFile(at(QStringLiteral("gone.txt"))); }),
             QStringLiteral("File not found"));
    QCOMPARE(readFile(plain), QByteArray("x"));
}

void FileIoTest::deniesFoldersAndEmptyPaths() {
    QVERIFY(QDir(dir_.path()).mkdir(QStringLiteral("sub")));
    const QString folder = at(QStringLiteral("sub"));
    QCOMPARE(ioFailure([&] { writeFileAtomically(folder, "x"); }),
             QStringLiteral("File access denied"));
    QCOMPARE(ioFailure([&] { writeFileAtomically(folder + QLatin1Char('/'), "x"); }),
             QStringLiteral("File access denied"));
    QCOMPARE(ioFailure([&] { readWholeFile(folder); }), QStringLiteral("File access denied"));
    QCOMPARE(ioFailure([&] { readWholeFile(folder + QLatin1Char('/')); }),
             QStringLiteral("File access denied"));
    QCOMPARE(ioFailure([&] { writeFileAtomically(at(QStringLiteral("nope/")), "x"); }),
             QStringLiteral("Invalid filename"));
    QCOMPARE(ioFailure([] { writeFileAtomically(QString(), "x"); }),
             QStringLiteral("Invalid filename"));
    QCOMPARE(ioFailure([] { readWholeFile(QString()); }), QStringLiteral("Invalid filename"));
    QVERIFY(entries(folder).isEmpty());
}

void FileIoTest::reportsTooManyOpenFiles() {
    const QString path = at(QStringLiteral("limit.txt"));
    writeFileAtomically(path, "x");
    struct rlimit old;
    QCOMPARE(getrlimit(RLIMIT_NOFILE, &old), 0);
    // Use up every descriptor under a small limit.
    struct rlimit small = old;
    small.rlim_cur = 64;
    QCOMPARE(setrlimit(RLIMIT_NOFILE, &small), 0);
    std::vector<int> held;
    for (;;) {
        const int fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            break;
        held.push_back(fd);
    }
    const QString reading = ioFailure([&] { readWholeFile(path); });
    const QString writing = ioFailure([&] { writeFileAtomically(path, "y"); });
    for (int fd : held)
        ::close(fd);
    setrlimit(RLIMIT_NOFILE, &old);
    QCOMPARE(reading, QStringLiteral("Too many open files"));
    QCOMPARE(writing, QStringLiteral("Too many open files"));
    QCOMPARE(readFile(path), QByteArray("x"));
    QCOMPARE(entries(dir_.path()).filter(QStringLiteral(".brivane")), QStringList());
}

void FileIoTest::reportsRealWriteFailures() {
    // A full device: /dev/full takes nothing, and is written directly, never replaced.
    if (QFileInfo::exists(QStringLiteral("/dev/full"))) {
        QCOMPARE(ioFailure([] { writeFileAtomically(QStringLiteral("/dev/full"), "x"); }),
                 QStringLiteral("I/O error %1").arg(ENOSPC));
        struct stat st;
        QCOMPARE(::stat("/dev/full", &st), 0);
        QVERIFY(S_ISCHR(st.st_mode));
    }

    // A file size limit: the write meets EFBIG part way, after the temporary file
    // was created and partly written.
    const QString path = at(QStringLiteral("big.txt"));
    writeFileAtomically(path, "previous");
    QString message;
    {
        FileSizeLimit limit(4096);
        QVERIFY(limit.active());
        message = ioFailure([&] { writeFileAtomically(path, QByteArray(100000, 'b')); });
    }
    QCOMPARE(message, QStringLiteral("I/O error %1").arg(EFBIG));
    QCOMPARE(readFile(path), QByteArray("previous"));
    QCOMPARE(entries(dir_.path()).filter(QStringLiteral(".brivane")), QStringList());
}

void FileIoTest::readsWholeFiles() {
    const QString path = at(QStringLiteral("bytes.bin"));
    QByteArray bytes(300000, Qt::Uninitialized);
    for (int i = 0; i < bytes.size(); ++i)
        bytes[i] = char(i * 7);
    writeFileAtomically(path, bytes);
    QCOMPARE(readWholeFile(path), bytes);
    // Files whose size is not known beforehand are read to their end as well.
    if (QFileInfo::exists(QStringLiteral("/proc/self/status")))
        QVERIFY(readWholeFile(QStringLiteral("/proc/self/status")).contains("Name:"));
}

void FileIoTest::mapsErrorNumbers() {
    const QString missing = at(QStringLiteral("x/y"));
    QCOMPARE(ioMessage(ENOENT, missing, true), QStringLiteral("Invalid filename"));
    QCOMPARE(ioMessage(ENOENT, at(QStringLiteral("y")), true), QStringLiteral("File not found"));
    QCOMPARE(ioMessage(ENOENT, at(QStringLiteral("y")), false), QStringLiteral("Invalid filename"));
    for (int e : {EACCES, EPERM, EROFS, EISDIR})
        QCOMPARE(ioMessage(e, missing, false), QStringLiteral("File access denied"));
    for (int e : {EMFILE, ENFILE})
        QCOMPARE(ioMessage(e, missing, true), QStringLiteral("Too many open files"));
    QCOMPARE(ioMessage(ENOSPC, missing, false), QStringLiteral("I/O error 28"));
    QCOMPARE(ioMessage(EPIPE, missing, false), QStringLiteral("I/O error 32"));
    IoError error(EIO, ioMessage(EIO, missing, false));
    QCOMPARE(error.code(), EIO);
    QCOMPARE(QString::fromUtf8(error.what()), QStringLiteral("I/O error 5"));
}

void FileIoTest::refusesPathsHoldingNul() {
    QTemporaryDir dir;
    const QString notes = dir.filePath(QStringLiteral("notes.txt"));
    writeFileAtomically(notes, "notes");
    // Cut at the NUL, the path would name notes.txt itself.
    const QString cut = notes + QChar(u'\0') + QStringLiteral("junk.html");
    const QString refused = QStringLiteral("I/O error 22");
    QCOMPARE(ioFailure([&] { writeFileAtomically(cut, "page"); }), refused);
    QCOMPARE(ioFailure([&] { readWholeFile(cut); }), refused);
    QCOMPARE(readFile(notes), QByteArray("notes"));
    QCOMPARE(entries(dir.path()), QStringList{"notes.txt"});
}

void FileIoTest::neverWaitsOnPipesOrReadsWithoutEnd() {
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("untitled.html"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    const QString zero = dir.filePath(QStringLiteral("zero.txt"));
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), zero));
    // A file one byte over the bound, all of it a hole: refused before it is read.
    const QString huge = dir.filePath(QStringLiteral("huge.txt"));
    {
        QFile file(huge);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(kMaxWholeFileSize + 1));
    }
    // Each runs in a child that its alarm ends, should it wait or read on.
    const QByteArray denied = "File access denied";
    QCOMPARE(runInChild([&] { return failureOf([&] { writeFileAtomically(fifo, "page"); }); }),
             denied);
    QCOMPARE(runInChild([&] { return failureOf([&] { readWholeFile(fifo); }); }), denied);
    QCOMPARE(runInChild([&] { return failureOf([&] { readWholeFile(zero); }); }), denied);
    QCOMPARE(runInChild([&] { return failureOf([&] { readWholeFile(huge); }); }),
             QByteArray("I/O error 27"));
    QVERIFY(S_ISFIFO(statOf(fifo).st_mode));
    // A character device stays writable.
    writeFileAtomically(QStringLiteral("/dev/null"), "x");
    QVERIFY(S_ISCHR(statOf(QStringLiteral("/dev/null")).st_mode));
}

void FileIoTest::deadWriterLeavesNothing() {
    QTemporaryDir dir;
    const int probe = ::open(QFile::encodeName(dir.path()).constData(), O_TMPFILE | O_WRONLY, 0600);
    if (probe < 0)
        QSKIP("This file system has no unnamed temporary files.");
    ::close(probe);
    // The program killed half way through writing a large page.
    const QString page = dir.filePath(QStringLiteral("untitled.html"));
    const QByteArray end = runInChild([&] {
        AtomicFileWriter writer(page);
        writer.write(QByteArray(14 << 20, 'p'));
        ::kill(::getpid(), SIGKILL);
        return QByteArray("not killed");
    });
    QCOMPARE(end, QByteArray("<killed by signal 9>"));
    QCOMPARE(entries(dir.path()), QStringList());
}

void FileIoTest::keepsHardLinksAndFollowsDanglingLinks() {
    QTemporaryDir dir;
    const QString page = dir.filePath(QStringLiteral("page.html"));
    const QString other = dir.filePath(QStringLiteral("other name.html"));
    writeFileAtomically(page, "old contents");
    QCOMPARE(::link(QFile::encodeName(page).constData(), QFile::encodeName(other).constData()), 0);
    const ino_t inode = statOf(page).st_ino;
    // Written in place: both names still show one file, shorter or longer.
    writeFileAtomically(page, "new");
    QCOMPARE(readFile(other), QByteArray("new"));
    writeFileAtomically(page, "newer and longer");
    QCOMPARE(readFile(other), QByteArray("newer and longer"));
    QCOMPARE(statOf(page).st_ino, inode);
    QCOMPARE(statOf(page).st_nlink, nlink_t(2));
    // A write that fails part way leaves the old bytes.
    QString message;
    {
        FileSizeLimit limit(4096);
        message = ioFailure([&] { writeFileAtomically(page, QByteArray(100000, 'x')); });
    }
    QCOMPARE(message, QStringLiteral("I/O error %1").arg(EFBIG));
    QCOMPARE(readFile(other), QByteArray("newer and longer"));
    QCOMPARE(entries(dir.path()), (QStringList{"other name.html", "page.html"}));

    // A link whose file does not exist yet: the file is made, the link stays.
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("pages")));
    const QString link = dir.filePath(QStringLiteral("link.html"));
    QVERIFY(QFile::link(QStringLiteral("pages/made.html"), link));
    writeFileAtomically(link, "through the link");
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(readFile(dir.filePath(QStringLiteral("pages/made.html"))),
             QByteArray("through the link"));
}

void FileIoTest::keepsOwnersAndWritesInPlaceWhereNoFileMayBeMade() {
    QTemporaryDir dir;
    const QString kept = dir.filePath(QStringLiteral("kept.html"));
    const QString fresh = dir.filePath(QStringLiteral("fresh.html"));
    writeFileAtomically(kept, "old");
    const QByteArray folder = QFile::encodeName(dir.path());
    if (::geteuid() != 0) {
        // A folder that may not be written, holding a file that may.
        QCOMPARE(::chmod(folder.constData(), 0555), 0);
        const QByteArray results = failureOf([&] { writeFileAtomically(kept, "new"); }) + " / " +
                                   failureOf([&] { writeFileAtomically(fresh, "x"); });
        ::chmod(folder.constData(), 0700);
        QCOMPARE(results, QByteArray("<none> / File access denied"));
        QCOMPARE(readFile(kept), QByteArray("new"));
        QSKIP("Owners can only be tested as root.");
    }
    // Root replaces a file of another user: it stays that user's.
    const uid_t nobody = 65534;
    QCOMPARE(::chown(QFile::encodeName(kept).constData(), nobody, nobody), 0);
    writeFileAtomically(kept, "by root");
    QCOMPARE(statOf(kept).st_uid, nobody);
    QCOMPARE(statOf(kept).st_gid, gid_t(nobody));
    QCOMPARE(readFile(kept), QByteArray("by root"));
    // That user may write the file but not the folder (root's): in place.
    QCOMPARE(::chmod(folder.constData(), 0755), 0);
    const QByteArray results = runInChild([&] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0)
            return QByteArray("<not dropped>");
        return failureOf([&] { writeFileAtomically(kept, "by its owner"); }) + " / " +
               failureOf([&] { writeFileAtomically(fresh, "x"); });
    });
    QCOMPARE(results, QByteArray("<none> / File access denied"));
    QCOMPARE(readFile(kept), QByteArray("by its owner"));
    QCOMPARE(entries(dir.path()), QStringList{"kept.html"});
}

void FileIoTest::newFileNeverLandsOnWhatAppearsMeanwhile() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("elsewhere")));
    const QString victim = dir.filePath(QStringLiteral("victim.html"));
    const QString planted = dir.filePath(QStringLiteral("elsewhere/planted.html"));
    const QString name = dir.filePath(QStringLiteral("new.html"));
    writeFile(victim, "victim");
    const QByteArray v = QFile::encodeName(victim);
    const QByteArray p = QFile::encodeName(planted);
    const QByteArray n = QFile::encodeName(name);
    // Another process keeps making the name a hard link of the victim, then a
    // symbolic link to a file that does not exist, and taking it away again.
    {
        LoopingChild other(
            [&] {
                if (::link(v.constData(), n.constData()) == 0)
                    ::unlink(n.constData());
                if (::symlink(p.constData(), n.constData()) == 0)
                    ::unlink(n.constData());
            },
            60);
        QVERIFY(other.running());
        // The window between two system calls is short: try for a few seconds.
        QElapsedTimer time;
        time.start();
        for (int run = 0; time.elapsed() < 5000; ++run) {
            try {
                writeNewFileAtomically(name, "new");
                QCOMPARE(::unlink(n.constData()), 0);
            } catch (const IoError& e) {
                QCOMPARE(e.code(), EEXIST);
            }
            QVERIFY2(readFile(victim) == "victim", qPrintable(QStringLiteral("run %1").arg(run)));
            QVERIFY2(!QFileInfo::exists(planted), qPrintable(QStringLiteral("run %1").arg(run)));
        }
    }
    ::unlink(n.constData());
    writeNewFileAtomically(name, "new");
    QCOMPARE(readFile(name), QByteArray("new"));
}

void FileIoTest::followsNoPlantedLinkInSharedFolders() {
    if (::geteuid() != 0)
        QSKIP("A link of another user can only be made as root.");
    QTemporaryDir dir;
    const QString shared = dir.filePath(QStringLiteral("shared"));
    const QString victim = dir.filePath(QStringLiteral("victim.html"));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("shared")));
    QCOMPARE(::chmod(QFile::encodeName(shared).constData(), 01777), 0);
    writeFile(victim, "victim");
    // In a folder like /tmp, a link that another user planted is not followed,
    // as the kernel would not follow it there; one of the writer's own is.
    const QString planted = shared + QStringLiteral("/page.html");
    const QString own = shared + QStringLiteral("/own.html");
    QVERIFY(QFile::link(victim, planted));
    QVERIFY(QFile::link(victim, own));
    QCOMPARE(::lchown(QFile::encodeName(planted).constData(), 65534, 65534), 0);
    QCOMPARE(ioFailure([&] { writeFileAtomically(planted, "page"); }),
             QStringLiteral("File access denied"));
    QCOMPARE(readFile(victim), QByteArray("victim"));
    QVERIFY(QFileInfo(planted).isSymLink());
    writeFileAtomically(own, "own");
    QCOMPARE(readFile(victim), QByteArray("own"));
    QVERIFY(QFileInfo(own).isSymLink());
}

void FileIoTest::keepsAnotherUsersOwnerByWritingInPlace() {
    if (::geteuid() != 0)
        QSKIP("Owners can only be tested as root.");
    // A folder of one user holding a file of root's that anyone may write.
    QTemporaryDir dir;
    const uid_t nobody = 65534;
    const QString page = dir.filePath(QStringLiteral("page.html"));
    writeFile(page, "root's");
    QCOMPARE(::chmod(QFile::encodeName(page).constData(), 0646), 0);
    QCOMPARE(::chown(QFile::encodeName(dir.path()).constData(), nobody, nobody), 0);
    const ino_t inode = statOf(page).st_ino;
    const QByteArray result = runInChild([&] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0)
            return QByteArray("<not dropped>");
        return failureOf([&] { writeFileAtomically(page, "replaced by nobody"); });
    });
    QCOMPARE(result, QByteArray("<none>"));
    QCOMPARE(readFile(page), QByteArray("replaced by nobody"));
    QCOMPARE(statOf(page).st_uid, uid_t(0));
    QCOMPARE(statOf(page).st_gid, gid_t(0));
    QCOMPARE(int(statOf(page).st_mode & 07777), 0646);
    QCOMPARE(statOf(page).st_ino, inode);
    QCOMPARE(entries(dir.path()), QStringList{"page.html"});
}

QTEST_GUILESS_MAIN(FileIoTest)
#include "file_io_test.moc"
