#include "model/errors.h"
#include "model/page_generator.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include "file_size_limit.h"
#include "test_files.h"

using namespace brivane;
using namespace brivane::test;

namespace {

// Records what the generator does to the tab, in order.
class RecordingTab : public HtmlTab {
public:
    void clear() override {
        events << QStringLiteral("clear");
        text.clear();
    }
    void setLines(const AppletPage& page) override {
        events << QStringLiteral("setLines");
        text = page.tabText();
    }
    QStringList events;
    QString text = QStringLiteral("previous\n");
};

// The files in a folder, hidden ones included: a leftover temporary file shows here.
QStringList filesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

} // namespace

class PageGeneratorTest : public QObject {
    Q_OBJECT

private slots:
    void startUpPageIsByteExact();
    void numbersButtonsFromZero();
    void horizontalLeftAlignedAndTyped();
    void emptyTitleAndUnescapedTexts();
    void derivationFailureTouchesNothing();
    void fileThatCannotBeCreatedLeavesTabEmpty();
    void writeFailureKeepsPreviousPage();
    void runningTwiceGivesTheSamePage();
    void tabAndFileAgreeForAnyText();
    void largestBarIsNumberedToTheEnd();
    void linesStayWholeWhateverTheyHold();

private:
    QTemporaryDir dir_;
    QString wd() const { return dir_.path() + QLatin1Char('/'); }
};

void PageGeneratorTest::startUpPageIsByteExact() {
    AppletSettings s;
    RecordingTab tab;
    GenerateAppletPage(s, wd(), tab);

    const QByteArray expected = "<html>\r\n"
                                "\r\n"
                                "<head>\r\n"
                                "<title>untitled</title>\r\n"
                                "</head>\r\n"
                                "\r\n"
                                "<body background bgcolor=\"#000000\">\r\n"
                                "\r\n"
                                "<p align=Center>\r\n"
                                "<applet code=\"button.class\" width=100 height=104>\r\n"
                                "<param name=\"buttons\"        value=\"4\">\r\n"
                                "<param name=\"color\"          value=\"0000A0\">\r\n"
                                "<param name=\"direction\"      value=\"0\">\r\n"
                                "<param name=\"border width\"   value=\"3\">\r\n"
                                "<param name=\"degree\"         value=\"20\">\r\n"
                                "<param name=\"style\"          value=\"0\">\r\n"
                                "<param name=\"f_size\"         value=\"14\">\r\n"
                                "<param name=\"f_style\"        value=\"0\">\r\n"
                                "<param name=\"f_color\"       value=\"FFFFFF\">\r\n"
                                "<param name=\"f_color2\"      value=\"FF0000\">\r\n"
                                "<param name=\"position\"      value=\"0\">\r\n"
                                "<param name=\"f_offset\"      value=\"4\">\r\n"
                                "<param name=\"font\"          value=\"TimesRoman\">\r\n"
                                "<param name=\"label 0\"         value=\"\">\r\n"
                                "<param name=\"label 1\"         value=\"\">\r\n"
                                "<param name=\"label 2\"         value=\"\">\r\n"
                                "<param name=\"label 3\"         value=\"\">\r\n"
                                "<param name=\"link 0\"          value=\"\">\r\n"
                                "<param name=\"link 1\"          value=\"\">\r\n"
                                "<param name=\"link 2\"          value=\"\">\r\n"
                                "<param name=\"link 3\"          value=\"\">\r\n"
                                "<param name=\"image 0\"         value=\"\">\r\n"
                                "<param name=\"image 1\"         value=\"\">\r\n"
                                "<param name=\"image 2\"         value=\"\">\r\n"
                                "<param name=\"image 3\"         value=\"\">\r\n"
                                "<param name=\"frame 0\"          value=\"\">\r\n"
                                "<param name=\"frame 1\"          value=\"\">\r\n"
                                "<param name=\"frame 2\"          value=\"\">\r\n"
                                "<param name=\"frame 3\"          value=\"\">\r\n"
                                "</applet>\r\n"
                                "</p>\r\n"
                                "\r\n"
                                "</body>\r\n"
                                "\r\n"
                                "</html>\r\n"
                                "\r\n";
    const QByteArray actual = readFile(wd() + QStringLiteral("untitled.html"));
    QCOMPARE(actual, expected);
    QCOMPARE(actual.count("\r\n"), 46);

    // The tab: items 9 to 26, each followed by a line break, nothing else.
    QCOMPARE(tab.events, (QStringList{"clear", "setLines"}));
    const qsizetype from = expected.indexOf("<p align=");
    const qsizetype to = expected.indexOf("</p>\r\n") + 6;
    QCOMPARE(tab.text, QString::fromUtf8(expected.mid(from, to - from)).replace("\r\n", "\n"));
    QCOMPARE(tab.text.count(QLatin1Char('\n')), 2 + 13 + 16 + 2);

    const AppletPage page = BuildAppletPage(s);
    QCOMPARE(page.bytes, expected);
    QCOMPARE(page.tabText(), tab.text);
    QCOMPARE(appletPagePath(QStringLiteral("/w/"), QStringLiteral("t")),
             QStringLiteral("/w/t.html"));
    QCOMPARE(filesIn(dir_.path()), QStringList{"untitled.html"});
}

void PageGeneratorTest::numbersButtonsFromZero() {
    AppletSettings s;
    s.buttons = QStringLiteral("1");
    s.table.setEntry(ButtonField::Label, 1, QStringLiteral("Home"));
    s.table.setEntry(ButtonField::Link, 1, QStringLiteral("index.html"));
    s.table.setEntry(ButtonField::Image, 1, QStringLiteral("home.gif"));
    s.table.setEntry(ButtonField::Frame, 1, QStringLiteral("_top"));
    s.table.setEntry(ButtonField::Label, 2, QStringLiteral("beyond N"));
    DeriveAppletValues(s);
    const QString part = QString::fromUtf8(BuildAppletPage(s).appletLines());
    QVERIFY(part.contains(QStringLiteral("<param name=\"label 0\"         value=\"Home\">\r\n"
                                         "<param name=\"link 0\"          value=\"index.html\">\r\n"
                                         "<param name=\"image 0\"         value=\"home.gif\">\r\n"
                                         "<param name=\"frame 0\"          value=\"_top\">\r\n"
                                         "</applet>\r\n</p>\r\n")));
    QVERIFY(!part.contains(QStringLiteral("beyond N")));
    QCOMPARE(part.count(QStringLiteral("\r\n")), 2 + 13 + 4 + 2);
    QVERIFY(part.contains(QStringLiteral("width=100 height=26>")));

    // N = 300: every group numbered 0 to 299 with entries 1 to 300, in group order.
    s.buttons = QStringLiteral("300");
    for (int k = 1; k <= 300; ++k) {
        s.table.setEntry(ButtonField::Label, k, QStringLiteral("L%1").arg(k));
        s.table.setEntry(ButtonField::Link, k, QStringLiteral("K%1").arg(k));
        s.table.setEntry(ButtonField::Image, k, QStringLiteral("I%1").arg(k));
        s.table.setEntry(ButtonField::Frame, k, QStringLiteral("F%1").arg(k));
    }
    DeriveAppletValues(s);
    RecordingTab tab;
    GenerateAppletPage(s, wd(), tab);
    const QByteArray file = readFile(wd() + QStringLiteral("untitled.html"));
    const QList<QByteArray> lines = file.split('\n');
    // 30 + 4N lines, and the split leaves one empty piece after the last CR LF.
    QCOMPARE(lines.size(), 30 + 4 * 300 + 1);
    QVERIFY(lines.last().isEmpty());
    for (const QByteArray& line : lines.mid(0, lines.size() - 1))
        QVERIFY(line.endsWith('\r'));
    QByteArray expectedGroups;
    const char* names[] = {"label ", "link ", "image ", "frame "};
    const char* separators[] = {"\"         value=\"", "\"          value=\"",
                                "\"         value=\"", "\"          value=\""};
    const char* values[] = {"L", "K", "I", "F"};
    for (int g = 0; g < 4; ++g)
        for (int k = 1; k <= 300; ++k)
            expectedGroups += QByteArray("<param name=\"") + names[g] + QByteArray::number(k - 1) +
                              separators[g] + values[g] + QByteArray::number(k) + "\">\r\n";
    const qsizetype start = file.indexOf("<param name=\"label 0\"");
    QCOMPARE(file.mid(start, expectedGroups.size()), expectedGroups);
    QVERIFY(file.mid(start + expectedGroups.size()).startsWith("</applet>\r\n"));
    QVERIFY(file.contains("width=100 height=7800>"));
    QCOMPARE(tab.text.count(QLatin1Char('\n')), 2 + 13 + 1200 + 2);

    // N of 0 or less: the groups are empty.
    s.buttons = QStringLiteral("0");
    DeriveAppletValues(s);
    QVERIFY(!BuildAppletPage(s).tabText().contains(QStringLiteral("label")));
    s.buttons = QStringLiteral("-3");
    DeriveAppletValues(s);
    QVERIFY(!BuildAppletPage(s).tabText().contains(QStringLiteral("label")));
}

void PageGeneratorTest::horizontalLeftAlignedAndTyped() {
    AppletSettings s;
    s.vertical = false;
    s.alignIndex = 1;
    s.align = QStringLiteral("Left ");
    s.width = QStringLiteral(" 100");
    s.buttons = QStringLiteral(" 4");
    RecordingTab tab;
    GenerateAppletPage(s, wd(), tab);
    const QByteArray file = readFile(wd() + QStringLiteral("untitled.html"));
    QVERIFY(file.contains("\r\n\r\n<p align=Left >\r\n"
                          "<applet code=\"button.class\" width=400 height=26>\r\n"
                          "<param name=\"buttons\"        value=\" 4\">\r\n"));
    QVERIFY(file.contains("<param name=\"direction\"      value=\"1\">\r\n"));
    QVERIFY(file.contains("<param name=\"label 3\""));
    QVERIFY(!file.contains("<param name=\"label 4\""));
    QCOMPARE(file.count("\r\n"), 46);
    QVERIFY(tab.text.startsWith(QStringLiteral("<p align=Left >\n")));
}

void PageGeneratorTest::emptyTitleAndUnescapedTexts() {
    AppletSettings s;
    s.title.clear();
    s.table.setEntry(ButtonField::Label, 2, QStringLiteral("Say \"hi\" & <go>"));
    s.table.setEntry(ButtonField::Link, 3, QStringLiteral("  spaced  "));
    s.table.setEntry(ButtonField::Image, 1, QString::fromUtf8("caf\xc3\xa9.gif"));
    s.border = QStringLiteral("07");
    RecordingTab tab;
    GenerateAppletPage(s, wd(), tab);
    const QByteArray file = readFile(wd() + QStringLiteral(".html"));
    QVERIFY(file.contains("<title></title>\r\n"));
    QVERIFY(file.contains("<param name=\"label 1\"         value=\"Say \"hi\" & <go>\">\r\n"));
    QVERIFY(file.contains("<param name=\"link 2\"          value=\"  spaced  \">\r\n"));
    QVERIFY(file.contains("<param name=\"image 0\"         value=\"caf\xc3\xa9.gif\">\r\n"));
    QVERIFY(file.contains("<param name=\"border width\"   value=\"07\">\r\n"));
    QVERIFY(tab.text.contains(QString::fromUtf8("caf\xc3\xa9.gif")));
}

void PageGeneratorTest::derivationFailureTouchesNothing() {
    QTemporaryDir dir;
    const QString page = dir.path() + QStringLiteral("/untitled.html");
    QFile::remove(page);
    {
        QFile f(page);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("old page");
    }
    for (const char* field : {"width", "height", "buttons"}) {
        AppletSettings s;
        if (qstrcmp(field, "width") == 0)
            s.width.clear();
        else if (qstrcmp(field, "height") == 0)
            s.height = QStringLiteral(" ");
        else
            s.buttons.clear();
        RecordingTab tab;
        try {
            GenerateAppletPage(s, dir.path() + QLatin1Char('/'), tab);
            QFAIL("no conversion error");
        } catch (const ConversionError& e) {
            QVERIFY(e.message().endsWith(QStringLiteral("' is not a valid integer value")));
        }
        QVERIFY(tab.events.isEmpty());
        QCOMPARE(tab.text, QStringLiteral("previous\n"));
        QCOMPARE(readFile(page), QByteArray("old page"));
        QCOMPARE(filesIn(dir.path()), QStringList{"untitled.html"});
    }
}

void PageGeneratorTest::fileThatCannotBeCreatedLeavesTabEmpty() {
    // A title with a slash names a folder that does not exist.
    AppletSettings s;
    s.title = QStringLiteral("no such folder/page");
    RecordingTab tab;
    try {
        GenerateAppletPage(s, wd(), tab);
        QFAIL("no I/O error");
    } catch (const IoError& e) {
        QCOMPARE(e.message(), QStringLiteral("Invalid filename"));
    }
    QCOMPARE(tab.events, QStringList{"clear"});
    QVERIFY(tab.text.isEmpty());

    // A folder where the page should be.
    QVERIFY(QDir(dir_.path()).mkpath(QStringLiteral("taken.html")));
    s.title = QStringLiteral("taken");
    RecordingTab tab2;
    try {
        GenerateAppletPage(s, wd(), tab2);
        QFAIL("no I/O error");
    } catch (const IoError& e) {
        QCOMPARE(e.message(), QStringLiteral("File access denied"));
    }
    QVERIFY(tab2.text.isEmpty());

    // A title with a NUL, which would cut the path short at notes.txt.
    QVERIFY(QDir(dir_.path()).mkpath(QStringLiteral("x")));
    writeFile(wd() + QStringLiteral("x/notes.txt"), "notes");
    s.title = QStringLiteral("x/notes.txt") + QChar(u'\0') + QStringLiteral("junk");
    RecordingTab tab3;
    try {
        GenerateAppletPage(s, wd(), tab3);
        QFAIL("no I/O error");
    } catch (const IoError& e) {
        QCOMPARE(e.message(), QStringLiteral("I/O error 22"));
    }
    QCOMPARE(readFile(wd() + QStringLiteral("x/notes.txt")), QByteArray("notes"));
    QCOMPARE(filesIn(wd() + QStringLiteral("x")), QStringList{"notes.txt"});
}

void PageGeneratorTest::writeFailureKeepsPreviousPage() {
    // A real write failure: the file size limit stops the write with EFBIG. The
    // signal it would send is ignored, so write() returns the error instead.
    QTemporaryDir dir;
    const QString wdir = dir.path() + QLatin1Char('/');
    AppletSettings s;
    RecordingTab tab;
    GenerateAppletPage(s, wdir, tab);
    const QByteArray previous = readFile(wdir + QStringLiteral("untitled.html"));

    s.buttons = QStringLiteral("300");
    RecordingTab tab2;
    QString message;
    {
        FileSizeLimit limit(1000);
        QVERIFY(limit.active());
        try {
            GenerateAppletPage(s, wdir, tab2);
        } catch (const IoError& e) {
            message = e.message();
        }
    }

    QCOMPARE(message, QStringLiteral("I/O error %1").arg(EFBIG));
    // The tab is full, the previous page intact, no temporary file left.
    QCOMPARE(tab2.events, (QStringList{"clear", "setLines"}));
    QCOMPARE(tab2.text.count(QLatin1Char('\n')), 2 + 13 + 1200 + 2);
    QCOMPARE(readFile(wdir + QStringLiteral("untitled.html")), previous);
    QCOMPARE(filesIn(dir.path()), QStringList{"untitled.html"});
}

void PageGeneratorTest::runningTwiceGivesTheSamePage() {
    AppletSettings s;
    s.table.setEntry(ButtonField::Link, 2, QStringLiteral("two.html"));
    RecordingTab tab;
    GenerateAppletPage(s, wd(), tab);
    const QByteArray first = readFile(wd() + QStringLiteral("untitled.html"));
    const QString firstTab = tab.text;
    GenerateAppletPage(s, wd(), tab);
    QCOMPARE(readFile(wd() + QStringLiteral("untitled.html")), first);
    QCOMPARE(tab.text, firstTab);
}

void PageGeneratorTest::tabAndFileAgreeForAnyText() {
    // Texts of many lengths with characters beyond ASCII (two-, three- and
    // four-byte ones) at any position: the page file holds their UTF-8, the tab
    // the same lines.
    const QString specials[] = {QString::fromUtf8("\xc3\xa9"), QString::fromUtf8("\xe2\x82\xac"),
                                QString::fromUtf8("\xf0\x9f\x98\x80"), QStringLiteral("\x7f"),
                                QStringLiteral("\"")};
    AppletSettings s;
    s.buttons = QStringLiteral("120");
    QRandomGenerator random(42);
    for (int k = 1; k <= 120; ++k) {
        for (ButtonField field :
             {ButtonField::Label, ButtonField::Link, ButtonField::Image, ButtonField::Frame}) {
            const int length = int(random.bounded(40));
            QString text;
            for (int i = 0; i < length; ++i)
                text += QChar(u'a' + char16_t(random.bounded(26)));
            if (k % 3 != 0 && length > 0)
                text.insert(int(random.bounded(length + 1)), specials[random.bounded(5)]);
            s.table.setEntry(field, k, text);
        }
    }
    s.title = QString::fromUtf8("T\xc3\xadtulo");
    s.font = QString::fromUtf8("\xe2\x82\xac");
    RecordingTab tab;
    GenerateAppletPage(s, wd(), tab);

    // The per-button block composed the plainest way, as the oracle.
    QString block;
    const struct {
        ButtonField field;
        const char* prefix;
        const char* separator;
    } groups[] = {{ButtonField::Label, "<param name=\"label ", "\"         value=\""},
                  {ButtonField::Link, "<param name=\"link ", "\"          value=\""},
                  {ButtonField::Image, "<param name=\"image ", "\"         value=\""},
                  {ButtonField::Frame, "<param name=\"frame ", "\"          value=\""}};
    for (const auto& group : groups)
        for (int k = 1; k <= 120; ++k)
            block += QLatin1String(group.prefix) + QString::number(k - 1) +
                     QLatin1String(group.separator) + s.table.entry(group.field, k) +
                     QStringLiteral("\">\r\n");
    const QByteArray file = readFile(wd() + s.title + QStringLiteral(".html"));
    QVERIFY(file.contains(block.toUtf8() + "</applet>\r\n"));
    QVERIFY(file.contains(QString::fromUtf8("<title>T\xc3\xadtulo</title>\r\n").toUtf8()));
    QVERIFY(
        tab.text.contains(QString(block).replace(QStringLiteral("\r\n"), QStringLiteral("\n"))));
    // Text beyond ASCII: the page begins with the UTF-8 byte order mark.
    QCOMPARE(file, "\xEF\xBB\xBF" + BuildAppletPage(s).bytes);
    QVERIFY(tab.text.contains(QString::fromUtf8("\xf0\x9f\x98\x80")));
    QVERIFY(tab.text.startsWith(QStringLiteral("<p align=")));
}

void PageGeneratorTest::largestBarIsNumberedToTheEnd() {
    AppletSettings s;
    s.buttons = QString::number(kMaxButtons);
    s.table.setEntry(ButtonField::Frame, kMaxButtons, QStringLiteral("last"));
    s.table.setEntry(ButtonField::Label, 10000, QStringLiteral("ten thousand"));
    RecordingTab tab;
    GenerateAppletPage(s, wd(), tab);
    const QByteArray file = readFile(wd() + QStringLiteral("untitled.html"));
    QCOMPARE(file.count("\r\n"), 30 + 4 * kMaxButtons);
    QVERIFY(file.contains("<param name=\"label 9998\"         value=\"\">\r\n"
                          "<param name=\"label 9999\"         value=\"ten thousand\">\r\n"
                          "<param name=\"label 10000\"         value=\"\">\r\n"));
    QVERIFY(file.contains("<param name=\"frame 32766\"          value=\"last\">\r\n</applet>\r\n"));
    QVERIFY(file.contains("width=100 height=851942>"));
    QCOMPARE(tab.text.count(QLatin1Char('\n')), 2 + 13 + 4 * kMaxButtons + 2);
    QCOMPARE(file, BuildAppletPage(s).bytes);
}

void PageGeneratorTest::linesStayWholeWhateverTheyHold() {
    // Line breaks, separators and frame marks inside a value: each applet line is
    // still one line, in the page, on the clipboard and in the saved file.
    const QString odd = QStringLiteral("a\nb\r\nc\rd") + QChar(0x2029) + QChar(0x2028) +
                        QChar(0xFDD0) + QChar(0xA0) + QStringLiteral("\n\ne");
    AppletSettings s;
    s.buttons = QStringLiteral("2");
    s.table.setEntry(ButtonField::Label, 1, odd);
    s.table.setEntry(ButtonField::Frame, 2, QStringLiteral("\r\n"));
    DeriveAppletValues(s);
    const AppletPage page = BuildAppletPage(s);
    QCOMPARE(page.lineCount(), 2 + 13 + 8 + 2);
    QCOMPARE(page.line(0), QByteArrayView("<p align=Center>"));
    QCOMPARE(page.line(15),
             QByteArrayView(("<param name=\"label 0\"         value=\"" + odd + "\">").toUtf8()));
    QCOMPARE(page.line(22), QByteArrayView("<param name=\"frame 1\"          value=\"\r\n\">"));
    QCOMPARE(page.line(24), QByteArrayView("</p>"));
    QString joined;
    for (qsizetype i = 0; i < page.lineCount(); ++i)
        joined += QString::fromUtf8(page.line(i)) + u'\n';
    QCOMPARE(page.tabText(), joined);
    QCOMPARE(page.text(15, 16), QStringLiteral("<param name=\"label 0\"         value=\"") + odd +
                                    QStringLiteral("\">\n"));
    // The web page's part is split at every CR LF and nowhere else.
    const AppletPage part = linesOf("a\r\r\nb\rc\r\n\r\nd\r");
    QCOMPARE(part.lineEnds, (QList<qsizetype>{2, 7, 9}));
    QCOMPARE(part.tabText(), QStringLiteral("a\r\nb\rc\n\n"));

    // Save HTML writes the applet part exactly as the page file holds it.
    const QString saved = wd() + QStringLiteral("saved.txt");
    SaveAppletHtml(page, saved);
    const qsizetype from = page.bytes.indexOf("<p align=");
    const qsizetype to = page.bytes.indexOf("</p>\r\n") + 6;
    QCOMPARE(readFile(saved), page.bytes.mid(from, to - from));
    QVERIFY(readFile(saved).endsWith("</applet>\r\n</p>\r\n"));

    // The largest page is built in one buffer of about its size: a buffer that
    // grows is copied, and holds up to twice the page meanwhile.
    AppletSettings big;
    big.buttons = QString::number(kMaxButtons);
    for (int k = 1; k <= kMaxButtons; ++k)
        big.table.setEntry(ButtonField::Label, k, QString(200, u'x'));
    DeriveAppletValues(big);
    const AppletPage bigPage = BuildAppletPage(big);
    QVERIFY(bigPage.bytes.size() > 200 * kMaxButtons);
    QVERIFY(bigPage.bytes.capacity() - bigPage.bytes.size() < 64 * 1024);

    try {
        SaveAppletHtml(page, QString());
        QFAIL("no I/O error");
    } catch (const IoError& e) {
        QCOMPARE(e.message(), QStringLiteral("Invalid filename"));
    }
}

QTEST_GUILESS_MAIN(PageGeneratorTest)
#include "page_generator_test.moc"
