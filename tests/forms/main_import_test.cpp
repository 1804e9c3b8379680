#include "commands_fixture.h"
#include "model/applet_import.h"

#include <QMenu>

using namespace brivane;
using namespace brivane::test;

namespace {

// A hand-written page: a border width that the number check corrects, a colour
// that cannot be used, entries beyond the count, and the bar centred by <center>.
const QByteArray kPage =
    "<HTML><Title>Imported</Title><CENTER>\n<Applet Code='Button.Class' Width=300 "
    "Height=40>\n<param name=buttons value=3><PARAM NAME='border width' VALUE='abc'>"
    "<param name=color value='#00ff0a'><param name=direction value=1><param name=degree "
    "value=9><param name=style value=1><param name=f_size value=' 36'><param name=f_style "
    "value=2><param name=f_color value=nope><param name=f_color2 value=0000ff>"
    "<param name=position value=2><param name=f_offset value=5><param name=font "
    "value=helvetica><param name='label 0' value='Home &amp; away'><param name='link 0' "
    "value=index.html><param name='image 0' value=h.gif><param name='frame 0' value=_top>"
    "<param name='label 4' value=five></applet></center></HTML>";

} // namespace

class MainImportTest : public QObject {
    Q_OBJECT

private slots:
    void importGoesThroughTheControlsAndTellsWhatWasNotUsed();
    void aPageWithoutABarChangesNothing();
    void makeHtmlAfterImportGivesThePageAgain();
};

void MainImportTest::importGoesThroughTheControlsAndTellsWhatWasNotUsed() {
    CommandsFixture f;
    Ui::Tmain_window* ui = f.ui();
    ScriptedDialogs& dialogs = f.platform.dialogs;

    // The item stands right after Open... in the File menu.
    const QList<QAction*> items = ui->File1->actions();
    QCOMPARE(items.indexOf(f.w().Import1), items.indexOf(ui->Open1) + 1);
    QCOMPARE(f.w().Import1->text(), QStringLiteral("&Import Applet Page..."));

    ui->buttons->setText(QStringLiteral("6"));
    ui->SpeedButton8->click();
    ui->SpeedButton8->click();
    ui->align->setCurrentIndex(2);
    f.w().SettingsFileName = QStringLiteral("/somewhere/settings.txt");
    const QString page = f.path(QStringLiteral("old.htm"));
    writeFile(page, kPage);

    dialogs.answerOpenFile(page);
    dialogs.expectMessage(); // the border width's number check, in the middle
    dialogs.expectMessage(); // what could not be used, at the end
    f.w().Import1->trigger();
    dialogs.verifyAllUsed();

    const FileDialogOptions options = dialogs.shown().first().options;
    QCOMPARE(options.filter, QStringLiteral("Web Pages (*.html *.htm);;All Files (*)"));
    QVERIFY(options.mustExist);
    QCOMPARE(options.initialPath, f.w().WorkingDirectory);
    QCOMPARE(dialogs.messages(),
             (QStringList{QStringLiteral("You must enter a numeric value between 0 and 32767"),
                          "Not everything in " + page +
                              " could be used:\nf_color: \"nope\" is not six hexadecimal digits\n"
                              "Not in the page: label 1 to label 2, link 1 to link 2, image 1 "
                              "to image 2, frame 1 to frame 2"}));

    QCOMPARE(ui->width->text(), QStringLiteral("100"));
    QCOMPARE(ui->height->text(), QStringLiteral("40"));
    QCOMPARE(ui->buttons->text(), QStringLiteral("3"));
    QCOMPARE(ui->border->text(), QStringLiteral("0"));
    QCOMPARE(ui->degree->text(), QStringLiteral("9"));
    QCOMPARE(ui->f_offset->text(), QStringLiteral("5"));
    QCOMPARE(ui->title->text(), QStringLiteral("Imported"));
    QCOMPARE(ui->Label18->text(), QStringLiteral("\"Imported.html\""));
    QCOMPARE(ui->align->currentText(), QStringLiteral("Center"));
    QCOMPARE(ui->font_box->currentText(), QStringLiteral("Helvetica"));
    QCOMPARE(ui->font_size->currentText(), QStringLiteral("36"));
    QVERIFY(ui->Horz_check_box->isChecked() && ui->style1->isChecked() && ui->italic->isChecked() &&
            ui->right->isChecked());
    QCOMPARE(f.w().settings.buttonColour.hex, QStringLiteral("00FF0A"));
    QCOMPARE(f.w().settings.fontColour.value, 16777215);
    QCOMPARE(f.w().settings.clickColour.hex, QStringLiteral("0000FF"));
    QCOMPARE(ui->Color_Panel->palette().color(QPalette::Window), QColor(0x00, 0xFF, 0x0A));

    // The editor is back on button 1, showing the page's entries; entry 5 waits
    // beyond the count. The page and the settings file name are as they were.
    QCOMPARE(ui->Label14->text(), QStringLiteral("1"));
    QCOMPARE(ui->link_box->text(), QStringLiteral("index.html"));
    QCOMPARE(ui->button_label->text(), QStringLiteral("Home & away"));
    QCOMPARE(ui->image_box->text(), QStringLiteral("h.gif"));
    QCOMPARE(ui->frame_box->text(), QStringLiteral("_top"));
    QCOMPARE(f.w().settings.table.entry(ButtonField::Label, 5), QStringLiteral("five"));
    QCOMPARE(f.w().SettingsFileName, QStringLiteral("/somewhere/settings.txt"));
    QCOMPARE(readFile(page), kPage);

    // The dialog reopens where it was left; a cancel changes nothing.
    dialogs.answerOpenFile(std::nullopt);
    f.w().Import1->trigger();
    QCOMPARE(dialogs.shown().last().options.initialPath, page);
    dialogs.verifyAllUsed();
}

void MainImportTest::aPageWithoutABarChangesNothing() {
    CommandsFixture f;
    const QString page = f.path(QStringLiteral("plain.html"));
    writeFile(page, "<title>Other</title><!-- <applet code=button.class> -->"
                    "<applet code=clock.class><param name=buttons value=9></applet>");
    f.platform.dialogs.answerOpenFile(page);
    f.platform.dialogs.expectMessage();
    f.w().Import1->trigger();
    QCOMPARE(f.platform.dialogs.messages(), QStringList{"No button bar applet found in " + page});
    QCOMPARE(f.ui()->title->text(), QStringLiteral("untitled"));
    QCOMPARE(f.ui()->buttons->text(), QStringLiteral("4"));

    // A page that cannot be read is the error of its reading.
    f.platform.dialogs.answerOpenFile(f.path(QStringLiteral("gone.html")));
    f.platform.dialogs.expectError();
    f.w().Import1->trigger();
    QCOMPARE(f.platform.dialogs.errors(), QStringList{"File not found."});
    f.platform.dialogs.verifyAllUsed();
}

// Make HTML, then Reset All and other choices, then importing the page that
// Make HTML wrote: Make HTML writes the same page again.
void MainImportTest::makeHtmlAfterImportGivesThePageAgain() {
    CommandsFixture f;
    Ui::Tmain_window* ui = f.ui();
    ui->width->setText(QStringLiteral("90"));
    ui->height->setText(QStringLiteral("21"));
    ui->buttons->setText(QStringLiteral("3"));
    ui->f_offset->setText(QStringLiteral("7"));
    ui->title->setText(QString::fromUtf8("Caf\u00e9 bar"));
    ui->align->setCurrentIndex(1);
    ui->font_size->setCurrentIndex(12);
    ui->font_box->setCurrentIndex(2);
    ui->Horz_check_box->setChecked(true);
    ui->bold->setChecked(true);
    ui->left->setChecked(true);
    f.platform.dialogs.answerColor(QColor(0x12, 0x34, 0x56));
    ui->SpeedButton5->click();
    for (int k = 1; k <= 3; ++k) {
        ui->button_label->setText(QString::fromUtf8(" b\u00fctton %1 ").arg(k));
        ui->link_box->setText(QStringLiteral("page%1.html?a='1'").arg(k));
        ui->SpeedButton8->click();
    }
    ui->SpeedButton4->click();
    const QString page = f.pagePath(QString::fromUtf8("Caf\u00e9 bar"));
    const QByteArray made = readFile(page);

    f.platform.dialogs.answerYesNo(true);
    ui->SpeedButton2->click();
    ui->vert_check_box->setChecked(true);
    ui->plain->setChecked(true);
    ui->center->setChecked(true);
    f.platform.dialogs.answerOpenFile(page);
    f.w().Import1->trigger();
    ui->SpeedButton4->click();
    QCOMPARE(readFile(page), made);
    f.platform.dialogs.verifyAllUsed();
}

QTEST_MAIN(MainImportTest)
#include "main_import_test.moc"
