// Converted pages in a real Chromium: a page crafted so that a careless
// conversion turns its inert markup into running script is refused and nothing
// is written, and a script link never reaches the converted page.
#include "browsers.h"
#include "program_run.h"
#include "test_files.h"

#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace brivane::test;

namespace {

const QByteArray kHandler = "<img src=x onerror=\"document.title='RAN'\">";
const QByteArray kApplet = "<applet code=\"button.class\" width=100 height=20><param "
                           "name=\"buttons\" value=\"1\"><param name=\"label 0\" value=\"Go\">"
                           "</applet>";

// The title of the page once Chromium has loaded it (its handlers run).
QString titleInChromium(const QString& path) {
    QTemporaryDir profile;
    QProcess chromium;
    chromium.start(ChromiumSession::program(),
                   {"--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                    "--disable-background-networking", "--user-data-dir=" + profile.path(),
                    "--dump-dom", "file://" + path});
    if (!chromium.waitForFinished(60000))
        return QStringLiteral("(chromium did not finish)");
    const QString dom = QString::fromUtf8(chromium.readAllStandardOutput());
    static const QRegularExpression titleElement(QStringLiteral("<title>([^<]*)</title>"));
    const QRegularExpressionMatch title = titleElement.match(dom);
    return title.hasMatch() ? title.captured(1) : QStringLiteral("(no title in %1)").arg(dom);
}

ProgramRun convert(const QString& folder, const QStringList& pages) {
    return runProgram(QStringLiteral(BRIVANE_CONVERT), pages, folder);
}

} // namespace

class ConvertedPageBrowserTest : public QObject {
    Q_OBJECT

private slots:
    void craftedPagesGainNoScript_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("svg style")
            << "<svg><style><!--</style>" + kApplet + kHandler + "--></style></svg>";
        QTest::newRow("math style")
            << "<math><style><!--</style>" + kApplet + kHandler + "--></style></math>";
        QTest::newRow("script escaped") << "<script><!--<script></script>" + kApplet +
                                               "<script></script>" + kHandler + "--></script>";
        QTest::newRow("comment") << "<!--" + kApplet + kHandler + "-->";
        QTest::newRow("template") << "<template>" + kApplet + kHandler + "</template>";
        QTest::newRow("textarea") << "<textarea>" + kApplet + kHandler + "</textarea>";
        QTest::newRow("noscript") << "<noscript>" + kApplet + kHandler + "</noscript>";
    }

    void craftedPagesGainNoScript() {
        if (ChromiumSession::program().isEmpty())
            QSKIP("Chromium is not installed (Debian package chromium)");
        QFETCH(QByteArray, body);
        QTemporaryDir dir;
        const QString page = dir.filePath(QStringLiteral("page.html"));
        writeFile(page, "<html><head><title>kept</title></head><body>" + body + "</body></html>");
        QCOMPARE(titleInChromium(page), QStringLiteral("kept"));

        const ProgramRun run = convert(dir.path(), {QStringLiteral("page.html")});
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(
            run.out.startsWith(QStringLiteral("failed page.html: its button bar applet lies ")),
            qPrintable(run.out));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("page.web.html"))));
    }

    // A handler that does run shows as a changed title: the check above can fail.
    void aLiveHandlerChangesTheTitle() {
        if (ChromiumSession::program().isEmpty())
            QSKIP("Chromium is not installed (Debian package chromium)");
        QTemporaryDir dir;
        const QString page = dir.filePath(QStringLiteral("live.html"));
        writeFile(page,
                  "<html><head><title>kept</title></head><body>" + kHandler + "</body></html>");
        QCOMPARE(titleInChromium(page), QStringLiteral("RAN"));
    }

    void scriptLinksAreGone() {
        if (ChromiumSession::program().isEmpty())
            QSKIP("Chromium is not installed (Debian package chromium)");
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("links.html")),
                  "<html><head><title>kept</title></head><body><applet code=button.class "
                  "width=100 height=40><param name=buttons value=2><param name=direction value=1>"
                  "<param name='label 0' value=A><param name='link 0' "
                  "value=\"javascript:document.title='PWNED'\"><param name='label 1' value=B>"
                  "<param name='link 1' value=\" \x01 Java&#9;Script:document.title='PWNED'\">"
                  "</applet></body></html>");
        const ProgramRun run = convert(dir.path(), {QStringLiteral("links.html")});
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.contains(QStringLiteral(
                     "link 0: script link dropped: javascript:document.title='PWNED'")),
                 qPrintable(run.out));
        QVERIFY2(run.out.contains(QStringLiteral("link 1: script link dropped:")),
                 qPrintable(run.out));
        const QString converted = dir.filePath(QStringLiteral("links.web.html"));
        QVERIFY(!readFile(converted).toLower().contains("script:"));
        QCOMPARE(titleInChromium(converted), QStringLiteral("kept"));
    }
};

QTEST_GUILESS_MAIN(ConvertedPageBrowserTest)
#include "converted_page_browser_test.moc"
