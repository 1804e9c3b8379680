#include "model/applet_settings.h"
#include "model/errors.h"

#include <QtTest>

using namespace brivane;

class AppletSettingsTest : public QObject {
    Q_OBJECT

private slots:
    void convertsValidIntegers_data();
    void convertsValidIntegers();
    void refusesInvalidIntegers_data();
    void refusesInvalidIntegers();
    void derivesStartUpValues();
    void derivesHorizontalAndTypedTexts();
    void derivationFailsInOrderAndKeepsEarlierSteps();
    void threeWayGroupsWithNothingCheckedKeepTheirCodes();
    void colourForms();
    void buttonTableEntries();
    void listItems();
};

void AppletSettingsTest::convertsValidIntegers_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<qint32>("value");
    QTest::newRow("plain") << "100" << 100;
    QTest::newRow("leading blanks") << "   42" << 42;
    QTest::newRow("plus") << "+7" << 7;
    QTest::newRow("minus") << "-7" << -7;
    QTest::newRow("blank then minus") << " -12" << -12;
    QTest::newRow("minus zero") << "-0" << 0;
    QTest::newRow("leading zeros") << "000123" << 123;
    QTest::newRow("hex upper") << "$FF" << 255;
    QTest::newRow("hex lower") << "$ff" << 255;
    QTest::newRow("hex mixed") << "$aB" << 171;
    QTest::newRow("blank then hex") << "  $10" << 16;
    QTest::newRow("hex max") << "$7FFFFFFF" << 2147483647;
    QTest::newRow("max") << "2147483647" << 2147483647;
    QTest::newRow("min") << "-2147483648" << qint32(-2147483647 - 1);
    QTest::newRow("many leading zeros")
        << "0000000000000000000000000000000000000000000000000000000000000001" << 1;
}

void AppletSettingsTest::convertsValidIntegers() {
    QFETCH(QString, text);
    QFETCH(qint32, value);
    QCOMPARE(StrToInt(text), value);
}

void AppletSettingsTest::refusesInvalidIntegers_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("blanks only") << "   ";
    QTest::newRow("trailing blank") << "4 ";
    QTest::newRow("inner blank") << "1 2";
    QTest::newRow("lone plus") << "+";
    QTest::newRow("lone minus") << "-";
    QTest::newRow("lone dollar") << "$";
    QTest::newRow("negative hex") << "-$10";
    QTest::newRow("signed hex") << "+$10";
    QTest::newRow("double sign") << "--1";
    QTest::newRow("blank after sign") << "- 1";
    QTest::newRow("letter") << "12a";
    QTest::newRow("hex digit in decimal") << "1F";
    QTest::newRow("bad hex digit") << "$1G";
    QTest::newRow("0x prefix") << "0x10";
    QTest::newRow("tab") << "\t5";
    QTest::newRow("decimal point") << "1.5";
    QTest::newRow("arabic-indic digit") << QString::fromUtf8("\xd9\xa3");
    QTest::newRow("just over max") << "2147483648";
    QTest::newRow("just under min") << "-2147483649";
    QTest::newRow("hex over max") << "$80000000";
    QTest::newRow("hex all ones") << "$FFFFFFFF";
    QTest::newRow("eleven nines") << "99999999999";
    QTest::newRow("huge") << QString(200, QLatin1Char('9'));
}

void AppletSettingsTest::refusesInvalidIntegers() {
    QFETCH(QString, text);
    try {
        StrToInt(text);
        QFAIL("no conversion error");
    } catch (const ConversionError& e) {
        QCOMPARE(e.text(), text);
        QCOMPARE(e.message(), QStringLiteral("'%1' is not a valid integer value").arg(text));
    }
}

void AppletSettingsTest::derivesStartUpValues() {
    AppletSettings s;
    QVERIFY(s.StyleCode.isEmpty());
    QVERIFY(s.AppletWidth.isEmpty());
    QVERIFY(s.buttonColour.hex.isEmpty());
    DeriveAppletValues(s);
    QCOMPARE(s.buttonColour.hex, QStringLiteral("0000A0"));
    QCOMPARE(s.fontColour.hex, QStringLiteral("FFFFFF"));
    QCOMPARE(s.clickColour.hex, QStringLiteral("FF0000"));
    QCOMPARE(s.StyleCode, QStringLiteral("0"));
    QCOMPARE(s.DirectionCode, QStringLiteral("0"));
    QCOMPARE(s.FontStyleCode, QStringLiteral("0"));
    QCOMPARE(s.PositionCode, QStringLiteral("0"));
    QCOMPARE(s.AppletWidth, QStringLiteral("100"));
    QCOMPARE(s.AppletHeight, QStringLiteral("104"));
    // The RGB values are the start-up swatches'.
    QCOMPARE(s.buttonColour.value, 10485760);
    QCOMPARE(s.fontColour.value, 16777215);
    QCOMPARE(s.clickColour.value, 255);

    // A chosen hex form is kept; only empty ones get their default.
    s.buttonColour = AppletColour::fromRgb(0, 0, 255);
    s.fontColour.hex.clear();
    DeriveAppletValues(s);
    QCOMPARE(s.buttonColour.hex, QStringLiteral("0000FF"));
    QCOMPARE(s.fontColour.hex, QStringLiteral("FFFFFF"));
}

void AppletSettingsTest::derivesHorizontalAndTypedTexts() {
    AppletSettings s;
    s.vertical = false;
    DeriveAppletValues(s);
    QCOMPARE(s.DirectionCode, QStringLiteral("1"));
    QCOMPARE(s.AppletWidth, QStringLiteral("400"));
    QCOMPARE(s.AppletHeight, QStringLiteral("26"));

    // The dimension not multiplied is copied as typed.
    s.width = QStringLiteral(" 100");
    DeriveAppletValues(s);
    QCOMPARE(s.AppletWidth, QStringLiteral("400"));
    s.vertical = true;
    DeriveAppletValues(s);
    QCOMPARE(s.AppletWidth, QStringLiteral(" 100"));
    QCOMPARE(s.AppletHeight, QStringLiteral("104"));

    s.height = QStringLiteral("$1A");
    s.buttons = QStringLiteral(" 3");
    DeriveAppletValues(s);
    QCOMPARE(s.AppletHeight, QStringLiteral("78"));

    // The largest checked values: the product fits and is written in full.
    s.height = QStringLiteral("32767");
    s.buttons = QStringLiteral("32767");
    DeriveAppletValues(s);
    QCOMPARE(s.AppletHeight, QStringLiteral("1073676289"));
    // Texts beyond the checked range give the true product, not a wrapped one.
    s.height = QStringLiteral("2147483647");
    s.buttons = QStringLiteral("2");
    DeriveAppletValues(s);
    QCOMPARE(s.AppletHeight, QStringLiteral("4294967294"));

    s.style0 = false;
    DeriveAppletValues(s);
    QCOMPARE(s.StyleCode, QStringLiteral("1"));
}

void AppletSettingsTest::derivationFailsInOrderAndKeepsEarlierSteps() {
    AppletSettings s;
    s.width = QString();
    s.height = QStringLiteral("x");
    s.buttons = QString();
    s.vertical = false;
    s.style0 = false;
    try {
        DeriveAppletValues(s);
        QFAIL("no conversion error");
    } catch (const ConversionError& e) {
        QCOMPARE(e.message(), QStringLiteral("'' is not a valid integer value"));
    }
    // Steps 1 and 2 stay done; the size was not reached.
    QCOMPARE(s.buttonColour.hex, QStringLiteral("0000A0"));
    QCOMPARE(s.clickColour.hex, QStringLiteral("FF0000"));
    QCOMPARE(s.StyleCode, QStringLiteral("1"));
    QCOMPARE(s.DirectionCode, QStringLiteral("1"));
    QCOMPARE(s.PositionCode, QStringLiteral("0"));
    QVERIFY(s.AppletWidth.isEmpty());
    QVERIFY(s.AppletHeight.isEmpty());

    // Height is reported before the button count.
    s.width = QStringLiteral("100");
    try {
        DeriveAppletValues(s);
        QFAIL("no conversion error");
    } catch (const ConversionError& e) {
        QCOMPARE(e.text(), QStringLiteral("x"));
    }
    s.height = QStringLiteral("26");
    s.buttons = QStringLiteral("  ");
    try {
        DeriveAppletValues(s);
        QFAIL("no conversion error");
    } catch (const ConversionError& e) {
        QCOMPARE(e.message(), QStringLiteral("'  ' is not a valid integer value"));
    }
    QVERIFY(s.AppletWidth.isEmpty());
}

void AppletSettingsTest::threeWayGroupsWithNothingCheckedKeepTheirCodes() {
    AppletSettings s;
    s.plain = false;
    s.italic = true;
    s.center = false;
    s.right = true;
    DeriveAppletValues(s);
    QCOMPARE(s.FontStyleCode, QStringLiteral("2"));
    QCOMPARE(s.PositionCode, QStringLiteral("2"));

    // Italic is tested before bold, left before center.
    s.bold = true;
    s.left = true;
    DeriveAppletValues(s);
    QCOMPARE(s.FontStyleCode, QStringLiteral("2"));
    QCOMPARE(s.PositionCode, QStringLiteral("1"));

    s.italic = s.bold = false;
    s.left = s.right = false;
    DeriveAppletValues(s);
    QCOMPARE(s.FontStyleCode, QStringLiteral("2"));
    QCOMPARE(s.PositionCode, QStringLiteral("1"));

    s.bold = true;
    s.center = true;
    DeriveAppletValues(s);
    QCOMPARE(s.FontStyleCode, QStringLiteral("1"));
    QCOMPARE(s.PositionCode, QStringLiteral("0"));
}

void AppletSettingsTest::colourForms() {
    QCOMPARE(hexForm(0, 0, 160), QStringLiteral("0000A0"));
    QCOMPARE(hexForm(255, 0, 0), QStringLiteral("FF0000"));
    QCOMPARE(hexForm(1, 0xAB, 0x0C), QStringLiteral("01AB0C"));

    const AppletColour blue = AppletColour::fromRgb(0, 0, 255);
    QCOMPARE(blue.hex, QStringLiteral("0000FF"));
    QCOMPARE(blue.value, 16711680);
    QCOMPARE(AppletColour::fromRgb(0, 0, 160).value, 10485760);
    QCOMPARE(AppletColour::fromRgb(255, 255, 255).value, 16777215);

    const AppletColour read = AppletColour::fromSettingsValue(255);
    QCOMPARE(read.hex, QStringLiteral("FF0000"));
    QCOMPARE(read.value, 255);
    QCOMPARE(read.red(), 255);
    QCOMPARE(read.green(), 0);
    // The hex form spells the three lowest bytes; the value stays the number read.
    const AppletColour big = AppletColour::fromSettingsValue(0x12345678);
    QCOMPARE(big.hex, QStringLiteral("785634"));
    QCOMPARE(big.value, 0x12345678);
    const AppletColour negative = AppletColour::fromSettingsValue(-1);
    QCOMPARE(negative.hex, QStringLiteral("FFFFFF"));
    QCOMPARE(negative.value, -1);
}

void AppletSettingsTest::buttonTableEntries() {
    ButtonTable table;
    QVERIFY(table.entry(ButtonField::Link, 1).isEmpty());
    table.setEntry(ButtonField::Link, 1, QStringLiteral("a.html"));
    table.setEntry(ButtonField::Label, 1, QStringLiteral("A"));
    table.setEntry(ButtonField::Frame, kMaxButtons, QStringLiteral("last"));
    QCOMPARE(table.entry(ButtonField::Link, 1), QStringLiteral("a.html"));
    QCOMPARE(table.entry(ButtonField::Label, 1), QStringLiteral("A"));
    QVERIFY(table.entry(ButtonField::Image, 1).isEmpty());
    QCOMPARE(table.entry(ButtonField::Frame, kMaxButtons), QStringLiteral("last"));
    // Outside 1..32767 there are no entries: nothing is stored, empty is read.
    table.setEntry(ButtonField::Link, 0, QStringLiteral("x"));
    table.setEntry(ButtonField::Link, kMaxButtons + 1, QStringLiteral("x"));
    QVERIFY(table.entry(ButtonField::Link, 0).isEmpty());
    QVERIFY(table.entry(ButtonField::Link, kMaxButtons + 1).isEmpty());
    table.clearAll();
    QVERIFY(table.entry(ButtonField::Link, 1).isEmpty());
    QVERIFY(table.entry(ButtonField::Frame, kMaxButtons).isEmpty());
}

void AppletSettingsTest::listItems() {
    QCOMPARE(alignItems(), (QStringList{"Center", "Left ", "Right"}));
    QCOMPARE(fontItems(), (QStringList{"TimesRoman", "Helvetica", "Courier"}));
    QCOMPARE(fontSizeItems(), (QStringList{"9", "12", "14", "16", "18", "20", "22", "24", "26",
                                           "28", "36", "48", "72"}));
    AppletSettings s;
    QCOMPARE(fontSizeItems().at(s.fontSizeIndex), s.fontSize);
    QCOMPARE(fontItems().at(s.fontIndex), s.font);
    QCOMPARE(alignItems().at(s.alignIndex), s.align);
}

QTEST_GUILESS_MAIN(AppletSettingsTest)
#include "applet_settings_test.moc"
