#include "model/errors.h"
#include "model/web_page.h"

#include "test_files.h"

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
    }
    QStringList events;
    QByteArray text;
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
    const QByteArray a = ".brivane-bar a";
    const QList<QByteArray> style{
        "<style>",
        "body{background-color:#000000;text-align:center}",
        ".brivane-bar{display:inline-flex;flex-direction:column;vertical-align:top;box-sizing:"
        "content-box;width:50px;height:20px;margin:0;padding:0;border:0;overflow:hidden}",
        a + "{position:relative;display:block;flex:none;box-sizing:border-box;width:50px;height:"
            "20px;margin:0;padding:0;border:0;background:#0000A0;box-shadow:inset 1px 1px 0 0 "
            "#1414B4,inset -1px -1px 0 0 #00008C,inset 2px 2px 0 0 #0A0AAA,inset -2px -2px 0 0 "
            "#000096;color:#FFFFFF;font:14px \"Liberation Serif\",\"Times New Roman\",Times,serif;"
            "letter-spacing:normal;word-spacing:normal;text-decoration:none;text-transform:none;"
            "text-shadow:none;outline:none}",
        a + ">span{position:absolute;left:2px;top:2px;width:46px;height:16px;display:flex;"
            "align-items:center;justify-content:center;gap:4px;overflow:hidden}",
        a + ">span>*{position:relative;left:-0.1px;top:-0.1px;flex:none;display:block;margin:0;"
            "padding:0;border:0;max-width:none;width:auto;height:auto;white-space:pre}",
        a + ":active{box-shadow:inset 1px 1px 0 0 #00008C,inset -1px -1px 0 0 #1414B4,inset 2px "
            "2px 0 0 #000096,inset -2px -2px 0 0 #0A0AAA;color:#FF0000}",
        a + ":active>span>*{left:0.9px;top:0.9px}",
        a + ":focus-visible{outline:2px solid currentColor;outline-offset:-2px}",
        "</style>"};
    QList<QByteArray> page{
        "<!DOCTYPE html>",
        "<html>",
        "<head>",
        "<meta charset=\"utf-8\">",
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">",
        "<title>Mine</title>"};
    page << style;
    page << "</head>"
         << "<body>"
         << "<nav class=\"brivane-bar\" aria-label=\"Mine\">"
         << "<a href=\"a.html\"><span><span>Go</span></span></a>"
         << "</nav>"
         << "</body>"
         << "</html>";
    const WebPage built = BuildWebPage(s);
    QCOMPARE(built.bytes, crlfLines(page));
    // The part a user pastes: the bar's own rules (not the body's) and the nav.
    QList<QByteArray> part = style;
    part.removeAt(1);
    part << page.mid(page.size() - 5, 3);
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

    // Texts of the settings reach the page only escaped.
    const AppletSettings s = derived([](AppletSettings& s) {
        s.title = "</title><b>";
        s.table.setEntry(ButtonField::Label, 1, "</style>&");
        s.table.setEntry(ButtonField::Frame, 1, "a\"b");
    });
    const QByteArray page = BuildWebPage(s).bytes;
    QVERIFY(page.contains("<title>&lt;/title&gt;&lt;b&gt;</title>"));
    QVERIFY(page.contains("aria-label=\"&lt;/title&gt;&lt;b&gt;\""));
    QVERIFY(page.contains("<a target=\"a&quot;b\"><span><span>&lt;/style&gt;&amp;</span>"));
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
    QCOMPARE(markup,
             crlfLines({"<nav class=\"brivane-bar\" aria-label=\"untitled\">",
                        "<a href=\"one.html\" target=\"_BLANK\" rel=\"noopener\"><span><span>One"
                        "</span></span></a>",
                        "<a target=\"main\"><span><img alt=\"\" src=\"two.gif\"></span></a>",
                        "<a><span><img alt=\"\" src=\"/abs/three.png\"><span> 3 </span></span></a>",
                        "<a><span><!-- empty --></span></a>", "<a><span><!-- empty --></span></a>",
                        "</nav>"}));

    // In place of an applet inside a paragraph: phrasing content, its own class.
    WebBarOptions inline_;
    inline_.phrasing = true;
    inline_.className = "bar-2";
    const WebBar hosted = BuildWebBar(derived([](AppletSettings& s) { s.title.clear(); }), inline_);
    QVERIFY(hosted.markup.startsWith("<span class=\"bar-2\" role=\"navigation\">\r\n"));
    QVERIFY(hosted.markup.endsWith("</a>\r\n</span>\r\n"));
    QVERIFY(hosted.style.startsWith("<style>\r\n.bar-2{display:inline-flex;"));
    QVERIFY(!hosted.style.contains("brivane-bar"));
}

// Placement and states are checked in the browsers; what they cannot show is
// the font stack beyond the installed family, and rings left out.
void WebPageTest::fontStackAndFlatRings() {
    const QByteArray page = BuildWebPage(derived([](AppletSettings& s) {
                                s.plain = false;
                                s.bold = true;
                                s.font = "Courier";
                                s.degree = "0";
                            })).bytes;
    QVERIFY(
        page.contains(";font:bold 14px \"Liberation Mono\",\"Courier New\",Courier,monospace;"));
    // Degree 0: every ring is the face, so no shadow at all, up or down.
    QVERIFY(page.contains(";box-shadow:none;"));
    QVERIFY(page.contains(":active{box-shadow:none;color:#FF0000}"));
    // Only CR LF ends a line.
    QCOMPARE(page.count('\n'), page.count("\r\n"));
    QCOMPARE(page.count('\r'), page.count("\r\n"));
}

void WebPageTest::generateWritesFileAndTabOrNeither() {
    QTemporaryDir dir;
    const QString folder = dir.path() + '/';
    AppletSettings s;
    s.table.setEntry(ButtonField::Label, 1, "Home");
    RecordingTab tab;
    GenerateWebPage(s, folder, tab);
    const WebPage expected = BuildWebPage(s);
    QCOMPARE(readFile(folder + "untitled.html"), expected.bytes);
    QCOMPARE(tab.events, QStringList({"clear", "set"}));
    QCOMPARE(tab.text, expected.part);

    // A number the look needs that is not a number: nothing touched.
    s.degree = "lots";
    RecordingTab untouched;
    QVERIFY_THROWS_EXCEPTION(ConversionError, GenerateWebPage(s, folder, untouched));
    QVERIFY(untouched.events.isEmpty());
    QCOMPARE(readFile(folder + "untitled.html"), expected.bytes);
}

QTEST_GUILESS_MAIN(WebPageTest)
#include "web_page_test.moc"
