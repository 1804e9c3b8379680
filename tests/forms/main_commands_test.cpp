#include "commands_fixture.h"

#include "model/settings_file.h"

#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

using namespace brivane;
using namespace brivane::test;

namespace {

// The applet part of the page for the start-up settings, one line each.
QList<QByteArray> startupAppletPart() {
    QList<QByteArray> lines{
        "<p align=Center>",
        "<applet code=\"button.class\" width=100 height=104>",
        "<param name=\"buttons\"        value=\"4\">",
        "<param name=\"color\"          value=\"0000A0\">",
        "<param name=\"direction\"      value=\"0\">",
        "<param name=\"border width\"   value=\"3\">",
        "<param name=\"degree\"         value=\"20\">",
        "<param name=\"style\"          value=\"0\">",
        "<param name=\"f_size\"         value=\"14\">",
        "<param name=\"f_style\"        value=\"0\">",
        "<param name=\"f_color\"       value=\"FFFFFF\">",
        "<param name=\"f_color2\"      value=\"FF0000\">",
        "<param name=\"position\"      value=\"0\">",
        "<param name=\"f_offset\"      value=\"4\">",
        "<param name=\"font\"          value=\"TimesRoman\">",
    };
    for (int k = 0; k < 4; ++k)
        lines << "<param name=\"label " + QByteArray::number(k) + "\"         value=\"\">";
    for (int k = 0; k < 4; ++k)
        lines << "<param name=\"link " + QByteArray::number(k) + "\"          value=\"\">";
    for (int k = 0; k < 4; ++k)
        lines << "<param name=\"image " + QByteArray::number(k) + "\"         value=\"\">";
    for (int k = 0; k < 4; ++k)
        lines << "<param name=\"frame " + QByteArray::number(k) + "\"          value=\"\">";
    lines << "</applet>"
          << "</p>";
    return lines;
}

QByteArray startupPage() {
    QList<QByteArray> lines{"<html>",
                            "",
                            "<head>",
                            "<title>untitled</title>",
                            "</head>",
                            "",
                            "<body background bgcolor=\"#000000\">",
                            ""};
    lines << startupAppletPart();
    lines << ""
          << "</body>"
          << ""
          << "</html>"
          << "";
    return crlfLines(lines);
}

// What the tab shows: the applet part, each line followed by a line break.
QString startupTabText() {
    QString text;
    for (const QByteArray& line : startupAppletPart())
        text += QString::fromLatin1(line) + u'\n';
    return text;
}

// Shows the "HTML" tab and lets its box fill with `lines` lines; gives its text.
QString filledTab(CommandsFixture& f, int lines) {
    f.ui()->PageControl1->setCurrentWidget(f.ui()->TabSheet3);
    if (!QTest::qWaitFor([&] { return f.ui()->html_box->blockCount() >= lines + 1; }, 10000))
        qWarning("the HTML tab did not fill");
    return f.ui()->html_box->toPlainText();
}

constexpr int kStartupLines = 2 + 13 + 16 + 2;

// The applet part of the page file the window wrote, and its lines as Copy HTML
// gives them (no value here holds a CR LF, so each CR LF ends a line).
QByteArray appletPartOf(const QByteArray& page) {
    const qsizetype from = page.indexOf("<p align=");
    return page.mid(from, page.indexOf("</p>\r\n") + 6 - from);
}
QString copiedText(const QByteArray& page) {
    return QString::fromUtf8(appletPartOf(page))
        .replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

// A bar of n buttons whose labels start with `label`, set up in the window.
void setUpBar(CommandsFixture& f, int n, const QString& label) {
    f.ui()->buttons->setText(QString::number(n));
    for (int k = 1; k <= n; ++k)
        f.w().settings.table.setEntry(ButtonField::Label, k, label + QString::number(k));
}

} // namespace

class MainCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void makeHtmlWritesThePageAndFillsTheTab();
    void makeHtmlThatFailsTouchesNeither();
    void saveHtmlAsksFirstThenWritesTheAppletPart();
    void copyHtmlCopiesWhatTheTabHolds();
    void copyAndSaveHtmlKeepWhatTheLinesHold();
    void tabFillsWhenShownAndEndsWithExactlyTheLines();
    void resetAllAnsweredNoChangesNothing();
    void resetAllKeepsTheOptionGroupsAndEmptiesEverything();
    void exitEndsTheEventLoop();
    void helpOpensTheTwoTopics();
};

void MainCommandsTest::makeHtmlWritesThePageAndFillsTheTab() {
    CommandsFixture f;
    QCOMPARE(f.w().WorkingDirectory, QDir::toNativeSeparators(f.dir.path()) + QDir::separator());
    f.ui()->SpeedButton4->click();
    QCOMPARE(readFile(f.path(QStringLiteral("untitled.html"))), startupPage());
    // The box fills only once the tab is shown.
    QCOMPARE(f.ui()->html_box->toPlainText(), QString());
    QCOMPARE(filledTab(f, kStartupLines), startupTabText());
    QVERIFY(f.ui()->html_box->isReadOnly());
    QCOMPARE(f.ui()->html_box->lineWrapMode(), QPlainTextEdit::NoWrap);

    // A second run with nothing changed gives the same bytes, not twice the lines.
    f.ui()->SpeedButton4->click();
    QCOMPARE(readFile(f.path(QStringLiteral("untitled.html"))), startupPage());
    QCOMPARE(filledTab(f, kStartupLines), startupTabText());

    // Texts go in as typed; the page follows the title.
    f.ui()->title->setText(QStringLiteral("my page"));
    f.ui()->buttons->setText(QStringLiteral("300"));
    f.ui()->align->setCurrentIndex(1);
    f.ui()->SpeedButton4->click();
    const QByteArray page = readFile(f.path(QStringLiteral("my page.html")));
    QVERIFY(page.contains("<title>my page</title>\r\n"));
    QVERIFY(page.contains("\r\n<p align=Left >\r\n"));
    QVERIFY(page.contains("<param name=\"label 299\"         value=\"\">\r\n"));
    QCOMPARE(page.count("\r\n"), 30 + 4 * 300);
    // 17 + 4N lines, each followed by a line break.
    filledTab(f, 17 + 4 * 300);
    QCOMPARE(f.ui()->html_box->document()->blockCount(), 17 + 4 * 300 + 1);
    f.platform.dialogs.verifyAllUsed();
}

void MainCommandsTest::makeHtmlThatFailsTouchesNeither() {
    CommandsFixture f;
    f.ui()->SpeedButton4->click();
    filledTab(f, kStartupLines);
    const QByteArray before = readFile(f.pagePath());

    // An emptied width passes the number check but cannot be converted.
    f.ui()->width->setText(QString());
    f.ui()->buttons->setText(QStringLiteral("5"));
    f.platform.dialogs.expectError();
    f.ui()->SpeedButton4->click();
    QCOMPARE(f.platform.dialogs.errors(),
             QStringList{QStringLiteral("'' is not a valid integer value.")});
    QCOMPARE(readFile(f.pagePath()), before);
    QCOMPARE(f.ui()->html_box->toPlainText(), startupTabText());

    // A page file that cannot be created: reported, and the tab is left empty.
    f.ui()->width->setText(QStringLiteral("100"));
    f.ui()->title->setText(QStringLiteral("no such folder/page"));
    f.platform.dialogs.clearShown();
    f.platform.dialogs.expectError();
    f.ui()->SpeedButton4->click();
    QCOMPARE(f.platform.dialogs.errors(), QStringList{QStringLiteral("Invalid filename.")});
    QCOMPARE(f.ui()->html_box->toPlainText(), QString());
    QCOMPARE(readFile(f.pagePath()), before);
    f.platform.dialogs.verifyAllUsed();
}

void MainCommandsTest::saveHtmlAsksFirstThenWritesTheAppletPart() {
    CommandsFixture f;
    QByteArray appletPart = crlfLines(startupAppletPart());

    // Cancelled: nothing generated, nothing written.
    f.platform.dialogs.answerSaveFile(std::nullopt);
    f.ui()->SpeedButton10->click();
    QVERIFY(!QFile::exists(f.pagePath()));
    QCOMPARE(f.ui()->html_box->toPlainText(), QString());

    // To another file: the page is written afresh and the file gets the tab's lines.
    const QString saved = f.path(QStringLiteral("applet.html"));
    f.platform.dialogs.answerSaveFile(saved);
    f.ui()->SpeedButton10->click();
    QCOMPARE(readFile(saved), appletPart);
    QCOMPARE(readFile(f.pagePath()), startupPage());
    const auto& shown = f.platform.dialogs.shown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[0].options.filter, QStringLiteral("HTML File (*.html);;Text File (*.txt)"));
    QCOMPARE(shown[0].options.defaultSuffix, QStringLiteral("html"));
    QVERIFY(shown[0].options.confirmOverwrite);
    QCOMPARE(shown[0].options.initialPath, f.w().WorkingDirectory);
    // The dialog reopens at the path it gave last; a cancel keeps that path.
    QCOMPARE(shown[1].options.initialPath, f.w().WorkingDirectory);
    f.platform.dialogs.answerSaveFile(std::nullopt);
    f.ui()->SpeedButton10->click();
    QCOMPARE(f.platform.dialogs.shown().last().options.initialPath, saved);

    // To the page file itself: it ends up holding only the applet part.
    f.platform.dialogs.answerSaveFile(f.pagePath());
    f.ui()->SpeedButton10->click();
    QCOMPARE(readFile(f.pagePath()), appletPart);

    // The chosen file cannot be created: reported after the page was written.
    QVERIFY(QFile::remove(f.pagePath()));
    f.platform.dialogs.clearShown();
    f.platform.dialogs.answerSaveFile(f.path(QStringLiteral("missing/applet.html")));
    f.platform.dialogs.expectError();
    f.ui()->SpeedButton10->click();
    QCOMPARE(f.platform.dialogs.errors(), QStringList{QStringLiteral("Invalid filename.")});
    QCOMPARE(readFile(f.pagePath()), startupPage());
    f.platform.dialogs.clearShown();

    // A generation that fails leaves the chosen file uncreated.
    f.ui()->height->setText(QString());
    const QString never = f.path(QStringLiteral("never.html"));
    f.platform.dialogs.answerSaveFile(never);
    f.platform.dialogs.expectError();
    f.ui()->SpeedButton10->click();
    QVERIFY(!QFile::exists(never));
    QCOMPARE(f.platform.dialogs.errors(),
             QStringList{QStringLiteral("'' is not a valid integer value.")});
    f.platform.dialogs.verifyAllUsed();
}

void MainCommandsTest::copyHtmlCopiesWhatTheTabHolds() {
    CommandsFixture f;
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(QStringLiteral("something else"));

    // Right after start-up the tab holds no HTML, and Copy generates none.
    f.ui()->SpeedButton9->click();
    QCOMPARE(clipboard->text(), QString());
    QVERIFY(!QFile::exists(f.pagePath()));

    f.ui()->SpeedButton4->click();
    filledTab(f, kStartupLines);
    QVERIFY(QFile::remove(f.pagePath()));
    // A setting changed after Make HTML does not reach the copy.
    f.ui()->title->setText(QStringLiteral("changed"));
    f.ui()->SpeedButton9->click();
    QCOMPARE(clipboard->text(), startupTabText());
    QVERIFY(!QFile::exists(f.pagePath()));
    QVERIFY(!QFile::exists(f.pagePath(QStringLiteral("changed"))));

    // The whole text stays selected.
    const QTextCursor cursor = f.ui()->html_box->textCursor();
    QCOMPARE(cursor.selectionStart(), 0);
    QCOMPARE(cursor.selectionEnd(), f.ui()->html_box->document()->characterCount() - 1);
    QVERIFY(cursor.hasSelection());
    f.platform.dialogs.verifyAllUsed();
}

void MainCommandsTest::copyAndSaveHtmlKeepWhatTheLinesHold() {
    CommandsFixture f;
    // Labels holding what a text box reads back differently, from a settings file.
    const QString labels[] = {QStringLiteral("no") + QChar(0xA0) + QStringLiteral("break"),
                              QStringLiteral("line") + QChar(0x2028) + QStringLiteral("sep"),
                              QStringLiteral("lone\nfeed"),
                              QStringLiteral("two\n\nfeeds"),
                              QStringLiteral("para") + QChar(0x2029) + QStringLiteral("sep"),
                              QStringLiteral("frame") + QChar(0xFDD0) + QStringLiteral("mark")};
    AppletSettings settings;
    settings.buttons = QStringLiteral("6");
    for (int k = 1; k <= 6; ++k)
        settings.table.setEntry(ButtonField::Label, k, labels[k - 1]);
    DeriveAppletValues(settings);
    const QString file = f.path(QStringLiteral("odd.txt"));
    writeFile(file, settingsFileBytes(settings));
    f.platform.dialogs.answerOpenFile(file);
    f.ui()->Open1->trigger();
    QCOMPARE(f.w().settings.table.entry(ButtonField::Label, 4), labels[3]);

    const QString saved = f.path(QStringLiteral("applet.html"));
    f.platform.dialogs.answerSaveFile(saved);
    f.ui()->SpeedButton10->click();
    const QByteArray page = readFile(f.pagePath());
    QVERIFY(page.contains("<param name=\"label 3\"         value=\"two\n\nfeeds\">\r\n"));
    // The file gets the applet part exactly as the page holds it, to its end.
    QCOMPARE(readFile(saved), appletPartOf(page));
    QVERIFY(readFile(saved).endsWith("\">\r\n</applet>\r\n</p>\r\n"));

    // The box shows each line as one line, the breaks inside it as breaks within
    // it; Copy HTML copies the lines themselves.
    const int lines = 2 + 13 + 4 * 6 + 2;
    filledTab(f, lines);
    f.ui()->SpeedButton9->click();
    const QString copied = QGuiApplication::clipboard()->text();
    QCOMPARE(copied, copiedText(page));
    for (const QString& label : labels)
        QVERIFY(copied.contains(QStringLiteral("\"") + label + QStringLiteral("\">\n")));
    QTextDocument* shown = f.ui()->html_box->document();
    QCOMPARE(shown->blockCount(), lines + 1);
    const QChar sep = QChar::LineSeparator;
    const QString expected[] = {labels[0],
                                labels[1],
                                QStringLiteral("lone") + sep + "feed",
                                QStringLiteral("two") + sep + sep + "feeds",
                                QStringLiteral("para") + sep + "sep",
                                QStringLiteral("frame") + QChar(0xFFFD) + "mark"};
    for (int k = 0; k < 6; ++k)
        QCOMPARE(shown->findBlockByNumber(15 + k).text(),
                 QStringLiteral("<param name=\"label %1\"         value=\"").arg(k) + expected[k] +
                     QStringLiteral("\">"));
    QCOMPARE(shown->lastBlock().previous().text(), QStringLiteral("</p>"));
    f.platform.dialogs.verifyAllUsed();
}

void MainCommandsTest::tabFillsWhenShownAndEndsWithExactlyTheLines() {
    CommandsFixture f;
    Ui::Tmain_window* ui = f.ui();
    QPlainTextEdit* box = ui->html_box;
    QClipboard* clipboard = QGuiApplication::clipboard();
    const int documents = int(f.w().findChildren<QTextDocument*>().size());

    // While the tab is not shown, nothing goes into the box.
    setUpBar(f, 3000, QStringLiteral("first "));
    ui->SpeedButton4->click();
    const QString first = copiedText(readFile(f.pagePath()));
    QCoreApplication::processEvents();
    QTest::qWait(20);
    QCOMPARE(box->blockCount(), 1);

    // Shown: the first slice puts in the first screenful, and from the top.
    ui->PageControl1->setCurrentWidget(ui->TabSheet3);
    QCoreApplication::processEvents();
    QVERIFY(box->blockCount() > 20);
    QVERIFY(box->blockCount() < 4 * 3000);
    QCOMPARE(box->verticalScrollBar()->value(), 0);
    QVERIFY(first.startsWith(box->toPlainText()));

    // Copy HTML during the fill copies every line.
    ui->SpeedButton9->click();
    QCOMPARE(clipboard->text(), first);

    // Hidden again: the fill waits. A new page replaces the half-filled box.
    ui->PageControl1->setCurrentWidget(ui->TabSheet1);
    const int waiting = box->blockCount();
    QTest::qWait(20);
    QCOMPARE(box->blockCount(), waiting);
    setUpBar(f, 2000, QStringLiteral("second "));
    ui->SpeedButton4->click();
    const QString second = copiedText(readFile(f.pagePath()));
    QCOMPARE(box->toPlainText(), QString());

    // Shown, a third Make HTML while it fills: the box ends with exactly its lines.
    ui->PageControl1->setCurrentWidget(ui->TabSheet3);
    QCoreApplication::processEvents();
    setUpBar(f, 2000, QStringLiteral("third "));
    ui->SpeedButton4->click();
    const QString third = copiedText(readFile(f.pagePath()));
    ui->SpeedButton9->click();
    QCOMPARE(filledTab(f, 17 + 4 * 2000), third);
    QCOMPARE(box->blockCount(), 17 + 4 * 2000 + 1);
    QVERIFY(third != second);
    // The copy made before the box was filled selected everything that came.
    QCOMPARE(clipboard->text(), third);
    QCOMPARE(box->textCursor().selectionStart(), 0);
    QCOMPARE(box->textCursor().selectionEnd(), box->document()->characterCount() - 1);
    QCOMPARE(box->verticalScrollBar()->value(), 0);

    // A full box replaced by a small page; the large document is freed meanwhile.
    setUpBar(f, 4, QStringLiteral("fourth "));
    ui->SpeedButton4->click();
    QCOMPARE(filledTab(f, kStartupLines), copiedText(readFile(f.pagePath())));
    QTRY_COMPARE(int(f.w().findChildren<QTextDocument*>().size()), documents);
    QCOMPARE(box->toPlainText(), copiedText(readFile(f.pagePath())));
    f.platform.dialogs.verifyAllUsed();
}

void MainCommandsTest::resetAllAnsweredNoChangesNothing() {
    CommandsFixture f;
    f.ui()->title->setText(QStringLiteral("mine"));
    f.ui()->width->setText(QStringLiteral("80"));
    f.ui()->font_size->setCurrentIndex(5);
    f.ui()->link_box->setText(QStringLiteral("a.html"));
    f.w().SettingsFileName = f.path(QStringLiteral("s.txt"));

    f.platform.dialogs.answerYesNo(false);
    f.ui()->SpeedButton2->click();
    const auto& shown = f.platform.dialogs.shown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].caption, QStringLiteral("Information"));
    QCOMPARE(shown[0].text, QStringLiteral("Are you sure you want to reset all values?"));
    QCOMPARE(f.ui()->title->text(), QStringLiteral("mine"));
    QCOMPARE(f.ui()->width->text(), QStringLiteral("80"));
    QCOMPARE(f.ui()->font_size->currentIndex(), 5);
    QCOMPARE(f.ui()->link_box->text(), QStringLiteral("a.html"));
    QCOMPARE(f.w().settings.table.entry(ButtonField::Link, 1), QStringLiteral("a.html"));
    QCOMPARE(f.w().SettingsFileName, f.path(QStringLiteral("s.txt")));
    f.platform.dialogs.verifyAllUsed();
}

void MainCommandsTest::resetAllKeepsTheOptionGroupsAndEmptiesEverything() {
    CommandsFixture f;
    Ui::Tmain_window* ui = f.ui();
    ui->Horz_check_box->setChecked(true);
    ui->bold->setChecked(true);
    ui->style1->setChecked(true);
    ui->right->setChecked(true);
    ui->buttons->setText(QStringLiteral("8"));
    for (int k = 1; k <= 8; ++k) {
        f.w().settings.table.setEntry(ButtonField::Label, k, QStringLiteral("label %1").arg(k));
        f.w().settings.table.setEntry(ButtonField::Frame, k, QStringLiteral("frame %1").arg(k));
    }
    f.w().settings.table.setEntry(ButtonField::Image, 32767, QStringLiteral("last.gif"));
    ui->SpeedButton8->click();
    ui->SpeedButton8->click();
    QCOMPARE(ui->Label14->text(), QStringLiteral("3"));
    ui->font_size->setCurrentIndex(7);
    ui->font_box->setCurrentIndex(2);
    ui->align->setCurrentIndex(2);
    ui->f_offset->setText(QStringLiteral("9"));
    ui->border->setText(QStringLiteral("7"));
    ui->degree->setText(QStringLiteral("30"));
    ui->title->setText(QStringLiteral("abc"));
    ui->width->setText(QStringLiteral("50"));
    ui->height->setText(QStringLiteral("40"));
    f.w().settings.buttonColour = AppletColour::fromRgb(1, 2, 3);
    f.w().settings.fontColour = AppletColour::fromRgb(4, 5, 6);
    f.w().settings.clickColour = AppletColour::fromRgb(7, 8, 9);
    f.w().SettingsFileName = f.path(QStringLiteral("s.txt"));
    ui->SpeedButton4->click();
    const QString tab = filledTab(f, 2 + 13 + 4 * 8 + 2);
    QVERIFY(tab.contains(QStringLiteral("value=\"label 8\"")));

    f.platform.dialogs.answerYesNo(true);
    ui->SpeedButton2->click();

    QVERIFY(ui->Horz_check_box->isChecked());
    QVERIFY(ui->bold->isChecked());
    QVERIFY(ui->style1->isChecked());
    QVERIFY(ui->right->isChecked());
    for (int k : {1, 3, 4, 5, 8, 32767})
        for (ButtonField field :
             {ButtonField::Link, ButtonField::Label, ButtonField::Image, ButtonField::Frame})
            QCOMPARE(f.w().settings.table.entry(field, k), QString());
    QCOMPARE(ui->font_size->currentIndex(), 2);
    QCOMPARE(ui->font_box->currentIndex(), 0);
    QCOMPARE(ui->align->currentIndex(), 0);
    QCOMPARE(f.w().CurrentButton, 1);
    QCOMPARE(ui->Label14->text(), QStringLiteral("1"));
    for (QLineEdit* box : {ui->link_box, ui->button_label, ui->image_box, ui->frame_box})
        QCOMPARE(box->text(), QString());
    QCOMPARE(ui->f_offset->text(), QStringLiteral("4"));
    QCOMPARE(ui->border->text(), QStringLiteral("3"));
    QCOMPARE(ui->degree->text(), QStringLiteral("20"));
    QCOMPARE(ui->buttons->text(), QStringLiteral("4"));
    QCOMPARE(ui->title->text(), QStringLiteral("untitled"));
    QCOMPARE(ui->width->text(), QStringLiteral("100"));
    QCOMPARE(ui->height->text(), QStringLiteral("26"));
    // The title went in through its change handling: the caption follows it.
    QCOMPARE(ui->Label18->text(), QStringLiteral("\"untitled.html\""));
    QCOMPARE(f.w().settings.buttonColour.hex, QStringLiteral("0000FF"));
    QCOMPARE(f.w().settings.buttonColour.value, 16711680);
    QCOMPARE(f.w().settings.fontColour.hex, QStringLiteral("FFFFFF"));
    QCOMPARE(f.w().settings.fontColour.value, 16777215);
    QCOMPARE(f.w().settings.clickColour.hex, QStringLiteral("FF0000"));
    QCOMPARE(f.w().settings.clickColour.value, 255);
    QCOMPARE(ui->Color_Panel->palette().color(QPalette::Window), QColor(0, 0, 255));
    QCOMPARE(ui->font_color_panel->palette().color(QPalette::Window), QColor(255, 255, 255));
    QCOMPARE(ui->click_color_box->palette().color(QPalette::Window), QColor(255, 0, 0));
    QVERIFY(f.w().SettingsFileName.isEmpty());
    // The tab and the page file are left as they were.
    QCOMPARE(ui->html_box->toPlainText(), tab);
    QVERIFY(QFile::exists(f.pagePath(QStringLiteral("abc"))));

    // The next page has the reset values and the kept option groups.
    ui->SpeedButton4->click();
    const QByteArray page = readFile(f.pagePath());
    QVERIFY(page.contains("<applet code=\"button.class\" width=400 height=26>\r\n"));
    QVERIFY(page.contains("<param name=\"color\"          value=\"0000FF\">\r\n"));
    QVERIFY(page.contains("<param name=\"f_style\"        value=\"1\">\r\n"));
    // Save now asks for a name.
    f.platform.dialogs.answerSaveFile(std::nullopt);
    ui->Save1->trigger();
    f.platform.dialogs.verifyAllUsed();
}

void MainCommandsTest::exitEndsTheEventLoop() {
    CommandsFixture f;
    f.window->show();
    QTimer::singleShot(0, f.window.get(), [&f] { f.ui()->Exit1->trigger(); });
    // A guard in case Exit does not work, so the test fails instead of hanging.
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(7); });
    guard.start(5000);
    QCOMPARE(QCoreApplication::exec(), 0);
    f.platform.dialogs.verifyAllUsed();
}

void MainCommandsTest::helpOpensTheTwoTopics() {
    CommandsFixture f;
    f.ui()->Help1->trigger();
    f.ui()->Troubleshooting1->trigger();
    const auto& requests = f.platform.helpViewer.requests;
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests[0].file, QStringLiteral("Help.hlp"));
    QCOMPARE(requests[0].context, 10);
    QCOMPARE(requests[1].file, QStringLiteral("Help.hlp"));
    QCOMPARE(requests[1].context, 60);
    f.platform.dialogs.verifyAllUsed();
}

QTEST_MAIN(MainCommandsTest)
#include "main_commands_test.moc"
