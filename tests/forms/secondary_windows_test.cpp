// The browser settings, quick tip and About windows on their own, with the real
// preferences store in a temporary folder.
#include "file_size_limit.h"
#include "forms/about/about_window.h"
#include "forms/browser/browser_window.h"
#include "forms/tip/tip_window.h"
#include "prefs/preferences.h"
#include "test_platform.h"

#include "ui_about_window.h"
#include "ui_browser_window.h"
#include "ui_tip_window.h"

#include <QApplication>
#include <QSettings>
#include <QTest>

using namespace brivane;
using brivane::test::ScriptedDialogs;
using brivane::test::TestPlatform;

namespace {

QString storedBrowser(const TestPlatform& tp) {
    QSettings file(tp.systemPreferencesFolder() + QStringLiteral("/Orlinde/Brivane.conf"),
                   QSettings::IniFormat);
    return file.value(QStringLiteral("browser")).toString();
}

// A store, the preferences read from it, and the browser window on top.
struct BrowserFixture {
    TestPlatform tp;
    PreferencesStore store;
    Preferences prefs{store};
    Tbrowser_window window{tp.platform, prefs};
    Ui::Tbrowser_window* ui = window.controls();

    BrowserFixture() { prefs.LoadPreferences(); }
    void browse(const std::optional<QString>& answer) {
        tp.dialogs.answerOpenFile(answer);
        QTest::mouseClick(ui->SpeedButton1, Qt::LeftButton);
    }
};

const QString kProgram = QStringLiteral("/opt/web browser/bin/browse");

} // namespace

class SecondaryWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void browserWindowLayout();
    void browserShowTakesTheSettingEachTime();
    void browserCancelPutsBackWhatWasFound();
    void browserClosingKeepsTheChoiceButStoresNothing();
    void browserTickAndOk();
    void browserBrowseCancelledChangesNothing();
    void browserOkWhoseWriteFailsStaysOpen();
    void tipWindow();
    void aboutWindowLinks();
};

void SecondaryWindowsTest::browserWindowLayout() {
    BrowserFixture f;
    QCOMPARE(f.window.windowTitle(), QStringLiteral("Browser"));
    QCOMPARE(f.window.size(), QSize(304, 153));
    QCOMPARE(f.window.minimumSize(), f.window.maximumSize());
    QVERIFY(f.window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(!f.window.isModal());
    QVERIFY(f.ui->Browser_box->isReadOnly());
    QCOMPARE(f.ui->default_check->text(), QStringLiteral("Use Default Browser"));
    QCOMPARE(f.ui->GroupBox1->title(), QStringLiteral("Web Browser"));
    QCOMPARE(f.ui->Label2->text(), QStringLiteral("Current Browser used to launch applets:"));
    QCOMPARE(f.ui->SpeedButton1->text(), QStringLiteral("Browse"));
    QCOMPARE(f.ui->SpeedButton1->focusPolicy(), Qt::NoFocus);
    QCOMPARE(f.ui->Ok_button->geometry(), QRect(72, 120, 75, 25));
    QCOMPARE(f.ui->cancel_button->geometry(), QRect(160, 120, 75, 25));
    QCOMPARE(f.ui->Browser_box->geometry(), QRect(8, 36, 273, 21));

    // Tab walks the box, the tick, Ok and Cancel, and passes Browse by.
    f.window.show();
    QVERIFY(QTest::qWaitForWindowActive(&f.window));
    f.ui->Browser_box->setFocus();
    QWidget* expected[] = {f.ui->default_check, f.ui->Ok_button, f.ui->cancel_button,
                           f.ui->Browser_box};
    for (QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
}

void SecondaryWindowsTest::browserShowTakesTheSettingEachTime() {
    BrowserFixture f;
    // Shown with "default": the box says so and the tick is set.
    f.ui->default_check->setChecked(false);
    f.window.show();
    QCOMPARE(f.ui->Browser_box->text(), QStringLiteral("default"));
    QVERIFY(f.ui->default_check->isChecked());
    QCOMPARE(f.window.SavedBrowserSetting, QStringLiteral("default"));
    f.window.hide();

    // A setting that only looks like "default" is a program path.
    f.prefs.BrowserSetting = QStringLiteral("Default");
    f.window.show();
    QCOMPARE(f.ui->Browser_box->text(), QStringLiteral("Default"));
    QVERIFY(!f.ui->default_check->isChecked());
    QCOMPARE(f.window.SavedBrowserSetting, QStringLiteral("Default"));

    // Showing it again while it is open keeps the copy taken when it opened.
    f.prefs.BrowserSetting = kProgram;
    f.window.show();
    QCOMPARE(f.window.SavedBrowserSetting, QStringLiteral("Default"));
    QCOMPARE(f.ui->Browser_box->text(), QStringLiteral("Default"));
    f.tp.dialogs.verifyAllUsed();
}

void SecondaryWindowsTest::browserCancelPutsBackWhatWasFound() {
    BrowserFixture f;
    f.window.show();
    f.browse(kProgram);

    const auto& shown = f.tp.dialogs.shown();
    QCOMPARE(shown.size(), 1);
    QCOMPARE(shown[0].kind, ScriptedDialogs::Kind::OpenFile);
    QCOMPARE(shown[0].options.filter, QStringLiteral("Applications (*)"));
    QVERIFY(shown[0].options.mustExist);
    // The choice is in effect at once, before Ok.
    QCOMPARE(f.ui->Browser_box->text(), kProgram);
    QCOMPARE(f.prefs.BrowserSetting, kProgram);
    QVERIFY(!f.ui->default_check->isChecked());

    QTest::mouseClick(f.ui->cancel_button, Qt::LeftButton);
    QVERIFY(!f.window.isVisible());
    QCOMPARE(f.ui->Browser_box->text(), QStringLiteral("default"));
    QCOMPARE(f.prefs.BrowserSetting, QStringLiteral("default"));
    QCOMPARE(storedBrowser(f.tp), QStringLiteral("default"));
    f.tp.dialogs.verifyAllUsed();
}

void SecondaryWindowsTest::browserClosingKeepsTheChoiceButStoresNothing() {
    BrowserFixture f;
    f.window.show();
    f.browse(kProgram);
    QVERIFY(f.window.close());
    QVERIFY(!f.window.isVisible());
    QCOMPARE(f.prefs.BrowserSetting, kProgram);
    QCOMPARE(storedBrowser(f.tp), QStringLiteral("default"));

    // Opened again, it starts from the program now in effect.
    f.window.show();
    QCOMPARE(f.window.SavedBrowserSetting, kProgram);
    QCOMPARE(f.ui->Browser_box->text(), kProgram);
    QVERIFY(!f.ui->default_check->isChecked());
    f.tp.dialogs.verifyAllUsed();
}

void SecondaryWindowsTest::browserTickAndOk() {
    BrowserFixture f;
    f.window.show();
    // Clearing the tick without browsing changes nothing; Ok stores "default".
    QTest::mouseClick(f.ui->default_check, Qt::LeftButton);
    QVERIFY(!f.ui->default_check->isChecked());
    QCOMPARE(f.ui->Browser_box->text(), QStringLiteral("default"));
    QCOMPARE(f.prefs.BrowserSetting, QStringLiteral("default"));
    QTest::mouseClick(f.ui->Ok_button, Qt::LeftButton);
    QVERIFY(!f.window.isVisible());
    QCOMPARE(storedBrowser(f.tp), QStringLiteral("default"));

    // A program chosen and confirmed is stored and read back by a later run.
    f.window.show();
    f.browse(kProgram);
    QTest::mouseClick(f.ui->Ok_button, Qt::LeftButton);
    QVERIFY(!f.window.isVisible());
    QCOMPARE(storedBrowser(f.tp), kProgram);
    Preferences later(f.store);
    later.LoadPreferences();
    QCOMPARE(later.BrowserSetting, kProgram);

    // Ticking after a program was chosen switches back at once, before Ok.
    f.window.show();
    QTest::mouseClick(f.ui->default_check, Qt::LeftButton);
    QVERIFY(f.ui->default_check->isChecked());
    QCOMPARE(f.ui->Browser_box->text(), QStringLiteral("default"));
    QCOMPARE(f.prefs.BrowserSetting, QStringLiteral("default"));
    QCOMPARE(storedBrowser(f.tp), kProgram);
    // Cancel goes back to the program the window found.
    QTest::mouseClick(f.ui->cancel_button, Qt::LeftButton);
    QCOMPARE(f.prefs.BrowserSetting, kProgram);

    // With the store gone, Ok stores nothing, says nothing and still closes.
    QVERIFY(QFile::remove(f.tp.systemPreferencesFolder() + "/Orlinde/Brivane.conf"));
    f.window.show();
    QTest::mouseClick(f.ui->default_check, Qt::LeftButton);
    QTest::mouseClick(f.ui->Ok_button, Qt::LeftButton);
    QVERIFY(!f.window.isVisible());
    QCOMPARE(f.prefs.BrowserSetting, QStringLiteral("default"));
    QVERIFY(!QFile::exists(f.tp.systemPreferencesFolder() + "/Orlinde/Brivane.conf"));
    f.tp.dialogs.verifyAllUsed();
}

void SecondaryWindowsTest::browserBrowseCancelledChangesNothing() {
    BrowserFixture f;
    f.prefs.BrowserSetting = kProgram;
    f.window.show();
    f.browse(std::nullopt);
    QCOMPARE(f.ui->Browser_box->text(), kProgram);
    QCOMPARE(f.prefs.BrowserSetting, kProgram);
    QVERIFY(!f.ui->default_check->isChecked());
    // The dialog opens at the program in use.
    QCOMPARE(f.tp.dialogs.shown().at(0).options.initialPath, kProgram);
    QVERIFY(f.window.isVisible());
    f.tp.dialogs.verifyAllUsed();
}

void SecondaryWindowsTest::browserOkWhoseWriteFailsStaysOpen() {
    BrowserFixture f;
    f.window.show();
    f.browse(kProgram);
    f.tp.dialogs.expectError();
    {
        brivane::test::FileSizeLimit limit(8);
        QVERIFY(limit.active());
        QTest::mouseClick(f.ui->Ok_button, Qt::LeftButton);
    }
    QCOMPARE(f.tp.dialogs.errors(), QStringList{"Failed to set data for 'browser'"});
    // The window stays open with the new choice in effect; the store keeps the old one.
    QVERIFY(f.window.isVisible());
    QCOMPARE(f.prefs.BrowserSetting, kProgram);
    QCOMPARE(storedBrowser(f.tp), QStringLiteral("default"));
    // Ok again once the store can be written.
    QTest::mouseClick(f.ui->Ok_button, Qt::LeftButton);
    QVERIFY(!f.window.isVisible());
    QCOMPARE(storedBrowser(f.tp), kProgram);
    f.tp.dialogs.verifyAllUsed();
}

void SecondaryWindowsTest::tipWindow() {
    Ttip_window tip;
    Ui::Ttip_window* ui = tip.controls();
    QCOMPARE(tip.windowTitle(), QStringLiteral("Quick Tip"));
    QCOMPARE(tip.size(), QSize(305, 162));
    QVERIFY(tip.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(ui->Button1->text(), QStringLiteral("Ok"));
    QLabel* labels[] = {ui->Label1, ui->Label2, ui->Label3, ui->Label4, ui->Label5, ui->Label6};
    for (int i = 0; i < 6; ++i) {
        QCOMPARE(labels[i]->geometry(), QRect(8, 8 + 16 * i, 273, 13));
        QCOMPARE(labels[i]->parentWidget(), ui->Panel1);
    }

    // Every line is replaced, the empty ones included.
    tip.setLines({"a", "b", "c", "d", "e", "f"});
    tip.setLines({"", "two", "", "four ", "", ""});
    QCOMPARE(tip.lines(), (Ttip_window::Lines{"", "two", "", "four ", "", ""}));

    tip.showTip();
    QVERIFY(QTest::qWaitForWindowActive(&tip));
    QVERIFY(tip.isVisible());
    QVERIFY(!tip.isModal());
    QCOMPARE(QApplication::focusWidget(), ui->Button1);
    QTest::mouseClick(ui->Button1, Qt::LeftButton);
    QVERIFY(!tip.isVisible());
    // Shown again by the next tip.
    tip.showTip();
    QVERIFY(tip.isVisible());
}

void SecondaryWindowsTest::aboutWindowLinks() {
    TestPlatform tp;
    TAboutWindow about(tp.platform);
    Ui::TAboutWindow* ui = about.controls();
    QCOMPARE(about.windowTitle(), QStringLiteral("About"));
    QCOMPARE(about.size(), QSize(193, 169));
    QVERIFY(about.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QCOMPARE(ui->Title->text(), QStringLiteral("Brivane"));
    QVERIFY(ui->Title->font().bold());
    QCOMPARE(ui->Label3->text(), QStringLiteral("Version  1.3"));
    QCOMPARE(ui->Label2->text(), QStringLiteral("info@orlinde.example"));
    QCOMPARE(ui->Label1->text(), QStringLiteral("https://www.orlinde.example/"));
    for (QLabel* link : {ui->Label1, ui->Label2}) {
        link->ensurePolished();
        QVERIFY(link->font().underline());
        QCOMPARE(link->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(link->palette().color(QPalette::WindowText), QColor(0, 113, 113));
    }

    // Each link asks the shell first, then closes the window.
    about.show();
    QTest::mouseClick(ui->Label1, Qt::LeftButton);
    QVERIFY(!about.isVisible());
    about.show();
    QTest::mouseClick(ui->Label2, Qt::LeftButton);
    QVERIFY(!about.isVisible());
    const QList<ShellRequest> expected = {
        {"open", "https://www.orlinde.example/index.html", ""},
        {"open", "mailto:info@orlinde.example", ""},
    };
    QCOMPARE(tp.shell.requests, expected);

    // A click that starts on the label but is released outside it opens nothing.
    about.show();
    QTest::mousePress(ui->Label1, Qt::LeftButton);
    QTest::mouseRelease(ui->Label1, Qt::LeftButton, {}, QPoint(-5, -5));
    QVERIFY(about.isVisible());
    QCOMPARE(tp.shell.requests.size(), 2);
    tp.dialogs.verifyAllUsed();
}

QTEST_MAIN(SecondaryWindowsTest)
#include "secondary_windows_test.moc"
