#include "model/applet_import.h"
#include "model/page_generator.h"

#include <QRandomGenerator>
#include <QtTest>

using namespace brivane;

namespace {

// What a reading found, in one line: found or not, the title, the alignment, the
// applet's size, its params in page order and the other applets.
QString describe(const ImportedApplet& a) {
    if (!a.found)
        return QStringLiteral("none");
    QStringList params;
    for (const auto& [name, value] : a.params)
        params << name + u'=' + value;
    return QStringLiteral("title=%1 align=%2 size=%3x%4 [%5] others=%6")
        .arg(a.title.value_or(QStringLiteral("-")), a.alignment.value_or(QStringLiteral("-")),
             a.width.value_or(QStringLiteral("-")), a.height.value_or(QStringLiteral("-")),
             params.join(QLatin1String("; ")))
        .arg(a.otherApplets);
}

// A text of 0 to 12 characters the applet page brings back unchanged: no '"',
// '&', '<', '>' or line break, but blanks, quotes and characters beyond ASCII.
QString randomText(QRandomGenerator& random) {
    static const QString pool =
        QStringLiteral("abcXYZ019 \t'=/#;!_-.\u00e9\u00fc\u00df\u4e2d\u20ac\u00a0") +
        QString::fromUtf8("\xF0\x9F\x98\x80");
    QString text;
    const int length = random.bounded(13);
    for (int i = 0; i < length; ++i) {
        const int at = random.bounded(int(pool.size()));
        if (pool.at(at).isLowSurrogate())
            continue;
        text += pool.at(at);
        if (pool.at(at).isHighSurrogate())
            text += pool.at(at + 1);
    }
    return text;
}

AppletSettings randomSettings(QRandomGenerator& random) {
    AppletSettings s;
    const int n = random.bounded(10) == 0 ? 300 : 1 + random.bounded(40);
    s.buttons = (random.bounded(4) == 0 ? QStringLiteral(" ") : QString()) + QString::number(n);
    s.width = QString::number(1 + random.bounded(400));
    s.height = QString::number(1 + random.bounded(100));
    s.border = QString::number(random.bounded(20));
    s.degree = QStringLiteral("$") + QString::number(random.bounded(256), 16);
    s.fOffset = QString::number(random.bounded(30));
    s.title = randomText(random);
    s.alignIndex = random.bounded(3);
    s.align = alignItems().at(s.alignIndex);
    s.fontIndex = random.bounded(3);
    s.font = fontItems().at(s.fontIndex);
    s.fontSizeIndex = random.bounded(13);
    s.fontSize = fontSizeItems().at(s.fontSizeIndex);
    s.style0 = random.bounded(2) == 0;
    s.vertical = random.bounded(2) == 0;
    const int fontStyle = random.bounded(3);
    s.plain = fontStyle == 0;
    s.bold = fontStyle == 1;
    s.italic = fontStyle == 2;
    const int position = random.bounded(3);
    s.left = position == 0;
    s.center = position == 1;
    s.right = position == 2;
    for (AppletColour* colour : {&s.buttonColour, &s.fontColour, &s.clickColour}) {
        if (random.bounded(5) != 0) // else the start-up colour, its hex form empty
            *colour = AppletColour::fromRgb(random.bounded(256), random.bounded(256),
                                            random.bounded(256));
    }
    for (ButtonField field : kSettingsButtonFields) {
        for (int k = 1; k <= n + 2; ++k)
            s.table.setEntry(field, k, randomText(random));
    }
    return s;
}

ImportedApplet read(const QByteArray& page) {
    return readAppletPage(page);
}

} // namespace

class AppletImportTest : public QObject {
    Q_OBJECT

private slots:
    void brivanePagesComeBackByteForByte();
    void messyPages_data();
    void messyPages();
    void blockOffsetsSpanTheAppletTags();
    void characterReferences_data();
    void characterReferences();
    void listsWhatCannotBeUsed();
    void buttonSizeNeedsDirectionAndCount();
    void largeHostilePagesAreReadWhole();
    void appletsABrowserDoesNotShow_data();
    void appletsABrowserDoesNotShow();
    void treeRulesAsChromiumReads_data();
    void treeRulesAsChromiumReads();
    void deliberateDifferences();
    void scriptLinksDroppedAndProblemsCapped();
};

// Make HTML -> import -> Make HTML: the same bytes, into settings that held
// other values everywhere, and nothing reported.
void AppletImportTest::brivanePagesComeBackByteForByte() {
    QRandomGenerator random(1108);
    for (int run = 0; run < 150; ++run) {
        AppletSettings original = randomSettings(random);
        DeriveAppletValues(original);
        const AppletPage page = BuildAppletPage(original);

        AppletSettings imported = randomSettings(random);
        RecordImportTarget target(imported);
        const ImportedApplet applet = read(page.bytes);
        QVERIFY(applet.found);
        QCOMPARE(applet.params.size(), 13 + 4 * StrToInt(original.buttons));
        QCOMPARE(applyImportedApplet(applet, target), ImportProblems());
        DeriveAppletValues(imported);
        QCOMPARE(BuildAppletPage(imported).bytes, page.bytes);
    }
}

void AppletImportTest::messyPages_data() {
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QString>("expected");
    const QByteArray bar = "<applet code=button.class width=1 height=2>";

    QTest::newRow("names in any case")
        << QByteArray("<HTML><TITLE>T</TITLE><P ALIGN=RIGHT><APPLET CODE=\"BUTTON.CLASS\" "
                      "WIDTH=10 HEIGHT=20><PARAM NAME=\"Color\" VALUE=\"00ff00\"></APPLET>")
        << "title=T align=RIGHT size=10x20 [Color=00ff00] others=0";
    QTest::newRow("quotes and attribute order")
        << QByteArray("<applet height='20' code=button.class width=\"10\"><param value='a \"b\"' "
                      "name=\"label 0\"><param value=x name=font><param name=f_size value=>")
        << "title=- align=- size=10x20 [label 0=a \"b\"; font=x; f_size=] others=0";
    QTest::newRow("blanks and line breaks in tags")
        << QByteArray(
               "<applet\r\n  code = \"button.class\"\n\twidth=1\nheight = 2 >\n<param\n"
               "name = \"font\"\nvalue =\n\"Courier\" ><param name='label 1' value='a\r\nb'>")
        << "title=- align=- size=1x2 [font=Courier; label 1=a\nb] others=0";
    QTest::newRow("references decoded")
        << bar + "<param name=\"label&#32;0\" value=\"&lt;b&gt;&amp;amp;&#34;&quot;&apos;&#x41;\">"
        << "title=- align=- size=1x2 [label 0=<b>&amp;\"\"'A] others=0";
    QTest::newRow("comments and scripts skipped")
        << QByteArray("<!-- <applet code=button.class><param name=font value=no> --><!--->"
                      "<script>document.write('<applet code=\"button.class\">')</script >"
                      "<style>p{}</style><applet code=button.class><param name=font value=yes>"
                      "<!-- <param name=font value=no> --></applet><!-- <applet code=button>")
        << "title=- align=- size=-x- [font=yes] others=0";
    QTest::newRow("code with a folder or without .class")
        << QByteArray("<applet code=other.class><param name=font value=no></applet>"
                      "<applet code=' bars/Button.CLASS '><param name=font value=a></applet>"
                      "<applet code='..\\button'></applet><applet code=button.class.old></applet>")
        << "title=- align=- size=-x- [font=a] others=1";
    QTest::newRow("other applets, a nested one's params not ours")
        << bar + "<applet code=x.class><param name=font value=inner></applet><param name=font "
                 "value=outer><applet code=button.class></applet></applet><applet code=button>"
        << "title=- align=- size=1x2 [font=outer] others=2";
    QTest::newRow("first attribute of a name counts")
        << QByteArray("<applet code=button.class code=x.class width=5 width=6></applet>")
        << "title=- align=- size=5x- [] others=0";
    QTest::newRow("Windows-1252, title white space tidied")
        << QByteArray("<title>\n  Caf\xe9 \t \x93q\x94\t\n</title><title>second</title>") + bar
        << QString::fromUtf8("title=Café \t “q” align=- size=1x2 [] others=0");
    QTest::newRow("UTF-8 title with references")
        << QByteArray("<title>Gr\xc3\xbc\xc3\x9f &amp; &eacute;t&eacute</title>") + bar
        << QString::fromUtf8("title=Grüß & été align=- size=1x2 [] others=0");
    QTest::newRow("nearest enclosing alignment")
        << QByteArray("<center><div align=left><div>") + bar
        << "title=- align=left size=1x2 [] others=0";
    QTest::newRow("center nearer than a div") << QByteArray("<div align=right><center><p>") + bar
                                              << "title=- align=center size=1x2 [] others=0";
    QTest::newRow("closed blocks align nothing")
        << QByteArray("<p align=right>x</p><div align=left></div><center></center><p>") + bar
        << "title=- align=- size=1x2 [] others=0";
    QTest::newRow("a block ends an open paragraph")
        << QByteArray("<!DOCTYPE html><div align=left><p align=right><table>") + bar
        << "title=- align=left size=1x2 [] others=0";
    QTest::newRow("a div ends an open paragraph")
        << QByteArray("<p align=right><div>") + bar << "title=- align=- size=1x2 [] others=0";
    QTest::newRow("slashes between attributes")
        << QByteArray("<p/align=left><applet/code='button.class'/width=1 />")
        << "title=- align=left size=1x- [] others=0";
    QTest::newRow("an end tag closes what opened inside it")
        << QByteArray("<center><div align=right><p align=left></div>") + bar
        << "title=- align=center size=1x2 [] others=0";
    QTest::newRow("no bar") << QByteArray("<applet code=menu.class><param name=font value=x>")
                            << "none";
    QTest::newRow("only in an unclosed comment")
        << QByteArray("<!-- x -- > <applet code=button.class>") << "none";
    QTest::newRow("only in a textarea") << "<textarea>" + bar + "</textarea>"
                                        << "none";
    QTest::newRow("tag cut off by the end") << QByteArray("<applet code=button.class") << "none";
}

void AppletImportTest::messyPages() {
    QFETCH(QByteArray, page);
    QFETCH(QString, expected);
    QCOMPARE(describe(read(page)), expected);
}

void AppletImportTest::blockOffsetsSpanTheAppletTags() {
    const QByteArray before = "<html><p align=center>\r\n";
    const QByteArray block = "<APPLET code=button.class>\r\n<param name=a value='</applet>'>"
                             "<applet code=x></applet></applet >";
    const QByteArray after = "\r\n</p><applet code=button.class></applet>";
    ImportedApplet a = read(before + block + after);
    QCOMPARE(a.blockBegin, before.size());
    QCOMPARE(a.blockEnd, before.size() + block.size());
    QVERIFY(a.closed);

    // Never closed: the block runs to the end of the page.
    a = read(before + "<applet code=button.class><param name=a value=b>");
    QCOMPARE(a.blockBegin, before.size());
    QCOMPARE(a.blockEnd, before.size() + 48);
    QVERIFY(!a.closed);
    QCOMPARE(a.params.size(), 1);
}

void AppletImportTest::characterReferences_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("inAttribute");
    QTest::addColumn<QString>("expected");
    QTest::newRow("named") << "&amp;&lt;&gt;&quot;&apos;&nbsp;&copy;&euro;&hellip;" << true
                           << QString::fromUtf8("&<>\"'\u00a0©€…");
    QTest::newRow("every name of the standard")
        << "&hearts;&lang;&notin;&rarr;&NotEqualTilde;&Afr;&CounterClockwiseContourIntegral;"
        << true << QString::fromUtf8("\u2665\u27e8\u2209\u2192\u2242\u0338\U0001D504\u2233");
    QTest::newRow("old names without ';', longest first")
        << "&notin &notit; &ampx &LTa" << false << QString::fromUtf8("\u00acin \u00acit; &x <a");
    QTest::newRow("numeric") << "&#65;&#x42;&#X43&#0068;&#x1F600;" << true
                             << QString::fromUtf8("ABCD😀");
    QTest::newRow("numeric as old pages meant them")
        << "&#150;&#x80;&#129;" << false << QString::fromUtf8("–€\u0081");
    QTest::newRow("numeric out of range")
        << "&#0;&#xD800;&#1114112;&#99999999999999999;" << false << QString(4, QChar(0xFFFD));
    QTest::newRow("not references") << "& &# &#x; &bogus; &;" << false << "& &# &#x; &bogus; &;";
    QTest::newRow("old names without ';' in text")
        << "&eacutet &copy=1 &amp" << false << QString::fromUtf8("ét ©=1 &");
    QTest::newRow("old names without ';' in a value")
        << "?a=1&copy=2&eacutet&eacute." << true
        << QString::fromUtf8("?a=1&copy=2&eacutetÉ.").replace(u'É', u'é');
    QTest::newRow("new names need ';'") << "&euro &apos" << false << "&euro &apos";
    QTest::newRow("line ends and NUL")
        << QStringLiteral("a\r\nb\rc\nd") + QChar(0) << true << QStringLiteral("a\nb\nc\nd\uFFFD");
}

void AppletImportTest::characterReferences() {
    QFETCH(QString, text);
    QFETCH(bool, inAttribute);
    QFETCH(QString, expected);
    QCOMPARE(decodeCharacterReferences(text, inAttribute), expected);
}

// Each kind of value that cannot be used is named; its setting keeps its value
// (a font or size not in the lists takes the closest one, named with it),
// everything else is applied, entries beyond the count included.
void AppletImportTest::listsWhatCannotBeUsed() {
    const QByteArray page =
        "<title>Shop</title><p align=\" justify \"><applet code=button.class width=80 "
        "height=75><param name=buttons value=3><param name=color value=12345>"
        "<param name=f_color value='#GG0000'><param name=f_color2 value=' #00ff0a'>"
        "<param name=font value=Arial><param name=f_size value=' 18 '><param name=f_size "
        "value=15><param name=style value=2><param name=direction value=0><param name=f_style "
        "value=3><param name=position value=-1><param name='border width' value=7>"
        "<param name=f_offset value=9><param name='label x' value=a><param name='LINK 40000' "
        "value=b><param name='Label 5' value=six><param name='image 1' value=i><param "
        "name=unknown value=u></applet><applet code=button></applet><applet code=button>";
    AppletSettings s;
    s.table.setEntry(ButtonField::Label, 3, QStringLiteral("kept"));
    RecordImportTarget target(s);
    const ImportProblems problems = applyImportedApplet(read(page), target);
    const QStringList expected{
        "color: \"12345\" is not six hexadecimal digits",
        "style: \"2\" is not 0 or 1",
        "f_size: \"15\" is not one of 9, 12, 14, 16, 18, 20, 22, 24, 26, 28, 36, 48, 72 (14 "
        "used instead)",
        "f_style: \"3\" is not 0, 1 or 2",
        "f_color: \"#GG0000\" is not six hexadecimal digits",
        "position: \"-1\" is not 0, 1 or 2",
        "font: \"Arial\" is not one of TimesRoman, Helvetica, Courier (Helvetica used instead)",
        "align: \" justify \" is not one of Center, Left, Right",
        "label x: \"x\" is not a number",
        "LINK 40000: the highest button number is 32766",
        "Not in the page: degree, label 0 to label 2, link 0 to link 2, image 0, image 2, "
        "frame 0 to frame 2",
        "2 other button.class applets in the page were not read"};
    QCOMPARE(problemTexts(problems), expected);
    QCOMPARE(problems.at(10).kind, ImportProblem::Kind::Missing);
    QCOMPARE(problems.at(11).kind, ImportProblem::Kind::OtherApplets);
    QCOMPARE(importProblemsMessage(QStringLiteral("/w/shop.html"), problems),
             QStringLiteral("Not everything in /w/shop.html could be used:\n") +
                 expected.join(u'\n'));
    QCOMPARE(noAppletMessage(QStringLiteral("/w/a.htm")),
             QStringLiteral("No button bar applet found in /w/a.htm"));

    const AppletSettings defaults;
    QCOMPARE(s.width, QStringLiteral("80"));
    QCOMPARE(s.height, QStringLiteral("25"));
    QCOMPARE(s.buttons, QStringLiteral("3"));
    QCOMPARE(s.buttonColour.value, defaults.buttonColour.value);
    QCOMPARE(s.fontColour.value, defaults.fontColour.value);
    QCOMPARE(s.clickColour.hex, QStringLiteral("00FF0A"));
    QCOMPARE(s.clickColour.value, 0x0AFF00);
    QCOMPARE(s.font, QStringLiteral("Helvetica")); // Arial's family
    QCOMPARE(s.fontSize,
             QStringLiteral("14")); // the last f_size wins; the nearer smaller one stands in
    QVERIFY(s.style0 && s.vertical && s.plain && s.center);
    QCOMPARE(s.border, QStringLiteral("7"));
    QCOMPARE(s.degree, defaults.degree);
    QCOMPARE(s.fOffset, QStringLiteral("9"));
    QCOMPARE(s.title, QStringLiteral("Shop"));
    QCOMPARE(s.align, defaults.align);
    QCOMPARE(s.table.entry(ButtonField::Label, 3), QStringLiteral("kept"));
    QCOMPARE(s.table.entry(ButtonField::Label, 6), QStringLiteral("six"));
    QCOMPARE(s.table.entry(ButtonField::Image, 2), QStringLiteral("i"));

    // A list item is found ignoring case and blanks; no enclosing alignment is Center.
    s.align = QStringLiteral("Right");
    RecordImportTarget again(s);
    applyImportedApplet(read("<p align=' LEFT'><applet code=button></applet>"), again);
    QCOMPARE(s.align, QStringLiteral("Left "));
    applyImportedApplet(read("<applet code=button></applet>"), again);
    QCOMPARE(s.align, QStringLiteral("Center"));
}

// The applet is N buttons long along its direction and one across.
void AppletImportTest::buttonSizeNeedsDirectionAndCount() {
    const auto problemsOf = [](const QByteArray& tag, const QByteArray& params) {
        AppletSettings s;
        RecordImportTarget target(s);
        QStringList problems = problemTexts(applyImportedApplet(
            read("<title>t</title>" + tag + params +
                 "<param name=color value=000000><param name=degree value=1>"
                 "<param name=style value=1><param name=f_size value=9><param name=f_style "
                 "value=1><param name=f_color value=000000><param name=f_color2 value=000000>"
                 "<param name=position value=1><param name=f_offset value=1><param name=font "
                 "value=Courier><param name='border width' value=1>"),
            target));
        // Only the size matters here, not the per-button params.
        for (QString& problem : problems) {
            if (problem.contains(QLatin1String("label 0")))
                problem.truncate(problem.indexOf(QLatin1String("label 0")));
        }
        problems.removeAll(QStringLiteral("Not in the page: "));
        return problems << s.width + u'x' + s.height;
    };
    const QByteArray h = "<param name=direction value=1><param name=buttons value=4>";
    QCOMPARE(problemsOf("<applet code=button width=400 height=30>", h), QStringList{"100x30"});
    QCOMPARE(problemsOf("<applet code=button width=' 90px' height=$1E>", h),
             (QStringList{"applet width: \" 90px\" is not a whole number", "100x$1E"}));
    QCOMPARE(problemsOf("<applet code=button width=401>", h),
             (QStringList{"applet width: \"401\" is not a multiple of 4, the number of buttons",
                          "Not in the page: applet height, ", "100x26"}));
    QCOMPARE(problemsOf("<applet code=button width=10 height=20>",
                        "<param name=direction value=v><param name=buttons value=x>"),
             (QStringList{"applet width and applet height: not used, as the direction is not known",
                          "direction: \"v\" is not 0 or 1", "100x26"}));
    QCOMPARE(
        problemsOf("<applet code=button width=10 height=20>",
                   "<param name=direction value=0><param name=buttons value=0>"),
        (QStringList{"applet height: not used, as the number of buttons is not known", "10x26"}));
}

// Pages of a megabyte built to make a careless reader rescan or recurse: read
// whole, with what a browser would find.
void AppletImportTest::largeHostilePagesAreReadWhole() {
    const int size = 1 << 20;
    const auto repeat = [size](const QByteArray& piece) {
        return piece.repeated(size / piece.size());
    };
    const QByteArray bar = "<applet code=button.class>";
    QCOMPARE(read(repeat(bar)).otherApplets, size / bar.size() - 1);
    QCOMPARE(read(repeat("<applet code=button.class ")).found, false);
    QCOMPARE(read("<applet code=button.class" + repeat(" x='1'") + ">").found, true);
    QCOMPARE(read(repeat("<!--") + bar).found, false);
    QCOMPARE(read(repeat("<!-- -- !--!") + bar).found, false);
    QCOMPARE(read(repeat("<p a=\"") + bar).found, false);
    QCOMPARE(read(repeat("<script></scrip") + bar).found, false);
    QCOMPARE(read(repeat("<div align=left><center>") + "</p></div>" + bar).alignment,
             QStringLiteral("center"));
    QCOMPARE(read(repeat("</div></center><p>") + bar).alignment, std::nullopt);
    QCOMPARE(read(repeat("<title>") + bar).title->size(),
             repeat("<title>").size() - 7 + bar.size());
    const QByteArray param = "<param name='a' value=\"&#x41;&amp&#9;&eacute\">";
    const ImportedApplet many = read(bar + repeat(param));
    QCOMPARE(many.params.size(), size / param.size());
    QCOMPARE(many.params.last().second, QString::fromUtf8("A&\té"));
    QCOMPARE(decodeCharacterReferences(QString(size, u'&'), true).size(), size);
}

// A bar applet inside markup that a browser does not show as the page's is not
// taken; where it lay is told. The first two are pages crafted to make a
// converted page run script.
void AppletImportTest::appletsABrowserDoesNotShow_data() {
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QString>("hidden");
    const QByteArray bar = "<applet code=button.class width=1 height=2><param name=buttons "
                           "value=1></applet>";
    const QByteArray handler = "<img src=x onerror=\"document.title='RAN'\">";
    QTest::newRow("svg style holds a comment")
        << "<svg><style><!--</style>" + bar + handler + "--></style></svg>"
        << "inside a comment";
    QTest::newRow("script in its escaped states")
        << "<script><!--<script></script>" + bar + "<script></script>" + handler + "--></script>"
        << "inside <script>";
    QTest::newRow("svg") << "<svg><g>" + bar + "</g></svg>"
                         << "inside <svg>";
    QTest::newRow("math text") << "<math><mi>" + bar + "</mi></math>"
                               << "inside <math>";
    QTest::newRow("template") << "<template><div>" + bar + "</div></template>"
                              << "inside <template>";
    QTest::newRow("textarea") << "<textarea>" + bar + "</textarea>"
                              << "inside <textarea>";
    QTest::newRow("title") << "<title>" + bar + "</title>"
                           << "inside <title>";
    QTest::newRow("frameset page")
        << "<head></head><frameset cols=*><frame src=a.html></frameset>" + bar
        << "in a frameset page";
    QTest::newRow("CDATA in svg") << "<svg><![CDATA[</svg>" + bar + "]]></svg>"
                                  << "inside a CDATA section";
}

void AppletImportTest::appletsABrowserDoesNotShow() {
    QFETCH(QByteArray, page);
    QFETCH(QString, hidden);
    const ImportedApplet a = read(page);
    QCOMPARE(describe(a), QStringLiteral("none"));
    QCOMPARE(a.hiddenApplet, hidden);
    // Markup around them ends where a browser ends it: a later applet is taken,
    // but for the frameset, which keeps the whole body from being shown.
    const ImportedApplet later = read(page + "<applet code=button.class width=9></applet>");
    const bool frameset = hidden == QLatin1String("in a frameset page");
    QCOMPARE(later.width, frameset ? std::nullopt : std::optional(QStringLiteral("9")));
    QCOMPARE(later.hiddenApplet, frameset ? hidden : QString());
}

// Each page is read as Chromium builds its tree: which applet is first, its
// params, size and alignment.
void AppletImportTest::treeRulesAsChromiumReads_data() {
    QTest::addColumn<QByteArray>("page");
    QTest::addColumn<QString>("expected");
    QTest::newRow("named references beyond Latin-1")
        << QByteArray("<applet code=button.class><param name=a value=&hearts;&rarr;&notin;>")
        << QString::fromUtf8("title=- align=- size=-x- [a=\u2665\u2192\u2209] others=0");
    QTest::newRow("a cell's end closes the applet")
        << QByteArray("<table><tr><td><applet code=button.class><param name=a value=1></td>"
                      "<param name=b value=2></table>")
        << "title=- align=- size=-x- [a=1] others=0";
    QTest::newRow("a new cell closes the applet")
        << QByteArray("<table><tr><td><applet code=button.class><param name=a value=1>"
                      "<td><param name=b value=2></table>")
        << "title=- align=- size=-x- [a=1] others=0";
    QTest::newRow("</applet> in a table inside it is ignored")
        << QByteArray("<applet code=button.class><param name=a value=1><table><tr><td></applet>"
                      "</td></tr></table><param name=c value=3></applet><param name=d value=4>")
        << "title=- align=- size=-x- [a=1; c=3] others=0";
    QTest::newRow("li closes an open p")
        << QByteArray("<p align=right><li><applet code=button.class>")
        << "title=- align=- size=-x- [] others=0";
    QTest::newRow("dd, dt, summary, xmp close an open p")
        << QByteArray("<p align=right><dd><p align=right><dt><p align=right><summary>"
                      "<p align=left><xmp></xmp><applet code=button.class>")
        << "title=- align=- size=-x- [] others=0";
    QTest::newRow("quirks: a table does not close p")
        << QByteArray("<p align=right><table><tr><td><applet code=button.class>")
        << "title=- align=right size=-x- [] others=0";
    QTest::newRow("standards: a table closes p")
        << QByteArray("<!DOCTYPE html><p align=right><table><tr><td><applet code=button.class>")
        << "title=- align=- size=-x- [] others=0";
    QTest::newRow("a byte order mark before the doctype")
        << QByteArray("\xEF\xBB\xBF<!DOCTYPE html><p align=right><table><tr><td>"
                      "<applet code=button.class>")
        << "title=- align=- size=-x- [] others=0";
    QTest::newRow("an old doctype is quirks")
        << QByteArray("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 3.2 Final//EN\"><p align=right>"
                      "<table><tr><td><applet code=button.class>")
        << "title=- align=right size=-x- [] others=0";
    QTest::newRow("a param in math inside the applet is not its")
        << QByteArray("<applet code=button.class><math><param name=a value=1></math>"
                      "<param name=b value=2></applet>")
        << "title=- align=- size=-x- [b=2] others=0";
    QTest::newRow("a p ends math content")
        << QByteArray("<math><mtext><p>x</mtext><p align=left><applet code=button.class>")
        << "title=- align=left size=-x- [] others=0";
    QTest::newRow("svg style is markup")
        << QByteArray("<svg><style></svg><applet code=button.class width=3>")
        << "title=- align=- size=3x- [] others=0";
    QTest::newRow("a table moves an applet before it")
        << QByteArray("<table><tr><td><applet code=button.class width=1></applet></td></tr>"
                      "<applet code=button.class width=2></applet></table>")
        << "title=- align=- size=2x- [] others=1";
}

void AppletImportTest::treeRulesAsChromiumReads() {
    QFETCH(QByteArray, page);
    QFETCH(QString, expected);
    QCOMPARE(describe(read(page)), expected);
}

// Where the reader departs from a browser on purpose: params deeper than the
// applet's children, the encoding by the bytes and not by a meta, and
// <noscript> read as by a browser without script (the converter refuses it).
void AppletImportTest::deliberateDifferences() {
    QCOMPARE(describe(read("<applet code=button.class><div><param name=a value=1></div>")),
             QStringLiteral("title=- align=- size=-x- [a=1] others=0"));
    QCOMPARE(read("<meta charset=windows-1252><title>Caf\xc3\xa9</title>").title,
             QString::fromUtf8("Caf\u00e9"));
    QCOMPARE(read("<meta charset=utf-8><title>Caf\xe9</title>").title,
             QString::fromUtf8("Caf\u00e9"));
    const QByteArray noscript = "<noscript><applet code=button.class width=4></applet></noscript>";
    QCOMPARE(read(noscript).width, QStringLiteral("4"));
    const ImportedApplet withScript = readAppletPage(noscript, PageScripting::On);
    QVERIFY(!withScript.found);
    QCOMPARE(withScript.hiddenApplet, QStringLiteral("inside <noscript>"));

    // UTF-16 in either byte order is read from its text.
    const QString text =
        QStringLiteral("<applet code=button.class width=7><param name=a value=&hearts;>");
    for (const bool little : {true, false}) {
        QByteArray page = little ? QByteArray("\xFF\xFE") : QByteArray("\xFE\xFF");
        for (const QChar c : text) {
            const char low = char(c.unicode() & 0xFF);
            const char high = char(c.unicode() >> 8);
            page.append(little ? low : high).append(little ? high : low);
        }
        const ImportedApplet a = read(page);
        QVERIFY(a.utf16);
        QCOMPARE(describe(a), QString::fromUtf8("title=- align=- size=7x- [a=\u2665] others=0"));
    }
}

// Links that would run script never reach the record; each is named, and a page
// of many bad values reports the first 20.
void AppletImportTest::scriptLinksDroppedAndProblemsCapped() {
    const QStringList dropped = {"javascript:document.title='PWNED'", " \x01JaVaScRiPt:x()",
                                 "java\tscr\nipt:x", "vbscript:msgbox",
                                 "DATA:text/html,<script>alert(1)</script>!"};
    const QStringList kept = {"javascript.html",    "a/javascript:x",         "mailto:a@b",
                              "./data:x",           "http://x/?javascript:y", "javascripts:x",
                              "abcdefghijklmnopq:x"};
    QByteArray page = "<applet code=button><param name=buttons value=12>";
    const QStringList links = dropped + kept;
    // Given from the highest number down, applied (and reported) by number; the
    // last param of a number wins.
    page += "<param name='link 11' value=first>";
    for (int k = int(links.size()) - 1; k >= 0; --k)
        page += "<param name='link " + QByteArray::number(k) + "' value=\"" + links.at(k).toUtf8() +
                "\">";
    AppletSettings s;
    RecordImportTarget target(s);
    const ImportProblems problems = applyImportedApplet(read(page), target);
    QStringList droppedTexts;
    for (const ImportProblem& problem : problems) {
        if (problem.kind == ImportProblem::Kind::DroppedLink)
            droppedTexts << problem.text;
    }
    QCOMPARE(droppedTexts,
             (QStringList{"link 0: script link dropped: javascript:document.title='PWNED'",
                          "link 1: script link dropped:  \u0020JaVaScRiPt:x()",
                          "link 2: script link dropped: java scr ipt:x",
                          "link 3: script link dropped: vbscript:msgbox",
                          QString::fromUtf8("link 4: script link dropped: DATA:text/html,<script>"
                                            "alert(1)</script>\u2026")}));
    for (int k = 0; k < links.size(); ++k)
        QCOMPARE(s.table.entry(ButtonField::Link, k + 1),
                 k < dropped.size() ? QString() : links.at(k));

    QStringList many;
    for (int i = 0; i < 23; ++i)
        many << QString::number(i);
    QCOMPARE(shownProblems(many), many.first(20) << QString::fromUtf8("\u2026 and 3 more"));
    QCOMPARE(shownProblems(many.first(20)), many.first(20));
    ImportProblems lots;
    for (const QString& text : many)
        lots.append({ImportProblem::Kind::Unusable, text});
    QCOMPARE(importProblemsMessage(QStringLiteral("p.html"), lots).count(u'\n'), 21);
}

QTEST_APPLESS_MAIN(AppletImportTest)
#include "applet_import_test.moc"
