#include "model/errors.h"
#include "model/web_page.h"

#include "test_files.h"

#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace brivane;
using namespace brivane::test;

namespace {

class RecordingTab : public HtmlTab {
public:
    void clear() override { events << "clear"; }
    void setLines(const AppletPage& lines) override {
        events << "set";
        text = lines.appletLines().toByteArray();
        lineEnds = lines.lineEnds;
    }
    QStringList events;
    QByteArray text;
    QList<qsizetype> lineEnds;
};

AppletSettings derived(const std::function<void(AppletSettings&)>& set = {}) {
    AppletSettings s;
    if (set)
        set(s);
    DeriveAppletValues(s);
    return s;
}

} // namespace

class WebPageTest : public QObject {
    Q_OBJECT

private slots:
    void smallPageByteForByte();
    void escapingForWhereTheTextStands();
    void buttonsLinksTargetsAndImages();
    void fontStackAndFlatRings();
    void generateWritesFileAndTabOrNeither();
    void oneClassPerLook();
    void currentPage();
    void languageTags();
};

// One button, two rings of degree 10: ring 1 changes the face by 20, ring 2 by
// 10; the face is what lies inside the two rings.
void WebPageTest::smallPageByteForByte() {
    const AppletSettings s = derived([](AppletSettings& s) {
        s.buttons = "1";
        s.width = "50";
        s.height = "20";
        s.border = "2";
        s.degree = "10";
        s.title = "Mine";
        s.table.setEntry(ButtonField::Label, 1, "Go");
        s.table.setEntry(ButtonField::Link, 1, "a.html");
    });
    const QByteArray bar = ".brivane-bar-d736b2c6";
    const QByteArray a = bar + " a";
    const QByteArray current = a + "[aria-current]";
    const QList<QByteArray> style{
        "<style>",
        "body{background-color:#000000;text-align:center}",
        bar + "{display:inline-block;vertical-align:top;box-sizing:content-box;max-width:100%;"
              "margin:0;padding:0;border:0}",
        bar + ">*{display:flex;flex-direction:column;flex-wrap:wrap;box-sizing:content-box;"
              "width:50px;max-width:100%;margin:0;padding:0;border:0;list-style:none}",
        bar + ">*>*{display:block;flex:none;max-width:100%;margin:0;padding:0;border:0}",
        a + "{position:relative;display:block;box-sizing:border-box;width:50px;height:20px;"
            "max-width:100%;margin:0;padding:0;border:0;background:#0000A0;box-shadow:inset 1px "
            "1px 0 0 #1414B4,inset -1px -1px 0 0 #00008C,inset 2px 2px 0 0 #0A0AAA,inset -2px "
            "-2px 0 0 #000096;color:#FFFFFF;font:14px \"Liberation Serif\",\"Times New Roman\","
            "Times,serif;letter-spacing:normal;word-spacing:normal;text-decoration:none;"
            "text-transform:none;text-shadow:none;outline:none}",
        a + ">span{position:absolute;left:2px;top:2px;width:46px;max-width:calc(100% - 4px);"
            "height:16px;display:flex;align-items:center;justify-content:center;gap:4px;"
            "overflow:hidden}",
        a + ">span>*{position:relative;left:-0.1px;top:-0.1px;flex:none;display:block;margin:0;"
            "padding:0;border:0;max-width:none;width:auto;height:auto;white-space:pre}",
        a + ":active," + current +
            "{box-shadow:inset 1px 1px 0 0 #00008C,inset -1px -1px 0 0 #1414B4,inset 2px "
            "2px 0 0 #000096,inset -2px -2px 0 0 #0A0AAA;color:#FF0000}",
        a + ":active>span>*," + current + ">span>*{left:0.9px;top:0.9px}",
        a + ":focus-visible{outline:2px solid currentColor;outline-offset:-2px}",
        "@media (forced-colors:active){",
        a + "{border:1px solid LinkText}",
        a + ":active," + current + "{border:2px solid Highlight}",
        a + ":focus-visible{outline:2px solid Highlight;outline-offset:-4px}",
        "}",
        "</style>"};
    QList<QByteArray> page{
        "<!DOCTYPE html>",
        "<html lang=\"de-CH\">",
        "<head>",
        "<meta charset=\"utf-8\">",
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">",
        "<title>Mine</title>"};
    page << style;
    page << "</head>"
         << "<body>"
         << "<nav class=\"brivane-bar-d736b2c6\" aria-label=\"Mine\">"
         << "<ul>"
         << "<li><a href=\"a.html\" aria-current=\"page\"><span><span>Go</span></span></a></li>"
         << "</ul>"
         << "</nav>"
         << "</body>"
         << "</html>";
    // The page is meant for /site/a.html, which its one button links to.
    const WebPage built = BuildWebPage(s, "de-CH", "/site/a.html");
    QCOMPARE(built.bytes, crlfLines(page));
    // The part a user pastes: the bar's own rules (not the body's) and the nav.
    QList<QByteArray> part = style;
    part.removeAt(1);
    part << page.mid(page.size() - 7, 5);
    QCOMPARE(built.part, crlfLines(part));
    QVERIFY(built.tabText().endsWith("</nav>\n"));
}

void WebPageTest::escapingForWhereTheTextStands() {
    const auto text = [](const QString& in) {
        QByteArray out = "x";
        appendHtmlText(out, in);
        return out;
    };
    const auto address = [](const QString& in) {
        QByteArray out;
        appendHtmlAddress(out, in);
        return out;
    };
    QCOMPARE(text("a & b < c > \"d\" 'e' </style>"),
             QByteArray("xa &amp; b &lt; c &gt; &quot;d&quot; 'e' &lt;/style&gt;"));
    // Beyond ASCII as UTF-8 (two, three and four bytes); a lone surrogate as U+FFFD.
    QCOMPARE(text(QString::fromUtf8("é€𝄞") + QChar(0xD800) + "z"), QByteArray("xé€𝄞\xEF\xBF\xBDz"));
    QCOMPARE(address("dir\\a b.html?q=1&r=\"<2>\"#top"),
             QByteArray("dir/a%20b.html?q=1&amp;r=%22%3C2%3E%22#top"));
    QCOMPARE(address(QString::fromUtf8("é/€/𝄞\t`{}|^[]'%41")),
             QByteArray("%C3%A9/%E2%82%AC/%F0%9D%84%9E%09%60%7B%7D%7C%5E%5B%5D'%41"));
    QCOMPARE(address(QString()), QByteArray());
    // NUL and the other controls a page may not hold, and noncharacters, become
    // U+FFFD in text; the blanks stay. In an address they are percent-encoded.
    const QString controls = QString(QChar(0)) + "a\x01\t\n\x7F" + QChar(0x85) + QChar(0xFFFE);
    QCOMPARE(text(controls), QByteArray("x\xEF\xBF\xBD"
                                        "a\xEF\xBF\xBD\t\n\xEF\xBF\xBD\xEF\xBF\xBD"
                                        "\xEF\xBF\xBD"));
    QCOMPARE(address(QString(QChar(0)) + "a"), QByteArray("%00a"));
    // Long texts are taken many characters at a time: every ASCII character
    // comes out of them as it does alone.
    for (char16_t c = 0; c < 128; ++c) {
        const QString one(QChar{c});
        const QString around = "abcdefgh" + one + "ijklmnopq";
        QCOMPARE(text(around), "xabcdefgh" + text(one).mid(1) + "ijklmnopq");
        QCOMPARE(address(around), "abcdefgh" + address(one) + "ijklmnopq");
    }

    // Texts of the settings reach the page only escaped.
    const AppletSettings s = derived([](AppletSettings& s) {
        s.title = QString("</title><b>") + QChar(0);
        s.table.setEntry(ButtonField::Label, 1, "</style>&");
        s.table.setEntry(ButtonField::Frame, 1, "a\"b");
    });
    const QByteArray page = BuildWebPage(s, "en", QString()).bytes;
    QVERIFY(page.contains("<title>&lt;/title&gt;&lt;b&gt;\xEF\xBF\xBD</title>"));
    QVERIFY(page.contains("aria-label=\"&lt;/title&gt;&lt;b&gt;\xEF\xBF\xBD\""));
    QVERIFY(page.contains("<a target=\"a&quot;b\"><span><span>&lt;/style&gt;&amp;</span>"));
    QVERIFY(!page.contains('\0'));
    QCOMPARE(page.count("</style>"), 1);
    QCOMPARE(page.count("<title>"), 1);
}

void WebPageTest::buttonsLinksTargetsAndImages() {
    const AppletSettings s = derived([](AppletSettings& s) {
        s.buttons = "5";
        s.table.setEntry(ButtonField::Link, 1, "one.html");
        s.table.setEntry(ButtonField::Frame, 1, "_BLANK");
        s.table.setEntry(ButtonField::Label, 1, "One");
        s.table.setEntry(ButtonField::Image, 2, "two.gif");
        s.table.setEntry(ButtonField::Frame, 2, "main");
        s.table.setEntry(ButtonField::Image, 3, "/abs/three.png");
        s.table.setEntry(ButtonField::Label, 3, " 3 ");
        // Button 5 is empty; button 6 lies beyond the count.
        s.table.setEntry(ButtonField::Label, 6, "Six");
    });
    const QByteArray markup = BuildWebBar(s).markup;
    // A list of links; no name for a bar whose page is "untitled"; an empty
    // face holds an empty element, never a comment whose "-->" could end one
    // the page around it opened.
    QCOMPARE(
        markup,
        crlfLines({"<nav class=\"" + BuildWebBar(s).style.mid(10, 20) + "\">", "<ul>",
                   "<li><a href=\"one.html\" target=\"_BLANK\" rel=\"noopener\"><span><span>"
                   "One</span></span></a></li>",
                   "<li><a target=\"main\"><span><img alt=\"\" src=\"two.gif\"></span></a></li>",
                   "<li><a><span><img alt=\"\" src=\"/abs/three.png\"><span> 3 </span></span>"
                   "</a></li>",
                   "<li><a><span><wbr></span></a></li>", "<li><a><span><wbr></span></a></li>",
                   "</ul>", "</nav>"}));

    // In place of an applet inside a paragraph: phrasing content with list
    // roles, its own class; a title of blanks names nothing either.
    WebBarOptions inline_;
    inline_.phrasing = true;
    inline_.className = "bar-2";
    const WebBar hosted = BuildWebBar(derived([](AppletSettings& s) {
                                          s.title = " ";
                                          s.buttons = "1";
                                      }),
                                      inline_);
    QCOMPARE(hosted.markup,
             crlfLines({"<span class=\"bar-2\" role=\"navigation\">", "<span role=\"list\">",
                        "<span role=\"listitem\"><a><span><wbr></span></a></span>", "</span>",
                        "</span>"}));
    QVERIFY(hosted.style.startsWith("<style>\r\n.bar-2{display:inline-block;"));
    QVERIFY(!hosted.style.contains("brivane-bar"));
}

// The class is the look's: the same look gives the same class whatever the
// texts, a different look another one.
void WebPageTest::oneClassPerLook() {
    const auto classOf = [](const std::function<void(AppletSettings&)>& set) {
        const QByteArray markup = BuildWebBar(derived(set)).markup;
        return markup.mid(12, markup.indexOf('"', 12) - 12);
    };
    const QByteArray plain = classOf({});
    static const QRegularExpression barClass(QStringLiteral("^brivane-bar-[0-9a-f]{8}$"));
    QVERIFY2(barClass.match(plain).hasMatch(), plain);
    QCOMPARE(classOf([](AppletSettings& s) {
                 s.title = "Other";
                 s.table.setEntry(ButtonField::Label, 1, "Home");
                 s.table.setEntry(ButtonField::Link, 1, "index.html");
             }),
             plain);
    QSet<QByteArray> classes{plain};
    for (const auto& change : QList<std::function<void(AppletSettings&)>>{
             [](AppletSettings& s) { s.buttonColour = AppletColour::fromRgb(0, 0, 161); },
             [](AppletSettings& s) { s.width = "101"; },
             [](AppletSettings& s) { s.style0 = false; }})
        classes.insert(classOf(change));
    QCOMPARE(classes.size(), 4);
}

// Which link names the page: resolved against the page's folder as browsers
// do, query and fragment aside, a folder for its index.html.
void WebPageTest::currentPage() {
    const QString page = "/site/menu/index.html";
    for (const QString& link :
         QStringList{"index.html", "./index.html?x=1", "#top", "../menu/", "../menu", ".", "./",
                     "/site/menu/index.html", "file:///site/menu/index.html#a", " index.html ",
                     "..\\menu\\index.html", "ind%65x.html"})
        QVERIFY2(linkNamesPage(link, page), qPrintable(link));
    for (const QString& link :
         QStringList{"", "index.htm", "other.html", "sub/index.html", "../index.html",
                     "http://example.com/site/menu/index.html", "INDEX.html",
                     "//host/site/menu/index.html", "javascript:index.html"})
        QVERIFY2(!linkNamesPage(link, page), qPrintable(link));
    QVERIFY(linkNamesPage("a.htm?q#f", "/site/a.htm"));
    // A folder names only its index.html.
    QVERIFY(!linkNamesPage("./", "/site/a.htm"));
    QVERIFY(!linkNamesPage("a.htm", QString()));
}

void WebPageTest::languageTags() {
    for (const QString& tag :
         QStringList{"en", "DE-ch", "zh-Hant-TW", "sr-Latn-RS", "es-419", "de-CH-1996", "x-private",
                     "en-a-bbb-x-a-ccc", "zh-yue-HK", "i-klingon", "en-GB-oed", "gsw"})
        QVERIFY2(isLanguageTag(tag), qPrintable(tag));
    for (const QString& tag :
         QStringList{"", "e", "en_US", "en-", "-en", "en-US-", "toolonglang", "en US", "de-CH-199",
                     "\"en\"", "en\n", QString::fromUtf8("\u212Aa"), "x", "en-x"})
        QVERIFY2(!isLanguageTag(tag), qPrintable(tag));
}

// Placement and states are checked in the browsers; what they cannot show is
// the font stack beyond the installed family, and rings left out.
void WebPageTest::fontStackAndFlatRings() {
    const QByteArray page = BuildWebPage(derived([](AppletSettings& s) {
                                             s.plain = false;
                                             s.bold = true;
                                             s.font = "Courier";
                                             s.degree = "0";
                                         }),
                                         "en", QString())
                                .bytes;
    QVERIFY(
        page.contains(";font:bold 14px \"Liberation Mono\",\"Courier New\",Courier,monospace;"));
    // Degree 0: every ring is the face, so no shadow at all, up or down.
    QVERIFY(page.contains(";box-shadow:none;"));
    QVERIFY(page.contains("[aria-current]{box-shadow:none;color:#FF0000}"));
    // Only CR LF ends a line.
    QCOMPARE(page.count('\n'), page.count("\r\n"));
    QCOMPARE(page.count('\r'), page.count("\r\n"));
}

void WebPageTest::generateWritesFileAndTabOrNeither() {
    QTemporaryDir dir;
    const QString folder = dir.path() + '/';
    AppletSettings s;
    s.table.setEntry(ButtonField::Label, 1, "Home");
    // The tab's lines end where the part's CR LF pairs stand, also those of the
    // texts: line breaks and lone CRs in labels, frames and the title.
    s.title = "Two\r\nlines";
    s.table.setEntry(ButtonField::Label, 2, "a\r\r\nb\r");
    s.table.setEntry(ButtonField::Frame, 3, "\r\n");
    s.table.setEntry(ButtonField::Link, 3, "x\r\ny");
    const QString page = folder + "Two\r\nlines.html";
    RecordingTab tab;
    GenerateWebPage(s, folder, "fr", tab);
    const WebPage expected = BuildWebPage(s, "fr", page);
    QCOMPARE(readFile(page), expected.bytes);
    QCOMPARE(tab.events, QStringList({"clear", "set"}));
    QCOMPARE(tab.text, expected.part);
    QCOMPARE(tab.lineEnds, linesOf(expected.part).lineEnds);
    QCOMPARE(tab.lineEnds.size(), expected.part.count("\r\n"));

    // A number the look needs that is not a number: nothing touched.
    s.degree = "lots";
    RecordingTab untouched;
    QVERIFY_THROWS_EXCEPTION(ConversionError, GenerateWebPage(s, folder, "fr", untouched));
    QVERIFY(untouched.events.isEmpty());
    QCOMPARE(readFile(page), expected.bytes);
}

QTEST_GUILESS_MAIN(WebPageTest)
#include "web_page_test.moc"
