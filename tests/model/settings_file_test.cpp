#include "model/atomic_file_writer.h"
#include "model/errors.h"
#include "model/file_io.h"
#include "model/settings_file.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include "test_files.h"

using namespace brivane;
using namespace brivane::test;

namespace {

QStringList readLines(const QByteArray& bytes, int count) {
    SettingsLineReader reader(bytes);
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << reader.nextLine();
    return lines;
}

// Records every call a load makes, in order.
class RecordingTarget : public SettingsTarget {
public:
    void applyLine(SettingsLine line, const QString& text) override {
        calls << QStringLiteral("%1=%2").arg(int(line)).arg(text);
        if (line == SettingsLine::Buttons)
            buttons = text;
    }
    QString buttonsText() const override { return buttons; }
    void setButtonEntry(ButtonField field, int k, const QString& text) override {
        calls << QStringLiteral("b%1.%2=%3").arg(k).arg(int(field)).arg(text);
    }
    QStringList calls;
    QString buttons = QStringLiteral("4");
};

const QStringList kStartUpLines = {
    "Brivane File", "100", "26", "4", "10485760", "0",       "3", "20", "0", "2", "0",
    "16777215",     "255", "0",  "4", "0",        "untitled"};

} // namespace

class SettingsFileTest : public QObject {
    Q_OBJECT

private slots:
    void startUpFileIsByteExact();
    void writesButtonBlockAndCurrentColours();
    void derivationFailureLeavesFileUntouched();
    void readerSplitsOnlyAtCarriageReturn();
    void readerDecodesUtf8OrWindows1252();
    void refusesHeaderVariants();
    void loadsLinesInOrderOneAtATime();
    void recordTargetAppliesEveryKindOfLine();
    void shortFileStopsAtTheEmptyColourLine();
    void keepsEntriesAboveTheCount();
    void roundTripGivesIdenticalBytes();
    void survivesHugeLinesAndRandomBytes();
};

void SettingsFileTest::startUpFileIsByteExact() {
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/s.txt");
    AppletSettings s;
    WriteSettingsFile(s, path);
    QStringList expected = kStartUpLines;
    for (int i = 0; i < 16; ++i)
        expected << QString();
    QCOMPARE(readFile(path), crlf(expected));
    QCOMPARE(readFile(path).count("\r\n"), 33);
}

void SettingsFileTest::writesButtonBlockAndCurrentColours() {
    AppletSettings s;
    s.buttons = QStringLiteral("2");
    s.buttonColour = AppletColour::fromRgb(0, 0, 255); // as Reset All leaves it
    s.fontSizeIndex = -1;
    s.fontSize.clear();
    s.vertical = false;
    s.plain = false;
    s.bold = true;
    s.center = false;
    s.left = true;
    s.title = QString::fromUtf8("Caf\xc3\xa9");
    s.width = QStringLiteral(" 100");
    s.table.setEntry(ButtonField::Label, 1, QStringLiteral("L1"));
    s.table.setEntry(ButtonField::Link, 1, QStringLiteral("K1"));
    s.table.setEntry(ButtonField::Image, 1, QStringLiteral("I1"));
    s.table.setEntry(ButtonField::Frame, 1, QStringLiteral("F1"));
    s.table.setEntry(ButtonField::Frame, 2, QStringLiteral("F2"));
    s.table.setEntry(ButtonField::Label, 3, QStringLiteral("not written"));
    DeriveAppletValues(s);
    QCOMPARE(settingsFileBytes(s), crlf({"Brivane File",
                                         " 100",
                                         "26",
                                         "2",
                                         "16711680",
                                         "1",
                                         "3",
                                         "20",
                                         "0",
                                         "-1",
                                         "1",
                                         "16777215",
                                         "255",
                                         "1",
                                         "4",
                                         "0",
                                         QString::fromUtf8("Caf\xc3\xa9"),
                                         "L1",
                                         "K1",
                                         "I1",
                                         "F1",
                                         "",
                                         "",
                                         "",
                                         "F2"}));
    QCOMPARE(settingsLineText(s, SettingsLine::ButtonColour), QStringLiteral("16711680"));
    QCOMPARE(settingsLineText(s, SettingsLine::Title), s.title);
}

void SettingsFileTest::derivationFailureLeavesFileUntouched() {
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/s.txt");
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("previous");
    }
    AppletSettings s;
    s.width.clear();
    try {
        WriteSettingsFile(s, path);
        QFAIL("no conversion error");
    } catch (const ConversionError& e) {
        QCOMPARE(e.message(), QStringLiteral("'' is not a valid integer value"));
    }
    QCOMPARE(readFile(path), QByteArray("previous"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"s.txt"});

    // A folder in place of the file: the folder stays, no temporary file is left.
    AppletSettings ok;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.txt")));
    try {
        WriteSettingsFile(ok, dir.path() + QStringLiteral("/folder.txt"));
        QFAIL("no I/O error");
    } catch (const IoError& e) {
        QCOMPARE(e.message(), QStringLiteral("File access denied"));
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"s.txt"});
}

void SettingsFileTest::readerSplitsOnlyAtCarriageReturn() {
    // CR LF, a lone CR and a lone LF inside a value.
    QCOMPARE(readLines("a\r\nb\rc\nd\r\n\r\ne", 6), (QStringList{"a", "b", "c\nd", "", "e", ""}));
    // Only one LF after a CR is skipped.
    QCOMPARE(readLines("a\r\n\nb\r\n", 3), (QStringList{"a", "\nb", ""}));
    // Byte 26 ends the text; what follows is never read.
    QCOMPARE(readLines("a\r\nb\x1A\r\nc\r\n", 4), (QStringList{"a", "b", "", ""}));
    QCOMPARE(readLines("\x1A"
                       "Brivane File\r\n",
                       2),
             (QStringList{"", ""}));
    // Past the end: empty lines without end.
    SettingsLineReader reader(QByteArray("x"));
    QVERIFY(!reader.atEnd());
    QCOMPARE(reader.nextLine(), QStringLiteral("x"));
    QVERIFY(reader.atEnd());
    for (int i = 0; i < 1000; ++i)
        QVERIFY(reader.nextLine().isEmpty());
    SettingsLineReader empty{QByteArray()};
    QVERIFY(empty.atEnd());
    QVERIFY(empty.nextLine().isEmpty());
    // A trailing CR ends the last line; no extra line appears before the endless empties.
    QCOMPARE(readLines("a\r", 2), (QStringList{"a", ""}));
}

void SettingsFileTest::readerDecodesUtf8OrWindows1252() {
    QCOMPARE(readLines("Caf\xc3\xa9\r\n\xe2\x82\xac\r\n", 2),
             (QStringList{QString::fromUtf8("Caf\xc3\xa9"), QString::fromUtf8("\xe2\x82\xac")}));
    // One byte that is not UTF-8 makes the whole text Windows-1252, the lines before it too.
    const QStringList old = readLines("\xc3\xa9\r\nCaf\xe9 \x80 \x93q\x94 \x9f \x81 \xff\r\n", 2);
    QCOMPARE(old.at(0), QString::fromUtf8("\xc3\x83\xc2\xa9"));
    QCOMPARE(old.at(1), QString::fromUtf8("Caf\xc3\xa9 \xe2\x82\xac \xe2\x80\x9cq\xe2\x80\x9d "
                                          "\xc5\xb8 \xc2\x81 \xc3\xbf"));
    // A byte order mark stays part of line 1, so such a file's header is refused.
    SettingsLineReader bom(QByteArray("\xef\xbb\xbf"
                                      "Brivane File\r\n"));
    RecordingTarget target;
    QCOMPARE(loadSettings(bom, target), LoadResult::NotABrivaneFile);
    QVERIFY(target.calls.isEmpty());
    // Nor is it dropped from any other line, nor is one of several.
    QCOMPARE(
        readLines("x\r\n\xef\xbb\xbfy\r\n\xef\xbb\xbf\xef\xbb\xbf\r\n", 3),
        (QStringList{"x", QString(QChar(0xFEFF)) + QLatin1Char('y'), QString(2, QChar(0xFEFF))}));
}

void SettingsFileTest::refusesHeaderVariants() {
    const QByteArray rest = crlf(kStartUpLines.mid(1));
    const QByteArray headers[] = {
        "brivane file\r\n",
        "BRIVANE FILE\r\n",
        "Brivane File \r\n",
        " Brivane File\r\n",
        "Brivane  File\r\n",
        "Brivane File\n",
        "",
        "\r\n",
    };
    for (const QByteArray& header : headers) {
        SettingsLineReader reader(header + rest);
        RecordingTarget target;
        QCOMPARE(loadSettings(reader, target), LoadResult::NotABrivaneFile);
        QVERIFY(target.calls.isEmpty());
    }
    // Lines ending in LF alone: the first line runs on to the end of the text.
    QByteArray lfOnly = crlf(kStartUpLines);
    lfOnly.replace("\r\n", "\n");
    SettingsLineReader reader(lfOnly);
    RecordingTarget target;
    QCOMPARE(loadSettings(reader, target), LoadResult::NotABrivaneFile);
    QVERIFY(target.calls.isEmpty());
    // An empty file on disk, read as the window reads it.
    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/empty.txt");
    writeFileAtomically(path, QByteArray());
    SettingsLineReader fromDisk(readWholeFile(path));
    QCOMPARE(loadSettings(fromDisk, target), LoadResult::NotABrivaneFile);
    QVERIFY(target.calls.isEmpty());
}

void SettingsFileTest::loadsLinesInOrderOneAtATime() {
    QStringList lines = kStartUpLines;
    lines[3] = QStringLiteral("2");
    lines << "L1"
          << "K1"
          << "I1"
          << "F1"
          << "L2"
          << "K2\nmore";
    SettingsLineReader reader(crlf(lines));
    RecordingTarget target;
    QCOMPARE(loadSettings(reader, target), LoadResult::Loaded);
    QStringList expected;
    for (int i = 1; i < 17; ++i)
        expected << QStringLiteral("%1=%2").arg(int(kSettingsLines[size_t(i)].line)).arg(lines[i]);
    // Label, link, image, frame for each button; the lines missing at the end are empty.
    expected << "b1.1=L1"
             << "b1.0=K1"
             << "b1.2=I1"
             << "b1.3=F1"
             << "b2.1=L2"
             << "b2.0=K2\nmore"
             << "b2.2="
             << "b2.3=";
    QCOMPARE(target.calls, expected);
    QCOMPARE(kSettingsButtonFields[0], ButtonField::Label);
    QCOMPARE(kSettingsButtonFields[1], ButtonField::Link);
    QCOMPARE(kSettingsButtonFields[2], ButtonField::Image);
    QCOMPARE(kSettingsButtonFields[3], ButtonField::Frame);

    // The count is what the target holds after line 4 (its own checks may change it).
    class ClampingTarget : public RecordingTarget {
    public:
        QString buttonsText() const override { return QStringLiteral("1"); }
    } clamping;
    SettingsLineReader again(crlf(lines));
    QCOMPARE(loadSettings(again, clamping), LoadResult::Loaded);
    QCOMPARE(clamping.calls.size(), 16 + 4);

    // A bad count ends the load with the conversion error.
    lines[3] = QStringLiteral("four");
    SettingsLineReader bad(crlf(lines));
    RecordingTarget target2;
    try {
        loadSettings(bad, target2);
        QFAIL("no conversion error");
    } catch (const ConversionError& e) {
        QCOMPARE(e.text(), QStringLiteral("four"));
    }
    QCOMPARE(target2.calls.size(), 16);
}

void SettingsFileTest::recordTargetAppliesEveryKindOfLine() {
    AppletSettings s;
    s.alignIndex = 2;
    s.align = QStringLiteral("Right");
    s.plain = false;
    s.italic = true;
    RecordSettingsTarget target(s);
    const QStringList lines = {"Brivane File", "50", "30", "1",   "65280", "2", "1", "9",   "7",
                               "99",           "3",  "0",  "$FF", "2",     "0", "1", "Mine"};
    SettingsLineReader reader(crlf(lines) + crlf({"l", "k", "i", "f"}));
    QCOMPARE(loadSettings(reader, target), LoadResult::Loaded);
    QCOMPARE(s.width, QStringLiteral("50"));
    QCOMPARE(s.height, QStringLiteral("30"));
    QCOMPARE(s.buttons, QStringLiteral("1"));
    QCOMPARE(s.buttonColour.hex, QStringLiteral("00FF00"));
    QCOMPARE(s.buttonColour.value, 65280);
    QVERIFY(!s.vertical);
    QCOMPARE(s.border, QStringLiteral("1"));
    QCOMPARE(s.degree, QStringLiteral("9"));
    QVERIFY(!s.style0);
    QCOMPARE(s.fontSizeIndex, -1);
    QVERIFY(s.fontSize.isEmpty());
    // "3" leaves the font style as it was.
    QVERIFY(!s.plain && !s.bold && s.italic);
    QCOMPARE(s.fontColour.value, 0);
    QCOMPARE(s.fontColour.hex, QStringLiteral("000000"));
    QCOMPARE(s.clickColour.value, 255);
    QCOMPARE(s.clickColour.hex, QStringLiteral("FF0000"));
    QVERIFY(!s.left && !s.center && s.right);
    QCOMPARE(s.fOffset, QStringLiteral("0"));
    QCOMPARE(s.fontIndex, 1);
    QCOMPARE(s.font, QStringLiteral("Helvetica"));
    QCOMPARE(s.title, QStringLiteral("Mine"));
    QCOMPARE(s.table.entry(ButtonField::Label, 1), QStringLiteral("l"));
    QCOMPARE(s.table.entry(ButtonField::Link, 1), QStringLiteral("k"));
    QCOMPARE(s.table.entry(ButtonField::Image, 1), QStringLiteral("i"));
    QCOMPARE(s.table.entry(ButtonField::Frame, 1), QStringLiteral("f"));
    // The applet alignment is not in the file.
    QCOMPARE(s.align, QStringLiteral("Right"));

    target.applyLine(SettingsLine::FontSizeIndex, QStringLiteral("-1"));
    QCOMPARE(s.fontSizeIndex, -1);
    target.applyLine(SettingsLine::FontSizeIndex, QStringLiteral("12"));
    QCOMPARE(s.fontSize, QStringLiteral("72"));
    target.applyLine(SettingsLine::Direction, QStringLiteral("0"));
    QVERIFY(s.vertical);
    target.applyLine(SettingsLine::FontStyle, QStringLiteral("1"));
    QVERIFY(!s.plain && s.bold && !s.italic);
    target.applyLine(SettingsLine::Position, QStringLiteral("0"));
    QVERIFY(!s.left && s.center && !s.right);
    target.applyLine(SettingsLine::Position, QString());
    QVERIFY(!s.left && s.center && !s.right);
    // Only the bare digit is a code: in a group of two anything else is its second option.
    target.applyLine(SettingsLine::Style, QStringLiteral("0"));
    QVERIFY(s.style0);
    target.applyLine(SettingsLine::Style, QStringLiteral(" 0"));
    QVERIFY(!s.style0);
    target.applyLine(SettingsLine::Direction, QString());
    QVERIFY(!s.vertical);
    target.applyLine(SettingsLine::ButtonColour, QStringLiteral("16711680"));
    QCOMPARE(s.buttonColour.hex, QStringLiteral("0000FF"));
}

void SettingsFileTest::shortFileStopsAtTheEmptyColourLine() {
    AppletSettings s;
    RecordSettingsTarget target(s);
    SettingsLineReader reader(crlf({"Brivane File", "80", "", "6"}));
    try {
        loadSettings(reader, target);
        QFAIL("no conversion error");
    } catch (const ConversionError& e) {
        QCOMPARE(e.message(), QStringLiteral("'' is not a valid integer value"));
    }
    QCOMPARE(s.width, QStringLiteral("80"));
    QVERIFY(s.height.isEmpty());
    QCOMPARE(s.buttons, QStringLiteral("6"));
    QCOMPARE(s.buttonColour.value, 10485760);

    // Ctrl-Z in the middle of the per-button block: the rest reads empty.
    AppletSettings t;
    t.table.setEntry(ButtonField::Link, 2, QStringLiteral("old"));
    RecordSettingsTarget target2(t);
    QStringList lines = kStartUpLines;
    lines[3] = QStringLiteral("2");
    SettingsLineReader reader2(crlf(lines) + "A\r\nB\x1A\r\nC\r\nD\r\nE\r\nF\r\n");
    QCOMPARE(loadSettings(reader2, target2), LoadResult::Loaded);
    QCOMPARE(t.table.entry(ButtonField::Label, 1), QStringLiteral("A"));
    QCOMPARE(t.table.entry(ButtonField::Link, 1), QStringLiteral("B"));
    QVERIFY(t.table.entry(ButtonField::Image, 1).isEmpty());
    QVERIFY(t.table.entry(ButtonField::Link, 2).isEmpty());
}

void SettingsFileTest::keepsEntriesAboveTheCount() {
    AppletSettings s;
    s.buttons = QStringLiteral("8");
    for (int k = 1; k <= 8; ++k)
        s.table.setEntry(ButtonField::Label, k, QStringLiteral("old %1").arg(k));
    QStringList lines = kStartUpLines;
    lines[3] = QStringLiteral("5");
    for (int k = 1; k <= 5; ++k)
        lines << QStringLiteral("new %1").arg(k) << ""
              << ""
              << "";
    RecordSettingsTarget target(s);
    SettingsLineReader reader(crlf(lines));
    QCOMPARE(loadSettings(reader, target), LoadResult::Loaded);
    QCOMPARE(s.buttons, QStringLiteral("5"));
    QCOMPARE(s.table.entry(ButtonField::Label, 5), QStringLiteral("new 5"));
    QCOMPARE(s.table.entry(ButtonField::Label, 6), QStringLiteral("old 6"));
    QCOMPARE(s.table.entry(ButtonField::Label, 8), QStringLiteral("old 8"));
}

void SettingsFileTest::roundTripGivesIdenticalBytes() {
    QTemporaryDir dir;
    const QString first = dir.path() + QStringLiteral("/first.txt");
    const QString second = dir.path() + QStringLiteral("/second.txt");

    AppletSettings s;
    s.buttons = QStringLiteral("37");
    s.width = QStringLiteral(" 64");
    s.title = QString::fromUtf8("Men\xc3\xbc \xe2\x82\xac");
    s.vertical = false;
    s.style0 = false;
    s.plain = false;
    s.italic = true;
    s.center = false;
    s.right = true;
    s.fontIndex = 2;
    s.font = QStringLiteral("Courier");
    s.fontSizeIndex = 12;
    s.fontSize = QStringLiteral("72");
    s.buttonColour = AppletColour::fromRgb(1, 2, 3);
    s.fontColour = AppletColour::fromRgb(200, 100, 50);
    for (int k = 1; k <= 37; ++k) {
        // Two byte order marks in front of a label: both come back.
        s.table.setEntry(ButtonField::Label, k,
                         QString(2, QChar(0xFEFF)) + QStringLiteral("Label \"%1\"").arg(k));
        s.table.setEntry(ButtonField::Link, k, QStringLiteral("page%1.html\nline2").arg(k));
        if (k % 3 == 0)
            s.table.setEntry(ButtonField::Image, k, QStringLiteral("img%1.gif").arg(k));
        if (k % 5 == 0)
            s.table.setEntry(ButtonField::Frame, k, QStringLiteral("_blank"));
    }
    WriteSettingsFile(s, first);

    AppletSettings back;
    RecordSettingsTarget target(back);
    SettingsLineReader reader(readWholeFile(first));
    QCOMPARE(loadSettings(reader, target), LoadResult::Loaded);
    WriteSettingsFile(back, second);
    QCOMPARE(readFile(second), readFile(first));
    QCOMPARE(back.title, s.title);
    QCOMPARE(back.table.entry(ButtonField::Label, 37), s.table.entry(ButtonField::Label, 37));
    QCOMPARE(back.fontColour.hex, QStringLiteral("C86432"));
}

void SettingsFileTest::survivesHugeLinesAndRandomBytes() {
    // A 1 MB title.
    QStringList lines = kStartUpLines;
    lines[16] = QString(1 << 20, QLatin1Char('t'));
    lines[3] = QStringLiteral("1");
    lines << QString(1 << 20, QLatin1Char('l')) << "k"
          << "i"
          << "f";
    AppletSettings s;
    RecordSettingsTarget target(s);
    SettingsLineReader reader(crlf(lines));
    QCOMPARE(loadSettings(reader, target), LoadResult::Loaded);
    QCOMPARE(s.title.size(), 1 << 20);
    QCOMPARE(s.table.entry(ButtonField::Label, 1).size(), 1 << 20);
    QCOMPARE(s.table.entry(ButtonField::Frame, 1), QStringLiteral("f"));

    // Random bytes: refused at the header, or (behind a good header) loaded or ended
    // by a conversion error; never anything else.
    // One record each for the whole loop: a record holds 4 x 32767 table entries.
    AppletSettings t;
    RecordSettingsTarget record(t);
    AppletSettings u;
    RecordSettingsTarget record3(u);
    QRandomGenerator random(20261208);
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes(int(random.bounded(4000)), Qt::Uninitialized);
        for (char& c : bytes) {
            const quint32 r = random.bounded(10);
            c = r == 0   ? '\r'
                : r == 1 ? '\n'
                : r == 2 ? char('0' + random.bounded(10))
                         : char(random.bounded(256));
        }
        SettingsLineReader random1(bytes);
        QCOMPARE(loadSettings(random1, record), LoadResult::NotABrivaneFile);
        SettingsLineReader random2("Brivane File\r\n" + bytes);
        try {
            loadSettings(random2, record);
        } catch (const ConversionError&) {
        }
        // Lines 2 to 4 are applied before anything in the random part can fail.
        u.width.clear();
        u.buttons.clear();
        u.buttonColour = AppletColour();
        SettingsLineReader random3(crlf(kStartUpLines.mid(0, 5)) + bytes);
        try {
            QCOMPARE(loadSettings(random3, record3), LoadResult::Loaded);
        } catch (const ConversionError&) {
        }
        QCOMPARE(u.width, QStringLiteral("100"));
        QCOMPARE(u.buttons, QStringLiteral("4"));
        QCOMPARE(u.buttonColour.hex, QStringLiteral("0000A0"));
    }
}

QTEST_GUILESS_MAIN(SettingsFileTest)
#include "settings_file_test.moc"
