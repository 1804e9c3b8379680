// The converter: the page around the applet block survives byte for byte, no file
// is ever replaced, and the program's lines and exit statuses.
#include "model/applet_settings.h"
#include "model/errors.h"
#include "model/page_conversion.h"
#include "model/page_generator.h"
#include "model/web_page.h"
#include "program_run.h"
#include "test_files.h"

#include <QTemporaryDir>
#include <QTest>

using namespace brivane;
using namespace brivane::test;

namespace {

// Windows-1252 text around the bar (0xE9 is an e with an acute accent), a script
// that mentions an applet, LF line ends: none of it may change.
const QByteArray kBefore = "<HTML><Head>\n<title>Caf\xE9 pages</title>\n"
                           "<script>document.write('<applet code=button.class></head>')</script>\n"
                           "<!-- </head> in a comment -->\n";
const QByteArray kHeadToBar = "</head>\n<body bgcolor=white>\n<h1>Caf\xE9</h1>\n<center>";
const QByteArray kApplet = "<APPLET code='Button.CLASS' width=120 height=60>\n"
                           "<param name=buttons value=2><param name=direction value=0>\n"
                           "<param name=\"label 0\" value=\"Men&uuml;\">\n"
                           "<param name='link 1' value='b c.html'></applet>";
const QByteArray kAfter = "</center>\n<p>Kept \xE9 as it was</p></body></HTML>\n";

QString convertProgram() {
    return QStringLiteral(BRIVANE_CONVERT);
}

using Run = ProgramRun;

Run runConvert(const QStringList& arguments, const QString& folder) {
    return runProgram(convertProgram(), arguments, folder);
}

} // namespace

class ConvertTest : public QObject {
    Q_OBJECT

private slots:
    void pageAroundTheBlockStaysByteForByte() {
        const QByteArray page = kBefore + kHeadToBar + kApplet + kAfter;
        const ConvertedPage converted = convertAppletPage(page);
        const QByteArray& out = converted.bytes;
        QCOMPARE(converted.buttons, 2);

        // The style goes where the head ends, the bar where the applet stood.
        QVERIFY(out.startsWith(kBefore + "<style>\r\n"));
        QVERIFY(out.endsWith(kAfter));
        const qsizetype headEnd = out.indexOf(kHeadToBar);
        QVERIFY(headEnd > kBefore.size());
        QVERIFY(out.sliced(kBefore.size(), headEnd - kBefore.size()).endsWith("</style>\r\n"));
        const QByteArray bar = out.sliced(headEnd + kHeadToBar.size());
        QVERIFY(bar.startsWith("<span class=\"brivane-bar-"));
        QVERIFY(bar.contains("\" role=\"navigation\" aria-label=\"Caf&#xE9; pages\">\r\n"
                             "<span role=\"list\">\r\n"));
        QVERIFY(!out.contains("applet") || out.count("applet") == kBefore.count("applet"));

        // The bar is the one the import reads out of the block: label, link, size.
        QVERIFY(bar.contains(
            "<span role=\"listitem\"><a><span><span>Men&#xFC;</span></span></a></span>"));
        QVERIFY(bar.contains("<a href=\"b%20c.html\">"));
        QVERIFY(out.contains(" a{position:relative;display:block;box-sizing:border-box;"
                             "width:120px;height:30px;"));

        // What was put in is ASCII, so the page's own character set still holds.
        const QByteArray inserted = out.left(out.size() - kAfter.size()).mid(kBefore.size());
        for (const char c : inserted.left(inserted.indexOf(kHeadToBar)))
            QVERIFY(static_cast<unsigned char>(c) < 0x80);
        for (const char c : bar.left(bar.size() - kAfter.size()))
            QVERIFY(static_cast<unsigned char>(c) < 0x80);
    }

    void pageWithoutHeadGetsTheStyleBeforeTheBar() {
        const QByteArray page = "<p>Menu: " + kApplet + " and more</p>";
        const QByteArray out = convertAppletPage(page).bytes;
        QVERIFY(out.startsWith("<p>Menu: <style>\r\n"));
        QVERIFY(out.contains("</style>\r\n<span class=\"brivane-bar-"));
        QVERIFY(out.endsWith("</span>\r\n and more</p>"));
    }

    void pagesBrivaneWroteConvertToTheBarBrivaneBuilds() {
        AppletSettings settings;
        settings.table.setEntry(ButtonField::Label, 3, QStringLiteral("Third"));
        DeriveAppletValues(settings);
        const QByteArray page = BuildAppletPage(settings).bytes;
        WebBarOptions options;
        options.phrasing = true;
        const WebBar bar = BuildWebBar(settings, options);
        const QByteArray out = convertAppletPage(page).bytes;
        QVERIFY(out.contains(bar.style));
        QVERIFY(out.contains("<p align=Center>\r\n" + bar.markup + "\r\n</p>\r\n"));
    }

    // The button that links to the page being converted is its current page;
    // nothing inserted can end a comment or a script around it; a page without
    // a title of its own leaves the bar unnamed.
    void ownPageIsMarkedAndNothingInsertedEndsAComment() {
        const QByteArray page =
            "<p><applet code=button.class width=80 height=20><param name=buttons value=4>"
            "<param name='link 0' value='menu.htm'><param name='link 1' value='./menu.htm?a#b'>"
            "<param name='link 2' value='other.htm'><param name='label 0' value='Menu'>"
            "</applet></p>";
        const QByteArray out = convertAppletPage(page, QStringLiteral("/site/menu.htm")).bytes;
        QCOMPARE(out.count("aria-current=\"page\""), 2);
        QVERIFY(out.contains("<a href=\"other.htm\"><span>"));
        QVERIFY(!out.contains("<!--"));
        QVERIFY(!out.contains("-->"));
        QVERIFY(!out.contains("aria-label"));
        QCOMPARE(convertAppletPage(page).bytes.count("aria-current=\"page\""), 0);

        // The program takes the page's own name, resolved in its folder.
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("site")));
        writeFile(dir.filePath(QStringLiteral("site/menu.htm")), page);
        QCOMPARE(runConvert({QStringLiteral("site/menu.htm")}, dir.path()).exitCode, 0);
        QCOMPARE(readFile(dir.filePath(QStringLiteral("site/menu.web.html")))
                     .count("aria-current=\"page\""),
                 2);
    }

    void refusedPages_data() {
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no applet")
            << QByteArray("<p>nothing</p>") << QStringLiteral("no button bar applet found");
        QTest::newRow("another applet") << QByteArray("<applet code=clock.class></applet>")
                                        << QStringLiteral("no button bar applet found");
        const QString hidden = QStringLiteral(
            "its button bar applet lies %1, where a browser does not show it as part of the page");
        const QByteArray handler = "<img src=x onerror=\"document.title='RAN'\">";
        QTest::newRow("only in a comment")
            << QByteArray("<!-- " + kApplet + " -->") << hidden.arg(u"inside a comment");
        QTest::newRow("svg style holds a comment")
            << "<svg><style><!--</style>" + kApplet + handler + "--></style></svg>"
            << hidden.arg(u"inside a comment");
        QTest::newRow("script in its escaped states")
            << "<script><!--<script></script>" + kApplet + "<script></script>" + handler +
                   "--></script>"
            << hidden.arg(u"inside <script>");
        QTest::newRow("math") << "<math>" + kApplet + "</math>" << hidden.arg(u"inside <math>");
        QTest::newRow("template") << "<template>" + kApplet + "</template>"
                                  << hidden.arg(u"inside <template>");
        QTest::newRow("noscript") << "<noscript>" + kApplet + "</noscript>"
                                  << hidden.arg(u"inside <noscript>");
        QTest::newRow("noscript around a comment")
            << "<noscript><style></noscript><!--</style></noscript>" + kApplet + "-->"
            << hidden.arg(u"inside a comment");
        QTest::newRow("noscript before the applet")
            << "<noscript>" + kApplet + "</noscript>" + kApplet
            << QStringLiteral("its button bar applet is not the same where a browser runs "
                              "script (see its <noscript>)");
        QTest::newRow("frameset") << "<frameset><frame src=a></frameset>" + kApplet
                                  << hidden.arg(u"in a frameset page");
        QTest::newRow("UTF-16") << QByteArray("\xFF\xFE<\0a\0")
                                << QStringLiteral("the page is in UTF-16, which is not converted "
                                                  "(save it as UTF-8 first)");
        QTest::newRow("never closed")
            << QByteArray("<applet code=button.class><param name=buttons value=1>")
            << QStringLiteral("its button bar applet is never closed (no </applet>)");
        QTest::newRow("size not a number")
            << QByteArray("<applet code=button.class><param name=buttons value=x></applet>")
            << QStringLiteral("'x' is not a valid integer value");
    }
    void refusedPages() {
        QFETCH(QByteArray, page);
        QFETCH(QString, reason);
        try {
            convertAppletPage(page);
            QFAIL("converted");
        } catch (const Error& e) {
            QCOMPARE(e.message(), reason);
        }
    }

    // A stranger's page: its script links are left out and named, its bad values
    // reported 20 at most, and a page whose applet a browser does not show is
    // not written at all.
    void programDropsScriptLinksAndWritesNoHiddenBar() {
        QTemporaryDir dir;
        QByteArray bad;
        for (int i = 0; i < 30; ++i)
            bad += "<param name='label x" + QByteArray::number(i) + "' value=a>";
        writeFile(dir.filePath(QStringLiteral("links.html")),
                  "<applet code=button.class><param name=buttons value=1><param name=direction "
                  "value=1><param name='link 0' value=' JaVa&#9;script:document.title=1'>" +
                      bad + "</applet>");
        writeFile(dir.filePath(QStringLiteral("svg.html")),
                  "<svg><style><!--</style>" + kApplet + "--></style></svg>");
        const Run run =
            runConvert({QStringLiteral("links.html"), QStringLiteral("svg.html")}, dir.path());
        QCOMPARE(run.exitCode, 1);
        const QStringList lines = run.out.split(u'\n');
        QCOMPARE(lines.size(), 4);
        QVERIFY(lines.at(0).startsWith(QStringLiteral(
            "converted links.html -> links.web.html (1 button); not used: label x0: \"x0\" is "
            "not a number; ")));
        QVERIFY(lines.at(0).endsWith(
            QString::fromUtf8("label x19: \"x19\" is not a number; \u2026 and 11 more")));
        QVERIFY(!readFile(dir.filePath(QStringLiteral("links.web.html"))).contains("script:"));
        QCOMPARE(lines.at(1), QStringLiteral("failed svg.html: its button bar applet lies inside a "
                                             "comment, where a browser does not show it as part "
                                             "of the page"));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("svg.web.html"))));
    }

    void webPageFileNames() {
        QCOMPARE(webPageFileName(QStringLiteral("a.htm")), QStringLiteral("a.web.html"));
        QCOMPARE(webPageFileName(QStringLiteral("B.HTML")), QStringLiteral("B.web.html"));
        QCOMPARE(webPageFileName(QStringLiteral("c.d.Html")), QStringLiteral("c.d.web.html"));
        QCOMPARE(webPageFileName(QStringLiteral("plain")), QStringLiteral("plain.web.html"));
    }

    void programConvertsSeveralPagesAndNeverReplaces() {
        QTemporaryDir dir;
        const QByteArray page = kBefore + kHeadToBar + kApplet + kAfter;
        writeFile(dir.filePath(QStringLiteral("one.htm")), page);
        writeFile(dir.filePath(QStringLiteral("two.HTML")), page);
        writeFile(dir.filePath(QStringLiteral("none.html")), "<p>no bar</p>");
        writeFile(dir.filePath(QStringLiteral("two.web.html")), "mine");

        const Run run = runConvert({QStringLiteral("one.htm"), QStringLiteral("two.HTML"),
                                    QStringLiteral("none.html"), QStringLiteral("gone.html")},
                                   dir.path());
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out, QStringLiteral("converted one.htm -> one.web.html (2 buttons)\n"
                                         "failed two.HTML: two.web.html exists already, not "
                                         "replaced\n"
                                         "failed none.html: no button bar applet found\n"
                                         "failed gone.html: File not found\n"
                                         "1 converted, 3 failed\n"));
        QCOMPARE(readFile(dir.filePath(QStringLiteral("one.web.html"))),
                 convertAppletPage(page).bytes);
        QCOMPARE(readFile(dir.filePath(QStringLiteral("two.web.html"))), QByteArray("mine"));
        QCOMPARE(readFile(dir.filePath(QStringLiteral("one.htm"))), page);
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("none.web.html"))));

        // Into a folder of the user's choice; every page converted: status 0.
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("out")));
        const Run second = runConvert({QStringLiteral("--output-dir"), QStringLiteral("out"),
                                       QStringLiteral("one.htm"), QStringLiteral("two.HTML")},
                                      dir.path());
        QCOMPARE(second.exitCode, 0);
        QVERIFY(second.out.endsWith(QStringLiteral("2 converted, 0 failed\n")));
        QCOMPARE(readFile(dir.filePath(QStringLiteral("out/two.web.html"))),
                 convertAppletPage(page).bytes);
        QCOMPARE(QDir(dir.filePath(QStringLiteral("out"))).entryList(QDir::Files).size(), 2);
    }

    void wrongCallsGiveStatusTwo() {
        QTemporaryDir dir;
        QCOMPARE(runConvert({}, dir.path()).exitCode, 2);
        QCOMPARE(runConvert({QStringLiteral("--frobnicate"), QStringLiteral("a.html")}, dir.path())
                     .exitCode,
                 2);
        writeFile(dir.filePath(QStringLiteral("file")), "not a folder");
        QCOMPARE(runConvert({QStringLiteral("--output-dir"), QStringLiteral("file"),
                             QStringLiteral("a.html")},
                            dir.path())
                     .exitCode,
                 2);
        const Run help = runConvert({QStringLiteral("--help")}, dir.path());
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.startsWith(
            QStringLiteral("Usage: brivane-convert [--output-dir NEW] PATH...")));
        QVERIFY(runConvert({QStringLiteral("--version")}, dir.path())
                    .out.startsWith(QStringLiteral("brivane-convert ")));
    }
};

QTEST_GUILESS_MAIN(ConvertTest)
#include "convert_test.moc"
