// The converter on whole sites: the mirrored tree, copies byte for byte with
// their times, links that resolve as they did, no file ever replaced; names that
// are bytes; the closest font and size; the running count on a terminal.
#include "convert/convert_command.h"
#include "convert/site_files.h"
#include "model/file_names.h"
#include "model/font_fallback.h"
#include "model/page_conversion.h"
#include "program_run.h"
#include "test_files.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace brivane;
using namespace brivane::test;

namespace {

using Run = ProgramRun;

Run runConvert(const QStringList& arguments, const QString& folder) {
    return runProgram(QStringLiteral(BRIVANE_CONVERT), arguments, folder);
}

// A bar of three buttons whose links lead to the site's three pages from `up`
// (the way back to the site's top, "../" per level).
QByteArray bar(const QByteArray& up) {
    return "<applet code=\"button.class\" width=120 height=90>\n"
           "<param name=buttons value=3><param name=direction value=0>\n"
           "<param name=\"link 0\" value=\"" +
           up +
           "index.html\"><param name=\"label 0\" value=\"Home\">\n"
           "<param name=\"link 1\" value=\"" +
           up +
           "about/index.htm\"><param name=\"label 1\" value=\"About\">\n"
           "<param name=\"link 2\" value=\"" +
           up +
           "about/team/Our Team.HTM\"><param name=\"label 2\" value=\"Team\">\n"
           "</applet>";
}

// The site of 1998: folders two deep, links up and down (one of them dead),
// images, a style sheet, pages with and without a bar, an upper-case .HTM, a
// Windows-1252 page, a name with a blank, hidden files, a link to a folder.
const QList<std::pair<QString, QByteArray>>& siteFiles() {
    static const QList<std::pair<QString, QByteArray>> files{
        {QStringLiteral("index.html"),
         "<html><head><title>Home</title><link rel=stylesheet href=\"style.css\"></head><body>\n"
         "<center>" +
             bar("") +
             "</center>\n<img src=\"img/logo.gif\" alt=\"\">\n"
             "<a href='about/team/Our%20Team.HTM#top'>Team</a> <a href=missing.html>gone</a>\n"
             "<a href=\"http://example.com/\">away</a></body></html>\n"},
        {QStringLiteral("style.css"), "body { background: url(img/logo.gif) }\n"},
        {QStringLiteral("img/logo.gif"), QByteArray("GIF89a\x01\x00\x01\x00\x00\xff\x00,", 14)},
        {QStringLiteral(".hidden/notes.txt"), "kept too\n"},
        {QStringLiteral("about/index.htm"),
         "<html><head><title>\xC0 propos</title></head><body>\n<p align=right>" + bar("../") +
             "</p>\n<p>\xC9t\xE9 <a href=\"plain.html?x=1\">plain</a> "
             "<img src=\"../img/logo.gif\"></p></body></html>\n"},
        {QStringLiteral("about/plain.html"), "<p>No bar here. <a href=\"../index.html\">Home</a> "
                                             "<a href=\"../nowhere.htm\">x</a></p>\n"},
        {QStringLiteral("about/team/Our Team.HTM"),
         "<HTML><HEAD><LINK REL=stylesheet HREF=\"../../style.css\"></HEAD><BODY>\n" +
             bar("../../") +
             "\n<IMG SRC=\"../../img/logo.gif\"><A HREF=\"../plain.html\">p</A>"
             "</BODY></HTML>\n"},
        {QStringLiteral("about/team/.htaccess"), "Options -Indexes\n"},
    };
    return files;
}

const QStringList kConverted{QStringLiteral("about/index.htm"),
                             QStringLiteral("about/team/Our Team.HTM"),
                             QStringLiteral("index.html")};

void makeSite(const QString& root) {
    for (const auto& [name, bytes] : siteFiles()) {
        QVERIFY(QDir(root).mkpath(QFileInfo(name).path()));
        writeFile(root + u'/' + name, bytes);
        // A time long past, so a copy that did not keep it shows.
        const timespec times[2] = {{0, UTIME_OMIT}, {915148800, 0}};
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(root + u'/' + name).constData(), times, 0),
                 0);
    }
    QVERIFY(QFile::link(QStringLiteral("about"), root + QStringLiteral("/shortcut")));
}

// Every file under the folder (links included, not followed), with its bytes
// and modification time.
QMap<QString, std::pair<QByteArray, qint64>> snapshot(const QString& root) {
    QMap<QString, std::pair<QByteArray, qint64>> files;
    QDirIterator it(root, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QFileInfo info(path);
        if (info.isFile() && !info.isSymLink())
            files[QDir(root).relativeFilePath(path)] = {readFile(path),
                                                        info.lastModified().toMSecsSinceEpoch()};
    }
    return files;
}

// Whether every href and src of the page leads to a file under `newRoot`
// exactly when it led to one under `oldRoot`; counts the links looked at.
void checkLinks(const QString& page, const QString& oldRoot, const QString& newRoot, int& links,
                int& dead) {
    static const QRegularExpression attribute(
        QStringLiteral("(?:href|src)\\s*=\\s*(?:\"([^\"]*)\"|'([^']*)'|([^\\s>]+))"),
        QRegularExpression::CaseInsensitiveOption);
    const QString text = QString::fromLatin1(readFile(newRoot + u'/' + page));
    auto it = attribute.globalMatch(text);
    while (it.hasNext()) {
        const auto match = it.next();
        QString link = match.captured(1) + match.captured(2) + match.captured(3);
        if (QUrl(link).scheme().size() > 1)
            continue; // another site's
        link = QUrl::fromPercentEncoding(link.section(u'#', 0, 0).section(u'?', 0, 0).toLatin1());
        const QString target = QDir::cleanPath(QFileInfo(page).path() + u'/' + link);
        const bool wasThere = QFileInfo(oldRoot + u'/' + target).isFile();
        QVERIFY2(QFileInfo(newRoot + u'/' + target).isFile() == wasThere,
                 qPrintable(page + QStringLiteral(": ") + link));
        ++links;
        dead += wasThere ? 0 : 1;
    }
}

} // namespace

class SiteTest : public QObject {
    Q_OBJECT

private slots:
    void siteConvertsIntoTheSameTree() {
        QTemporaryDir dir;
        const QString oldRoot = dir.filePath(QStringLiteral("old"));
        const QString newRoot = dir.filePath(QStringLiteral("deeper/new"));
        makeSite(oldRoot);

        const Run run = runConvert(
            {QStringLiteral("--output-dir"), QStringLiteral("deeper/new"), QStringLiteral("old")},
            dir.path());
        QCOMPARE(run.exitCode, 0);
        QStringList expected;
        for (const QString& page : kConverted)
            expected << QStringLiteral("converted old/%1 -> deeper/new/%1 (3 buttons)").arg(page);
        expected << QStringLiteral("3 converted, 0 failed, 5 copied") << QString();
        QCOMPARE(run.out, expected.join(u'\n'));

        // The same tree without the link to a folder; everything not converted is
        // the same bytes with the same time; the pages are the pages converted.
        const auto before = snapshot(oldRoot);
        const auto after = snapshot(newRoot);
        const QStringList names = after.keys();
        QCOMPARE(names, before.keys());
        QVERIFY(!QFileInfo::exists(newRoot + QStringLiteral("/shortcut")));
        for (const QString& name : names) {
            if (kConverted.contains(name)) {
                QCOMPARE(after[name].first,
                         convertAppletPage(before[name].first, oldRoot + u'/' + name).bytes);
                // Its own button, and only that, is the current page.
                const QByteArray label = QFileInfo(name).baseName() == QLatin1String("index")
                                             ? (name.contains(u'/') ? "About" : "Home")
                                             : "Team";
                QCOMPARE(after[name].first.count("aria-current=\"page\""), 1);
                static const QRegularExpression current(
                    QStringLiteral("aria-current=\"page\"[^<]*>(<[^>]*>)*([^<]*)<"));
                QCOMPARE(current.match(QString::fromLatin1(after[name].first)).captured(2),
                         QString::fromLatin1(label));
            } else {
                QCOMPARE(after[name].first, before[name].first);
                QCOMPARE(after[name].second, before[name].second);
            }
        }

        int links = 0;
        int dead = 0;
        for (const QString& name : names) {
            if (isPageName(name.toUtf8()))
                checkLinks(name, oldRoot, newRoot, links, dead);
        }
        QCOMPARE(links, 20);
        QCOMPARE(dead, 2);

        // A second run into the same folder fails every file and changes nothing.
        const Run again = runConvert(
            {QStringLiteral("--output-dir"), QStringLiteral("deeper/new"), QStringLiteral("old")},
            dir.path());
        QCOMPARE(again.exitCode, 1);
        const QStringList lines = again.out.split(u'\n');
        QCOMPARE(lines.size(), 10);
        for (const QString& name : names)
            QVERIFY(lines.contains(
                QStringLiteral("failed old/%1: deeper/new/%1 exists already, not replaced")
                    .arg(name)));
        QCOMPARE(lines.at(8), QStringLiteral("0 converted, 8 failed, 0 copied"));
        QCOMPARE(snapshot(newRoot), after);
    }

    // A folder that cannot be made (a file has its name in NEW) fails, and so does
    // everything it holds, each naming the folder; the rest of the site goes on.
    void folderNotMadeFailsWhatItHolds() {
        QTemporaryDir dir;
        makeSite(dir.filePath(QStringLiteral("old")));
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("new")));
        writeFile(dir.filePath(QStringLiteral("new/about")), "in the way");

        const Run run = runConvert(
            {QStringLiteral("--output-dir"), QStringLiteral("new"), QStringLiteral("old")},
            dir.path());
        QCOMPARE(run.exitCode, 1);
        QStringList expected{
            QStringLiteral("failed old/about: new/about exists already, not replaced")};
        for (const char* held : {"about/index.htm", "about/plain.html", "about/team",
                                 "about/team/.htaccess", "about/team/Our Team.HTM"})
            expected << QStringLiteral("failed old/%1: its folder new/about could not be made")
                            .arg(QLatin1String(held));
        expected << QStringLiteral("converted old/index.html -> new/index.html (3 buttons)")
                 << QStringLiteral("1 converted, 6 failed, 3 copied") << QString();
        QCOMPARE(run.out, expected.join(u'\n'));
        QCOMPARE(readFile(dir.filePath(QStringLiteral("new/about"))), QByteArray("in the way"));
        QCOMPARE(
            snapshot(dir.filePath(QStringLiteral("new"))).keys(),
            (QStringList{".hidden/notes.txt", "about", "img/logo.gif", "index.html", "style.css"}));
    }

    void wrongSiteCallsWriteNothing() {
        QTemporaryDir dir;
        makeSite(dir.filePath(QStringLiteral("old")));
        const auto before = snapshot(dir.path());

        const Run noOutput = runConvert({QStringLiteral("old")}, dir.path());
        QCOMPARE(noOutput.exitCode, 2);
        QVERIFY(noOutput.err.contains(QStringLiteral("--output-dir")));

        const Run inside = runConvert({QStringLiteral("--output-dir"),
                                       QStringLiteral("old/about/../new"), QStringLiteral("old")},
                                      dir.path());
        QCOMPARE(inside.exitCode, 2);
        QCOMPARE(inside.err, QStringLiteral("brivane-convert: the output folder old/about/../new "
                                            "lies inside old: choose one outside the site\n"));
        QCOMPARE(snapshot(dir.path()), before);

        // An output folder that cannot be made: nothing is converted or copied.
        writeFile(dir.filePath(QStringLiteral("blocker")), "a file");
        const Run blocked = runConvert(
            {QStringLiteral("--output-dir"), QStringLiteral("blocker/new"), QStringLiteral("old")},
            dir.path());
        QCOMPARE(blocked.exitCode, 2);
        QCOMPARE(blocked.err, QStringLiteral("brivane-convert: cannot make the output folder "
                                             "blocker/new: Invalid filename\n"));
        QCOMPARE(blocked.out, QString());
    }

    // Old sites have names in Latin-1 (0xFF is not UTF-8), and any name may hold
    // a '%' or a line break; each page is still one line naming it.
    void namesAreTheBytesGiven() {
        QTemporaryDir dir;
        const QByteArray page = "<applet code=button.class><param name=buttons value=1></applet>";
        const QByteArray oddName = QByteArray("odd\xff") + ".html";
        const int fd = ::open((QFile::encodeName(dir.path()) + '/' + oddName).constData(),
                              O_WRONLY | O_CREAT | O_EXCL, 0644);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, page.constData(), size_t(page.size())), ssize_t(page.size()));
        ::close(fd);
        writeFile(dir.filePath(QStringLiteral("menu%3.htm")), page);
        writeFile(dir.filePath(QStringLiteral("two\nlines.htm")), page);

        const Run run = runProgram(
            QStringLiteral("/bin/sh"),
            {QStringLiteral("-c"),
             QStringLiteral(
                 "exec \"$0\" \"$(printf 'odd\\377.html')\" menu%3.htm 'two\nlines.htm'"),
             QStringLiteral(BRIVANE_CONVERT)},
            dir.path());
        QCOMPARE(run.out,
                 QStringLiteral("converted odd\\xff.html -> odd\\xff.web.html (1 button)\n"
                                "converted menu%3.htm -> menu%3.web.html (1 button)\n"
                                "converted two\\x0alines.htm -> two\\x0alines.web.html (1 button)\n"
                                "3 converted, 0 failed\n"));
        QCOMPARE(::access((QFile::encodeName(dir.path()) + "/odd\xff.web.html").constData(), F_OK),
                 0);
        for (const QByteArray& bytes : {QByteArray("a\xe9\xff\x80"), QByteArray("\xed\xb2\x80"),
                                        QByteArray("\xc3\xa9\xf0\x9f\x98\x80")})
            QCOMPARE(fileNameBytes(fileNameFromBytes(bytes)), bytes);
        for (const char* name : {"/odd\xff.html", "/odd\xff.web.html"})
            ::unlink((QFile::encodeName(dir.path()) + name).constData());
    }

    void closestFontAndSize_data() {
        QTest::addColumn<QString>("font");
        QTest::addColumn<int>("fontIndex");
        QTest::addColumn<QString>("size");
        QTest::addColumn<int>("sizeIndex"); // -1: not a number
        QTest::newRow("sans") << "Verdana" << 1 << "10" << 0;
        QTest::newRow("sans, two words") << "helvetica  neue" << 1 << "13" << 1;
        QTest::newRow("generic sans") << "sans-serif" << 1 << "15" << 2;
        QTest::newRow("mono") << "Courier New" << 2 << "32" << 9;
        QTest::newRow("mono console") << "Lucida Console" << 2 << "100" << 12;
        QTest::newRow("generic mono") << "monospace" << 2 << "-3" << 0;
        QTest::newRow("list") << "Wingdings, 'Andale Mono', serif" << 2 << " 17 " << 3;
        QTest::newRow("other") << "Garamond" << 0 << "big" << -1;
    }
    void closestFontAndSize() {
        QFETCH(QString, font);
        QFETCH(int, fontIndex);
        QFETCH(QString, size);
        QFETCH(int, sizeIndex);
        QCOMPARE(closestFontIndex(font), fontIndex);
        QCOMPARE(closestFontSizeIndex(size).value_or(-1), sizeIndex);
    }

    void fallbacksAreReportedWithWhatWasUsed() {
        const ConvertedPage page = convertAppletPage(
            "<applet code=button.class width=10 height=10><param name=buttons value=1>"
            "<param name=direction value=0><param name=font value='Courier New'>"
            "<param name=f_size value=13></applet>");
        QCOMPARE(problemTexts(page.problems).mid(0, 2),
                 QStringList({QStringLiteral("f_size: \"13\" is not one of 9, 12, 14, 16, 18, 20, "
                                             "22, 24, 26, 28, 36, 48, 72 (12 used instead)"),
                              QStringLiteral("font: \"Courier New\" is not one of TimesRoman, "
                                             "Helvetica, Courier (Courier used instead)")}));
        QVERIFY(page.bytes.contains("font:12px \"Liberation Mono\""));
    }

    // Over 20 pages and standard error a terminal: a count, drawn at most ten
    // times a second, gone at the end.
    void progressOnATerminal() {
        QTemporaryDir dir;
        QStringList arguments{QStringLiteral("brivane-convert"), QStringLiteral("--output-dir"),
                              dir.filePath(QStringLiteral("out"))};
        for (int i = 0; i < 40; ++i) {
            arguments << dir.filePath(QStringLiteral("p%1.htm").arg(i));
            writeFile(arguments.last(),
                      "<applet code=button.class><param name=buttons value=1></applet>");
        }
        int master = -1;
        int slave = -1;
        QCOMPARE(::openpty(&master, &slave, nullptr, nullptr, nullptr), 0);
        std::FILE* err = ::fdopen(slave, "w");
        std::FILE* out = std::fopen("/dev/null", "w");
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(runConvertCommand(arguments, out, err), 0);
        const qint64 elapsed = timer.elapsed();
        std::fclose(out);
        std::fclose(err);
        QByteArray shown;
        ::fcntl(master, F_SETFL, O_NONBLOCK);
        char buffer[4096];
        for (ssize_t got; (got = ::read(master, buffer, sizeof buffer)) > 0;)
            shown.append(buffer, got);
        ::close(master);
        QVERIFY(shown.startsWith("1/40 pages"));
        QVERIFY(shown.endsWith("\r\x1b[K"));
        const int draws = int(shown.count(" pages"));
        QVERIFY2(draws >= 1 && draws <= elapsed / 100 + 1, shown.constData());
    }
};

QTEST_GUILESS_MAIN(SiteTest)
#include "site_test.moc"
