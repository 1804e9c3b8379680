// Quick tips, the browser and About windows opened from the menu, and the
// maker's web links, on the program's own windows and the real store kept in a
// temporary folder.
#include "app/startup.h"
#include "file_size_limit.h"
#include "forms/about/about_window.h"
#include "forms/browser/browser_window.h"
#include "forms/main/main_window.h"
#include "forms/tip/tip_window.h"
#include "prefs/preferences.h"
#include "test_platform.h"

#include "ui_browser_window.h"
#include "ui_main_window.h"
#include "ui_tip_window.h"

#include <QApplication>
#include <QFile>
#include <QSettings>
#include <QTabWidget>
#include <QTest>

#include <functional>

using namespace brivane;
using brivane::test::ScriptedDialogs;
using brivane::test::TestPlatform;

namespace {

using Lines = Ttip_window::Lines;

const Lines kTip1 = {
    "", "", "In this box you put the internet address of the", "link for this button.", "", ""};
const Lines kTip2 = {
    "", "In this box you can enter the target frame for",         "the button link.",
    "", "If you do not want to use this feature leave it blank.", ""};
const Lines kTip3 = {"In this box you can enter the path to an image",
                     "for this button.",
                     "Java only works with images which are on the same",
                     "server as the applet (or on your hard drive)",
                     "I recommend allways putting the images in the ",
                     "same directory as the html file with the applet."};
const Lines kTip4 = {"The border color change box specifies the",
                     "rate the button border gets lighter or darker.",
                     "Lower numbers make the border color change",
                     "at a slower rate.",
                     "The top and left sides of the button get lighter",
                     "and the bottom and right sides get darker."};
const Lines kTip5 = {"",
                     "The spacing box specifies the distace in pixels between",
                     "the edge of the button, the image (if an image",
                     "is used) and the text on the button.",
                     "",
                     ""};

const QString kRangeDegree = QStringLiteral("You must enter a numeric value between 0 and 255");

QString storeFile(const TestPlatform& tp) {
    return tp.systemPreferencesFolder() + QStringLiteral("/Orlinde/Brivane.conf");
}

QString stored(const TestPlatform& tp, const QString& name) {
    QSettings file(storeFile(tp), QSettings::IniFormat);
    return file.value(name).toString();
}

// Lets a test look at the program's state at the moment a message appears.
class ObservingDialogs : public ScriptedDialogs {
public:
    std::function<void(const QString&)> onMessage;
    void showMessage(QWidget* parent, const QString& text) override {
        if (onMessage)
            onMessage(text);
        ScriptedDialogs::showMessage(parent, text);
    }
};

// One run of the program: the store read at start-up and the four windows.
struct Run {
    PreferencesStore store;
    Preferences prefs{store};
    std::unique_ptr<ProgramWindows> windows;
    Tmain_window* main = nullptr;
    Ui::Tmain_window* ui = nullptr;
    Ttip_window* tip = nullptr;

    explicit Run(Platform& platform) {
        windows = createProgramWindows(platform, prefs);
        main = windows->main.get();
        ui = main->controls();
        tip = windows->tip.get();
    }

    // Brings the main window to the front, as the user clicking into it.
    bool activate() {
        main->show();
        main->raise();
        main->activateWindow();
        return QTest::qWaitForWindowActive(main);
    }

    // The focus moves into a box, as with the Tab key, on the page that holds it.
    void enter(QWidget* box) {
        for (QWidget* w = box; w && w->parentWidget(); w = w->parentWidget())
            if (auto* pages = qobject_cast<QTabWidget*>(w->parentWidget()->parentWidget()))
                pages->setCurrentWidget(w);
        QVERIFY(box->isVisible());
        box->setFocus(Qt::TabFocusReason);
    }
};

} // namespace

class TipsAndLinksTest : public QObject {
    Q_OBJECT

private slots:
    void perButtonTipsShowOnceEver();
    void degreeTipComesBeforeTheRangeMessage();
    void spacingTipOnSpacingOnly();
    void noNumberTipBeforeTheWindowIsActivated();
    void onlyExactlyFalseShowsATip();
    void tipWithTheStoreGoneShowsAgainNextRun();
    void storeThatCannotBeCreated();
    void tipWhoseStoreWriteFails();
    void menuWindowsAndWebLinks();
};

void TipsAndLinksTest::perButtonTipsShowOnceEver() {
    TestPlatform tp;
    {
        Run run(tp.platform);
        QCOMPARE(run.prefs.TipFlags[0], QStringLiteral("false"));
        QVERIFY(run.activate());
        QVERIFY(!run.tip->isVisible());

        run.enter(run.ui->link_box);
        QVERIFY(run.tip->isVisible());
        QCOMPARE(run.tip->lines(), kTip1);
        QCOMPARE(run.prefs.TipFlags[0], QStringLiteral("true"));
        QCOMPARE(stored(tp, "tip1"), QStringLiteral("true"));
        QCOMPARE(stored(tp, "tip2"), QStringLiteral("false"));
        // The tip takes the front and its Ok button the focus.
        QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(run.tip));
        QCOMPARE(QApplication::focusWidget(), run.tip->controls()->Button1);

        QTest::mouseClick(run.tip->controls()->Button1, Qt::LeftButton);
        QVERIFY(!run.tip->isVisible());
        QVERIFY(run.activate());
        run.enter(run.ui->width);
        run.enter(run.ui->link_box);
        QVERIFY(!run.tip->isVisible());

        // Tip 2, then tip 3 into the window still open: every line is replaced.
        run.enter(run.ui->frame_box);
        QVERIFY(run.tip->isVisible());
        QCOMPARE(run.tip->lines(), kTip2);
        QVERIFY(run.activate());
        run.enter(run.ui->image_box);
        QCOMPARE(run.tip->lines(), kTip3);
        QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(run.tip));
        for (const char* name : {"tip1", "tip2", "tip3"})
            QCOMPARE(stored(tp, name), QStringLiteral("true"));
        QCOMPARE(stored(tp, "tip4"), QStringLiteral("false"));
        run.tip->hide();
    }
    {
        // A later run on the same machine shows none of them again.
        Run later(tp.platform);
        QVERIFY(later.activate());
        for (QWidget* box : {later.ui->link_box, later.ui->frame_box, later.ui->image_box}) {
            later.enter(later.ui->width);
            later.enter(box);
            QVERIFY(!later.tip->isVisible());
        }
        QCOMPARE(later.prefs.TipFlags[2], QStringLiteral("true"));
        QCOMPARE(later.prefs.TipFlags[3], QStringLiteral("false"));
    }
    tp.dialogs.verifyAllUsed();
}

void TipsAndLinksTest::degreeTipComesBeforeTheRangeMessage() {
    TestPlatform tp;
    ObservingDialogs dialogs;
    Platform platform{dialogs, tp.shell, tp.fileCopier, tp.helpViewer};
    Run run(platform);
    QVERIFY(run.activate());

    bool tipShownFirst = false;
    QString storedFirst;
    Lines linesFirst;
    dialogs.onMessage = [&](const QString&) {
        tipShownFirst = run.tip->isVisible();
        storedFirst = stored(tp, "tip4");
        linesFirst = run.tip->lines();
    };
    dialogs.expectMessage();
    run.ui->degree->setText(QStringLiteral("300"));
    QCOMPARE(dialogs.messages(), QStringList{kRangeDegree});
    QVERIFY(tipShownFirst);
    QCOMPARE(storedFirst, QStringLiteral("true"));
    QCOMPARE(linesFirst, kTip4);
    // The number check still ran to its end.
    QCOMPARE(run.ui->degree->text(), QStringLiteral("255"));

    // The next out-of-range change brings the message only.
    run.tip->hide();
    dialogs.clearShown();
    tipShownFirst = true;
    dialogs.expectMessage();
    run.ui->degree->setText(QStringLiteral("256"));
    QCOMPARE(dialogs.messages(), QStringList{kRangeDegree});
    QVERIFY(!tipShownFirst);
    QVERIFY(!run.tip->isVisible());
    dialogs.verifyAllUsed();
    tp.dialogs.verifyAllUsed();
}

void TipsAndLinksTest::spacingTipOnSpacingOnly() {
    TestPlatform tp;
    Run run(tp.platform);
    QVERIFY(run.activate());
    run.ui->buttons->setText(QStringLiteral("3"));
    QVERIFY(!run.tip->isVisible());
    QCOMPARE(run.prefs.TipFlags[4], QStringLiteral("false"));

    run.ui->f_offset->setText(QStringLiteral("7"));
    QVERIFY(run.tip->isVisible());
    QCOMPARE(run.tip->lines(), kTip5);
    QCOMPARE(run.prefs.TipFlags[4], QStringLiteral("true"));
    QCOMPARE(stored(tp, "tip5"), QStringLiteral("true"));
    QCOMPARE(stored(tp, "tip4"), QStringLiteral("false"));

    run.tip->hide();
    run.ui->buttons->setText(QStringLiteral("5"));
    run.ui->f_offset->setText(QStringLiteral("6"));
    QVERIFY(!run.tip->isVisible());
    tp.dialogs.verifyAllUsed();
}

void TipsAndLinksTest::noNumberTipBeforeTheWindowIsActivated() {
    TestPlatform tp;
    Run run(tp.platform);
    QVERIFY(!run.main->MainWindowActivated);
    run.ui->degree->setText(QStringLiteral("10"));
    run.ui->f_offset->setText(QStringLiteral("2"));
    QVERIFY(!run.tip->isVisible());
    QCOMPARE(run.prefs.TipFlags[3], QStringLiteral("false"));
    QCOMPARE(run.prefs.TipFlags[4], QStringLiteral("false"));
    QCOMPARE(stored(tp, "tip4"), QStringLiteral("false"));

    // Once the user has the window, the same change shows the tip.
    QVERIFY(run.activate());
    QVERIFY(run.main->MainWindowActivated);
    run.ui->degree->setText(QStringLiteral("11"));
    QVERIFY(run.tip->isVisible());
    QCOMPARE(run.tip->lines(), kTip4);
    tp.dialogs.verifyAllUsed();
}

void TipsAndLinksTest::onlyExactlyFalseShowsATip() {
    TestPlatform tp;
    QVERIFY(QDir().mkpath(tp.systemPreferencesFolder() + "/Orlinde"));
    const QByteArray content =
        "[General]\nbrowser=default\ntip1=False\ntip2=\ntip3=FALSE\ntip4=False\ntip5=true\n";
    {
        QFile f(storeFile(tp));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    Run run(tp.platform);
    QVERIFY(run.activate());
    for (QWidget* box : {run.ui->link_box, run.ui->frame_box, run.ui->image_box}) {
        run.enter(run.ui->width);
        run.enter(box);
    }
    run.ui->degree->setText(QStringLiteral("12"));
    run.ui->f_offset->setText(QStringLiteral("3"));
    QVERIFY(!run.tip->isVisible());
    QCOMPARE(run.prefs.TipFlags[0], QStringLiteral("False"));
    QFile f(storeFile(tp));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), content);
    tp.dialogs.verifyAllUsed();
}

void TipsAndLinksTest::tipWithTheStoreGoneShowsAgainNextRun() {
    TestPlatform tp;
    {
        Run run(tp.platform);
        QVERIFY(run.activate());
        QVERIFY(QFile::remove(storeFile(tp)));
        run.enter(run.ui->link_box);
        QVERIFY(run.tip->isVisible());
        QVERIFY(!QFile::exists(storeFile(tp)));
        // Not again in this run.
        run.tip->hide();
        QVERIFY(run.activate());
        run.enter(run.ui->width);
        run.enter(run.ui->link_box);
        QVERIFY(!run.tip->isVisible());
    }
    Run next(tp.platform);
    QVERIFY(next.activate());
    next.enter(next.ui->link_box);
    QVERIFY(next.tip->isVisible());
    QCOMPARE(next.tip->lines(), kTip1);
    tp.dialogs.verifyAllUsed();
}

void TipsAndLinksTest::storeThatCannotBeCreated() {
    TestPlatform tp;
    for (const QString& folder : {tp.systemPreferencesFolder(), tp.userPreferencesFolder()}) {
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    }
    tp.dialogs.expectError();
    Run run(tp.platform);
    QCOMPARE(tp.dialogs.errors(),
             QStringList{QStringLiteral("Failed to create key \\SOFTWARE\\Orlinde\\Brivane.")});
    QCOMPARE(run.prefs.BrowserSetting, QStringLiteral("default"));
    QCOMPARE(run.prefs.TipFlags[0], QString());

    // The window comes up and works, without tips in this run.
    QVERIFY(run.activate());
    run.enter(run.ui->link_box);
    run.ui->degree->setText(QStringLiteral("13"));
    QVERIFY(!run.tip->isVisible());
    QCOMPARE(run.ui->degree->text(), QStringLiteral("13"));
    tp.dialogs.expectMessage();
    run.ui->degree->setText(QStringLiteral("999"));
    QCOMPARE(run.ui->degree->text(), QStringLiteral("255"));
    tp.dialogs.verifyAllUsed();
}

void TipsAndLinksTest::tipWhoseStoreWriteFails() {
    TestPlatform tp;
    Run run(tp.platform);
    QVERIFY(run.activate());
    {
        brivane::test::FileSizeLimit limit(8);
        QVERIFY(limit.active());
        // Tip 1 ends at the failed write, before its window would show.
        tp.dialogs.expectError();
        run.enter(run.ui->link_box);
        QVERIFY(!run.tip->isVisible());
        QCOMPARE(run.prefs.TipFlags[0], QStringLiteral("true"));

        // Tip 4 ends too, and the number check of that change does not run.
        tp.dialogs.expectError();
        run.ui->degree->setText(QStringLiteral("300"));
        QVERIFY(!run.tip->isVisible());
        QCOMPARE(run.ui->degree->text(), QStringLiteral("300"));

        // Tip 3's window is already up when its write fails.
        QVERIFY(run.activate());
        tp.dialogs.expectError();
        run.enter(run.ui->image_box);
        QVERIFY(run.tip->isVisible());
        QCOMPARE(run.tip->lines(), kTip3);
    }
    QCOMPARE(tp.dialogs.errors(),
             (QStringList{"Failed to set data for 'tip1'", "Failed to set data for 'tip4'",
                          "Failed to set data for 'tip3'"}));
    for (const char* name : {"tip1", "tip3", "tip4"})
        QCOMPARE(stored(tp, name), QStringLiteral("false"));
    tp.dialogs.verifyAllUsed();
}

void TipsAndLinksTest::menuWindowsAndWebLinks() {
    TestPlatform tp;
    Run run(tp.platform);
    QVERIFY(run.activate());
    TAboutWindow* about = run.windows->about.get();

    // About twice: one window, shown and in front.
    run.ui->About2->trigger();
    run.ui->About2->trigger();
    QVERIFY(about->isVisible());
    QCOMPARE(QApplication::topLevelWidgets().count(about), 1);
    int shownAbout = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        shownAbout += qobject_cast<TAboutWindow*>(w) && w->isVisible();
    QCOMPARE(shownAbout, 1);
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(about));
    QVERIFY(run.main->isEnabled());

    // The web pages leave the About window as it was.
    run.ui->Homepage1->trigger();
    run.ui->Downloads1->trigger();
    QVERIFY(about->isVisible());
    about->Label1Click();
    QVERIFY(!about->isVisible());
    run.ui->Homepage1->trigger();
    QVERIFY(!about->isVisible());
    const QList<ShellRequest> expected = {
        {"open", "https://www.orlinde.example/index.html", ""},
        {"open", "https://www.orlinde.example/download.html", ""},
        {"open", "https://www.orlinde.example/index.html", ""},
        {"open", "https://www.orlinde.example/index.html", ""},
    };
    QCOMPARE(tp.shell.requests, expected);

    // Options > Browser shows the browser window with the setting in effect.
    run.prefs.BrowserSetting = QStringLiteral("/usr/bin/browse");
    run.ui->Browser1->trigger();
    Tbrowser_window* browser = run.windows->browser.get();
    QVERIFY(browser->isVisible());
    QCOMPARE(browser->controls()->Browser_box->text(), QStringLiteral("/usr/bin/browse"));
    QVERIFY(!browser->isModal());
    tp.dialogs.verifyAllUsed();
}

QTEST_MAIN(TipsAndLinksTest)
#include "tips_and_links_test.moc"
