#include "commands_fixture.h"

#include <memory>

using namespace brivane;
using namespace brivane::test;

namespace {

// The settings file of the start-up settings: 17 lines and 16 empty ones.
QByteArray startupSettingsFile() {
    QList<QByteArray> lines{
        "Brivane File", "100", "26", "4", "10485760", "0",       "3", "20", "0", "2", "0",
        "16777215",     "255", "0",  "4", "0",        "untitled"};
    for (int i = 0; i < 16; ++i)
        lines << "";
    return crlfLines(lines);
}

// A settings file with `buttons` buttons whose texts name their number.
QByteArray settingsFile(int buttons, const QByteArray& title = "opened") {
    QList<QByteArray> lines{"Brivane File",
                            "120",
                            "30",
                            QByteArray::number(buttons),
                            "65280",
                            "1",
                            "5",
                            "25",
                            "1",
                            "4",
                            "2",
                            "197121",
                            "0",
                            "1",
                            "6",
                            "2",
                            title};
    for (int k = 1; k <= buttons; ++k) {
        const QByteArray n = QByteArray::number(k);
        lines << "file label " + n << "file link " + n << "file image " + n << "file frame " + n;
    }
    return crlfLines(lines);
}

} // namespace

class MainSettingsFileTest : public QObject {
    Q_OBJECT

private slots:
    void saveAndSaveAsFollowTheNameRules();
    void saveAsWithABadWidthKeepsTheNameAndTheOldFile();
    void openAppliesEveryLineAndKeepsEntriesAboveTheCount();
    void openRunsEachFieldsChangeHandlingMidLoad();
    void openOfAShortFileStopsAtTheEmptyColourLine();
    void openReadsIndexAndCodeLinesAsTheyCome();
    void openRefusesAForeignFile();
    void openWithABadWidthReadsNothing();
    void longTextsComeBackWhole();
    void hopelessNumberLinesNeverReachTheirField();
};

void MainSettingsFileTest::saveAndSaveAsFollowTheNameRules() {
    CommandsFixture f;
    ScriptedDialogs& dialogs = f.platform.dialogs;

    // No name yet, dialog cancelled: nothing written, and Save asks again.
    dialogs.answerSaveFile(std::nullopt);
    f.ui()->Save1->trigger();
    QVERIFY(f.w().SettingsFileName.isEmpty());
    const QString first = f.path(QStringLiteral("first.txt"));
    dialogs.answerSaveFile(first);
    f.ui()->Save1->trigger();
    QCOMPARE(f.w().SettingsFileName, first);
    QCOMPARE(readFile(first), startupSettingsFile());
    QCOMPARE(dialogs.shown().size(), 2);
    const FileDialogOptions options = dialogs.shown()[0].options;
    QCOMPARE(options.filter, QStringLiteral("Text File (*.txt)"));
    QCOMPARE(options.defaultSuffix, QStringLiteral("txt"));
    QVERIFY(options.confirmOverwrite);
    // Not used before: it opens in the working directory.
    QCOMPARE(options.initialPath, f.w().WorkingDirectory);
    QCOMPARE(dialogs.shown()[1].options.initialPath, f.w().WorkingDirectory);

    // Named: Save writes without asking.
    f.ui()->title->setText(QStringLiteral("second title"));
    f.ui()->Save1->trigger();
    QCOMPARE(dialogs.shown().size(), 2);
    QVERIFY(readFile(first).contains("\r\nsecond title\r\n"));

    // Save As always asks, opening at the path it gave last; a cancel changes nothing.
    dialogs.answerSaveFile(std::nullopt);
    f.ui()->SaveAs1->trigger();
    QCOMPARE(dialogs.shown().last().options.initialPath, first);
    QCOMPARE(f.w().SettingsFileName, first);
    const QString second = f.path(QStringLiteral("second.txt"));
    dialogs.answerSaveFile(second);
    f.ui()->SaveAs1->trigger();
    QCOMPARE(f.w().SettingsFileName, second);
    QVERIFY(readFile(second).contains("\r\nsecond title\r\n"));

    // Open leaves the name alone: Save goes on writing to the last saved file.
    const QString other = f.path(QStringLiteral("other.txt"));
    writeFile(other, settingsFile(2, "from other"));
    dialogs.answerOpenFile(other);
    f.ui()->Open1->trigger();
    QCOMPARE(f.ui()->title->text(), QStringLiteral("from other"));
    QCOMPARE(f.w().SettingsFileName, second);
    f.ui()->Save1->trigger();
    QVERIFY(readFile(second).contains("\r\nfrom other\r\n"));
    QCOMPARE(readFile(other), settingsFile(2, "from other"));
    const FileDialogOptions openSpec = dialogs.shown().last().options;
    QCOMPARE(openSpec.filter, QStringLiteral("Text Files (*.txt)"));
    QCOMPARE(openSpec.defaultSuffix, QStringLiteral("txt"));
    QVERIFY(openSpec.mustExist);
    QCOMPARE(openSpec.initialPath, f.w().WorkingDirectory);
    // The open dialog reopens at its own last path; a cancel changes nothing.
    dialogs.answerOpenFile(std::nullopt);
    f.ui()->Open1->trigger();
    QCOMPARE(dialogs.shown().last().options.initialPath, other);
    QCOMPARE(f.ui()->title->text(), QStringLiteral("from other"));
    dialogs.verifyAllUsed();
}

void MainSettingsFileTest::saveAsWithABadWidthKeepsTheNameAndTheOldFile() {
    CommandsFixture f;
    const QString target = f.path(QStringLiteral("kept.txt"));
    writeFile(target, "old contents");
    f.ui()->width->setText(QString());
    f.platform.dialogs.answerSaveFile(target);
    f.platform.dialogs.expectError();
    f.ui()->SaveAs1->trigger();
    QCOMPARE(f.w().SettingsFileName, target);
    QCOMPARE(readFile(target), QByteArray("old contents"));
    QCOMPARE(f.platform.dialogs.errors(),
             QStringList{QStringLiteral("'' is not a valid integer value.")});
    f.platform.dialogs.verifyAllUsed();
}

void MainSettingsFileTest::openAppliesEveryLineAndKeepsEntriesAboveTheCount() {
    CommandsFixture f;
    Ui::Tmain_window* ui = f.ui();
    ui->buttons->setText(QStringLiteral("8"));
    for (int k = 1; k <= 8; ++k)
        for (ButtonField field :
             {ButtonField::Link, ButtonField::Label, ButtonField::Image, ButtonField::Frame})
            f.w().settings.table.setEntry(field, k, QStringLiteral("old %1").arg(k));
    ui->SpeedButton8->click();
    ui->SpeedButton8->click();
    ui->align->setCurrentIndex(2);
    const QString file = f.path(QStringLiteral("five.txt"));
    writeFile(file, settingsFile(5));

    f.platform.dialogs.answerOpenFile(file);
    ui->Open1->trigger();

    QCOMPARE(ui->width->text(), QStringLiteral("120"));
    QCOMPARE(ui->height->text(), QStringLiteral("30"));
    QCOMPARE(ui->buttons->text(), QStringLiteral("5"));
    QCOMPARE(ui->border->text(), QStringLiteral("5"));
    QCOMPARE(ui->degree->text(), QStringLiteral("25"));
    QCOMPARE(ui->f_offset->text(), QStringLiteral("6"));
    QCOMPARE(ui->title->text(), QStringLiteral("opened"));
    QCOMPARE(ui->Label18->text(), QStringLiteral("\"opened.html\""));
    QVERIFY(ui->Horz_check_box->isChecked());
    QVERIFY(ui->style1->isChecked());
    QVERIFY(ui->italic->isChecked());
    QVERIFY(ui->left->isChecked());
    QCOMPARE(ui->font_size->currentIndex(), 4);
    QCOMPARE(ui->font_box->currentIndex(), 2);
    QCOMPARE(ui->align->currentIndex(), 2); // not in the file: as chosen before
    // Colour lines set all three forms and the swatch.
    QCOMPARE(f.w().settings.buttonColour.hex, QStringLiteral("00FF00"));
    QCOMPARE(f.w().settings.buttonColour.value, 65280);
    QCOMPARE(ui->Color_Panel->palette().color(QPalette::Window), QColor(0, 255, 0));
    QCOMPARE(f.w().settings.fontColour.hex, QStringLiteral("010203"));
    QCOMPARE(ui->font_color_panel->palette().color(QPalette::Window), QColor(1, 2, 3));
    QCOMPARE(f.w().settings.clickColour.hex, QStringLiteral("000000"));
    QCOMPARE(f.w().settings.clickColour.value, 0);

    const ButtonTable& table = f.w().settings.table;
    for (int k = 1; k <= 5; ++k) {
        QCOMPARE(table.entry(ButtonField::Label, k), QStringLiteral("file label %1").arg(k));
        QCOMPARE(table.entry(ButtonField::Link, k), QStringLiteral("file link %1").arg(k));
        QCOMPARE(table.entry(ButtonField::Image, k), QStringLiteral("file image %1").arg(k));
        QCOMPARE(table.entry(ButtonField::Frame, k), QStringLiteral("file frame %1").arg(k));
    }
    for (int k = 6; k <= 8; ++k)
        QCOMPARE(table.entry(ButtonField::Label, k), QStringLiteral("old %1").arg(k));
    // Entry 3, shown before, was overwritten, and the editor is back on button 1.
    QCOMPARE(f.w().CurrentButton, 1);
    QCOMPARE(ui->Label14->text(), QStringLiteral("1"));
    QCOMPARE(ui->link_box->text(), QStringLiteral("file link 1"));
    QCOMPARE(ui->button_label->text(), QStringLiteral("file label 1"));
    QCOMPARE(ui->image_box->text(), QStringLiteral("file image 1"));
    QCOMPARE(ui->frame_box->text(), QStringLiteral("file frame 1"));
    // Opening writes no page.
    QVERIFY(!QFile::exists(f.pagePath(QStringLiteral("opened"))));

    // Saved again, the file comes back byte for byte.
    const QString copy = f.path(QStringLiteral("copy.txt"));
    f.platform.dialogs.answerSaveFile(copy);
    ui->SaveAs1->trigger();
    QCOMPARE(readFile(copy), settingsFile(5));
    f.platform.dialogs.verifyAllUsed();
}

void MainSettingsFileTest::openRunsEachFieldsChangeHandlingMidLoad() {
    CommandsFixture f;
    QByteArray bytes = settingsFile(2);
    bytes.replace("\r\n25\r\n", "\r\n300\r\n"); // degree out of range
    const QString file = f.path(QStringLiteral("range.txt"));
    writeFile(file, bytes);
    f.platform.dialogs.answerOpenFile(file);
    f.platform.dialogs.expectMessage();
    f.ui()->Open1->trigger();
    QCOMPARE(f.platform.dialogs.messages(),
             QStringList{QStringLiteral("You must enter a numeric value between 0 and 255")});
    // The check put its bound in, and the load went on to the end.
    QCOMPARE(f.ui()->degree->text(), QStringLiteral("255"));
    QCOMPARE(f.ui()->title->text(), QStringLiteral("opened"));
    QCOMPARE(f.ui()->link_box->text(), QStringLiteral("file link 1"));
    f.platform.dialogs.verifyAllUsed();
}

void MainSettingsFileTest::openOfAShortFileStopsAtTheEmptyColourLine() {
    CommandsFixture f;
    const QString file = f.path(QStringLiteral("short.txt"));
    writeFile(file, crlfLines({"Brivane File", "50", "30", "6"}));
    f.ui()->border->setText(QStringLiteral("9"));
    f.platform.dialogs.answerOpenFile(file);
    f.platform.dialogs.expectError();
    f.ui()->Open1->trigger();
    QCOMPARE(f.platform.dialogs.errors(),
             QStringList{QStringLiteral("'' is not a valid integer value.")});
    QCOMPARE(f.ui()->width->text(), QStringLiteral("50"));
    QCOMPARE(f.ui()->height->text(), QStringLiteral("30"));
    QCOMPARE(f.ui()->buttons->text(), QStringLiteral("6"));
    QCOMPARE(f.ui()->border->text(), QStringLiteral("9"));
    QCOMPARE(f.w().settings.buttonColour.value, 10485760);
    QCOMPARE(f.ui()->title->text(), QStringLiteral("untitled"));
    f.platform.dialogs.verifyAllUsed();
}

void MainSettingsFileTest::openReadsIndexAndCodeLinesAsTheyCome() {
    CommandsFixture f;
    f.ui()->bold->setChecked(true);
    f.ui()->right->setChecked(true);
    QList<QByteArray> lines{
        "Brivane File", "100", "26",       "4",   "10485760", "2", "3",  "20", "7",
        "99",           "3",   "16777215", "255", "x",        "4", "-1", "t"};
    const QString file = f.path(QStringLiteral("codes.txt"));
    writeFile(file, crlfLines(lines));
    f.platform.dialogs.answerOpenFile(file);
    f.ui()->Open1->trigger();
    QVERIFY(f.ui()->Horz_check_box->isChecked()); // "2": not vertical
    QVERIFY(f.ui()->style1->isChecked());         // "7": not style 0
    QCOMPARE(f.ui()->font_size->currentIndex(), -1);
    QCOMPARE(f.ui()->font_box->currentIndex(), -1);
    QVERIFY(f.ui()->bold->isChecked());  // "3" leaves the font style alone
    QVERIFY(f.ui()->right->isChecked()); // "x" leaves the position alone
    QCOMPARE(f.ui()->title->text(), QStringLiteral("t"));
    // Per-button lines past the end of the file read as empty texts.
    QCOMPARE(f.w().settings.table.entry(ButtonField::Label, 4), QString());
    f.platform.dialogs.verifyAllUsed();
}

void MainSettingsFileTest::openRefusesAForeignFile() {
    CommandsFixture f;
    const QList<QByteArray> refused{crlfLines({"brivane file", "50"}),
                                    crlfLines({"Brivane File ", "50"}), QByteArray(),
                                    QByteArray("Brivane File\n50\n30\n")};
    for (const QByteArray& bytes : refused) {
        const QString file = f.path(QStringLiteral("foreign.txt"));
        QFile::remove(file);
        writeFile(file, bytes);
        f.platform.dialogs.clearShown();
        f.platform.dialogs.answerOpenFile(file);
        f.platform.dialogs.expectMessage();
        f.ui()->Open1->trigger();
        QCOMPARE(f.platform.dialogs.messages(), QStringList{QStringLiteral("Not a Brivane File")});
        QCOMPARE(f.ui()->width->text(), QStringLiteral("100"));
    }
    f.platform.dialogs.verifyAllUsed();
}

void MainSettingsFileTest::openWithABadWidthReadsNothing() {
    CommandsFixture f;
    const QString file = f.path(QStringLiteral("good.txt"));
    writeFile(file, settingsFile(3));
    f.ui()->width->setText(QString());
    f.platform.dialogs.answerOpenFile(file);
    f.platform.dialogs.expectError();
    f.ui()->Open1->trigger();
    QCOMPARE(f.platform.dialogs.errors(),
             QStringList{QStringLiteral("'' is not a valid integer value.")});
    QCOMPARE(f.ui()->height->text(), QStringLiteral("26"));
    QCOMPARE(f.ui()->title->text(), QStringLiteral("untitled"));

    // A file that has gone since it was chosen.
    f.ui()->width->setText(QStringLiteral("100"));
    f.platform.dialogs.clearShown();
    f.platform.dialogs.answerOpenFile(f.path(QStringLiteral("gone.txt")));
    f.platform.dialogs.expectError();
    f.ui()->Open1->trigger();
    QCOMPARE(f.platform.dialogs.errors(), QStringList{QStringLiteral("File not found.")});
    f.platform.dialogs.verifyAllUsed();
}

// A line of megabytes that can never be a number in range gives the field's
// message and bound without passing through the field (laying it out there held
// the window for seconds); a long line that is a number in range still loads.
void MainSettingsFileTest::hopelessNumberLinesNeverReachTheirField() {
    CommandsFixture f;
    QByteArray bytes = settingsFile(2);
    bytes.replace("\r\n120\r\n", "\r\n" + QByteArray(20 << 20, '9') + "\r\n");
    bytes.replace("\r\n25\r\n", "\r\n" + QByteArray(1 << 20, '0') + "25\r\n");
    bytes.replace("\r\n5\r\n", "\r\n" + QByteArray(3 << 20, ' ') + QByteArray(1, '\0') + "\r\n");
    const QString file = f.path(QStringLiteral("huge.txt"));
    writeFile(file, bytes);
    // Shared with the connections, which live as long as the window does.
    const auto longest = std::make_shared<qsizetype>(0);
    for (QLineEdit* field : {f.ui()->width, f.ui()->border, f.ui()->degree})
        QObject::connect(field, &QLineEdit::textChanged, field, [longest](const QString& text) {
            *longest = qMax(*longest, text.size());
        });
    f.platform.dialogs.answerOpenFile(file);
    f.platform.dialogs.expectMessage();
    f.platform.dialogs.expectMessage();
    f.ui()->Open1->trigger();
    QCOMPARE(f.platform.dialogs.messages(),
             (QStringList{QStringLiteral("You must enter a numeric value between 1 and 32767"),
                          QStringLiteral("You must enter a numeric value between 0 and 32767")}));
    QCOMPARE(f.ui()->width->text(), QStringLiteral("1"));
    QCOMPARE(f.ui()->border->text(), QStringLiteral("0"));
    QCOMPARE(f.ui()->degree->text().size(), (1 << 20) + 2);
    QCOMPARE(*longest, qsizetype(1 << 20) + 2);
    // The load went on to the end.
    QCOMPARE(f.ui()->title->text(), QStringLiteral("opened"));
    QCOMPARE(f.ui()->link_box->text(), QStringLiteral("file link 1"));
    f.platform.dialogs.verifyAllUsed();
}

QTEST_MAIN(MainSettingsFileTest)
#include "main_settings_file_test.moc"

// No edit cuts what a file holds: texts past Qt's default limit of 32767
// characters are shown and saved back whole, and a number behind 32767 blanks
// is still that number.
void MainSettingsFileTest::longTextsComeBackWhole() {
    CommandsFixture f;
    QList<QByteArray> lines{"Brivane File",
                            QByteArray(32767, ' ') + "7",
                            "26",
                            "1",
                            "10485760",
                            "0",
                            "3",
                            "20",
                            "0",
                            "2",
                            "0",
                            "16777215",
                            "255",
                            "0",
                            "4",
                            "0",
                            QByteArray(40000, 't') + "title"};
    for (const char* kind : {"label", "link", "image", "frame"})
        lines << QByteArray(50000, kind[0]) + kind;
    const QString file = f.path(QStringLiteral("long.txt"));
    writeFile(file, crlfLines(lines));

    f.platform.dialogs.answerOpenFile(file);
    f.ui()->Open1->trigger();
    QCOMPARE(f.ui()->width->text().size(), 32768);
    QCOMPARE(f.ui()->title->text().size(), 40005);
    QCOMPARE(f.ui()->link_box->text().size(), 50004);
    QCOMPARE(f.w().settings.table.entry(ButtonField::Frame, 1).size(), 50005);

    const QString copy = f.path(QStringLiteral("copy.txt"));
    f.platform.dialogs.answerSaveFile(copy);
    f.ui()->SaveAs1->trigger();
    QCOMPARE(readFile(copy), crlfLines(lines));
    f.platform.dialogs.verifyAllUsed();
}
