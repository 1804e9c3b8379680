#include "platform/desktop_shell.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include "bounded_child.h"

#include <sys/stat.h>

using namespace brivane;

// Receives what QDesktopServices::openUrl hands to the desktop, per scheme.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

namespace {
QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), qint64(bytes.size()));
}
} // namespace

class DesktopShellTest : public QObject {
    Q_OBJECT

private slots:
    void startsProgramWithThePagePathAsOneArgument();
    void openGoesToTheDesktopsUrlHandler();
    void copyNeverReplacesAFile();
    void copyTakesOnlyRegularFilesAndStorablePaths();
};

void DesktopShellTest::startsProgramWithThePagePathAsOneArgument() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("my browser"));
    QVERIFY(QDir().mkpath(folder));
    const QString out = dir.filePath(QStringLiteral("argv.txt"));
    const QString program = folder + QStringLiteral("/fake browser.sh");
    writeFile(program, "#!/bin/sh\n"
                       "{ echo \"$#\"; for a in \"$@\"; do echo \"[$a]\"; done; } > \"" +
                           QFile::encodeName(out) +
                           ".part\"\n"
                           "mv \"" +
                           QFile::encodeName(out) + ".part\" \"" + QFile::encodeName(out) + "\"\n");
    QVERIFY(QFile::setPermissions(program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));

    const QString page = dir.filePath(QStringLiteral("web pages/my page; $(rm -rf x).html"));
    DesktopShell shell;
    shell.execute({QString(), program, page});
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(out), 10000);
    QCOMPARE(readAll(out), QByteArray("1\n[") + page.toUtf8() + "]\n");

    // Without a parameter the program gets no argument at all, not an empty one.
    QFile::remove(out);
    shell.execute({QString(), program, QString()});
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(out), 10000);
    QCOMPARE(readAll(out), QByteArray("0\n"));
}

void DesktopShellTest::openGoesToTheDesktopsUrlHandler() {
    UrlCatcher catcher;
    const QStringList schemes{QStringLiteral("file"), QStringLiteral("https"),
                              QStringLiteral("http"), QStringLiteral("mailto")};
    for (const QString& scheme : schemes)
        QDesktopServices::setUrlHandler(scheme, &catcher, "open");

    DesktopShell shell;
    shell.execute({QStringLiteral("open"), QStringLiteral("/home/me/web pages/untitled.html"), {}});
    shell.execute({QStringLiteral("open"), QStringLiteral("https://example.org/index.html"), {}});
    shell.execute({QStringLiteral("open"), QStringLiteral("mailto:someone@example.org"), {}});
    // A local name that merely contains a colon stays a file.
    shell.execute({QStringLiteral("open"), QStringLiteral("/tmp/a:b #1.html"), {}});

    for (const QString& scheme : schemes)
        QDesktopServices::unsetUrlHandler(scheme);

    QCOMPARE(catcher.urls.size(), 4);
    QCOMPARE(catcher.urls[0].scheme(), QStringLiteral("file"));
    QCOMPARE(catcher.urls[0].toLocalFile(), QStringLiteral("/home/me/web pages/untitled.html"));
    QCOMPARE(catcher.urls[1], QUrl(QStringLiteral("https://example.org/index.html")));
    QCOMPARE(catcher.urls[2], QUrl(QStringLiteral("mailto:someone@example.org")));
    QCOMPARE(catcher.urls[3].toLocalFile(), QStringLiteral("/tmp/a:b #1.html"));
}

void DesktopShellTest::copyNeverReplacesAFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString source = dir.filePath(QStringLiteral("photo one.gif"));
    QByteArray picture(200 * 1024, '\0');
    for (int i = 0; i < picture.size(); ++i)
        picture[i] = char(i * 7 + i / 251);
    writeFile(source, picture);

    NoOverwriteFileCopier copier;
    const QString target = dir.filePath(QStringLiteral("copy.gif"));
    QVERIFY(copier.copyFile(source, target));
    QCOMPARE(readAll(target), picture);

    // An existing target stays exactly as it was.
    const QString existing = dir.filePath(QStringLiteral("existing.gif"));
    writeFile(existing, "old picture");
    QVERIFY(!copier.copyFile(source, existing));
    QCOMPARE(readAll(existing), QByteArray("old picture"));

    // The file onto itself: refused, untouched.
    QVERIFY(!copier.copyFile(source, source));
    QCOMPARE(readAll(source), picture);

    // A missing source creates no target.
    const QString fromNowhere = dir.filePath(QStringLiteral("nowhere.gif"));
    QVERIFY(!copier.copyFile(dir.filePath(QStringLiteral("missing.gif")), fromNowhere));
    QVERIFY(!QFile::exists(fromNowhere));

    // A source that is a folder creates no target either.
    QVERIFY(!copier.copyFile(dir.path(), fromNowhere));
    QVERIFY(!QFile::exists(fromNowhere));

    // A target folder that does not exist.
    QVERIFY(!copier.copyFile(source, dir.filePath(QStringLiteral("no/such/folder.gif"))));
}

void DesktopShellTest::copyTakesOnlyRegularFilesAndStorablePaths() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString fifo = dir.filePath(QStringLiteral("pipe.gif"));
    QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    const QString zero = dir.filePath(QStringLiteral("zero.gif"));
    QVERIFY(QFile::link(QStringLiteral("/dev/zero"), zero));
    const QString target = dir.filePath(QStringLiteral("copy.gif"));
    NoOverwriteFileCopier copier;
    // In a child that its alarm ends, should the copy wait on the pipe or copy on.
    const QByteArray results = test::runInChild([&] {
        QByteArray out = copier.copyFile(fifo, target) ? "copied" : "refused";
        out += copier.copyFile(zero, target) ? " copied" : " refused";
        return out;
    });
    QCOMPARE(results, QByteArray("refused refused"));
    QVERIFY(!QFile::exists(target));

    // Cut at the NUL, each path would name an existing file or a fresh target.
    const QString source = dir.filePath(QStringLiteral("picture.gif"));
    writeFile(source, "picture");
    QVERIFY(!copier.copyFile(source + QChar(u'\0') + QStringLiteral(".png"), target));
    QVERIFY(!copier.copyFile(source, target + QChar(u'\0') + QStringLiteral(".png")));
    QVERIFY(!QFile::exists(target));
}

QTEST_MAIN(DesktopShellTest)
#include "desktop_shell_test.moc"
