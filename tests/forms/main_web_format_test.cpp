// Options > Page Format: the choice, where it is kept, and what Make HTML, Save
// HTML, Test Applet and the image browse dialog do in each format.
#include "commands_fixture.h"
#include "model/web_page.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QSettings>

using namespace brivane;
using namespace brivane::test;

namespace {

QString storeFile(const TestPlatform& platform) {
    return platform.systemPreferencesFolder() + QStringLiteral("/Orlinde/Brivane.conf");
}

QString storedValue(const TestPlatform& platform, const QString& name) {
    QSettings file(storeFile(platform), QSettings::IniFormat);
    return file.value(name, QStringLiteral("<missing>")).toString();
}

QString storedFormat(const TestPlatform& platform) {
    return storedValue(platform, QStringLiteral("format"));
}

// A window started on a store that holds `content`.
struct StartedOn {
    QTemporaryDir dir;
    TestPlatform platform;
    PreferencesStore store;
    Preferences preferences{store};
    std::unique_ptr<Tmain_window> window;

    explicit StartedOn(const QByteArray& content) {
        QDir().mkpath(platform.systemPreferencesFolder() + QStringLiteral("/Orlinde"));
        writeFile(storeFile(platform), content);
        QDir::setCurrent(dir.path());
    }
    void start() { window = std::make_unique<Tmain_window>(platform.platform, preferences); }
    ~StartedOn() {
        window.reset();
        QDir::setCurrent(QDir::tempPath());
    }
};

const QByteArray kStoredTips = "browser=default\ntip1=true\ntip2=true\ntip3=true\ntip4=true\n"
                               "tip5=true\n";

} // namespace

class MainWebFormatTest : public QObject {
    Q_OBJECT

private slots:
    void menuChoiceIsKeptInTheStore();
    void storedFormatIsReadAtStartUp();
    void webPageThenAppletPageAgain();
    void imageBrowseOffersWebImagesInTheWebFormat();
    void pageLanguageIsAskedCheckedAndKept();
    void storedLanguageIsReadAtStartUp();
};

void MainWebFormatTest::menuChoiceIsKeptInTheStore() {
    CommandsFixture f;
    // Options: Browser, then Page Format with its two exclusive items, then Page
    // Language and Page Folder.
    const QList<QAction*> options = f.ui()->Options1->actions();
    QCOMPARE(options.size(), 4);
    QCOMPARE(options[1]->text(), QStringLiteral("Page Format"));
    const QList<QAction*> items = options[1]->menu()->actions();
    QCOMPARE(items, (QList<QAction*>{f.w().AppletPage1, f.w().WebPage1}));
    QCOMPARE(f.w().AppletPage1->text(), QStringLiteral("Applet Page"));
    QCOMPARE(f.w().WebPage1->text(), QStringLiteral("Web Page (HTML and CSS)"));
    // The first run creates the store without the value: "applet".
    QVERIFY(f.w().AppletPage1->isChecked());
    QCOMPARE(storedFormat(f.platform), QStringLiteral("<missing>"));

    f.w().WebPage1->trigger();
    QVERIFY(f.w().WebPage1->isChecked());
    QVERIFY(!f.w().AppletPage1->isChecked());
    QCOMPARE(f.preferences.PageFormat, QStringLiteral("web"));
    QCOMPARE(storedFormat(f.platform), QStringLiteral("web"));
    f.w().AppletPage1->trigger();
    QVERIFY(!f.w().WebPage1->isChecked());
    QCOMPARE(storedFormat(f.platform), QStringLiteral("applet"));

    // A store that has gone is not created again; the choice holds for the run.
    QVERIFY(QFile::remove(storeFile(f.platform)));
    f.w().WebPage1->trigger();
    QVERIFY(!QFile::exists(storeFile(f.platform)));
    QCOMPARE(f.preferences.PageFormat, QStringLiteral("web"));
    f.platform.dialogs.verifyAllUsed();
}

void MainWebFormatTest::storedFormatIsReadAtStartUp() {
    {
        StartedOn s("[General]\n" + kStoredTips + "format=web\n");
        s.start();
        QVERIFY(s.window->WebPage1->isChecked());
        QCOMPARE(s.preferences.TipFlags[4], QStringLiteral("true"));
    }
    // Anything but "web" is the applet page, and is left as it is.
    {
        StartedOn s("[General]\n" + kStoredTips + "format=Web\n");
        s.start();
        QVERIFY(s.window->AppletPage1->isChecked());
        QCOMPARE(storedFormat(s.platform), QStringLiteral("Web"));
    }
    // A value that is not text: the store's own message, and the applet page.
    {
        StartedOn s("[General]\n" + kStoredTips + "format=a, b\n");
        s.platform.dialogs.expectError();
        s.start();
        QCOMPARE(s.platform.dialogs.errors(),
                 QStringList{QStringLiteral("Invalid data type for 'format'")});
        QVERIFY(s.window->AppletPage1->isChecked());
        QCOMPARE(s.preferences.TipFlags[4], QStringLiteral("true"));
        s.platform.dialogs.verifyAllUsed();
    }
}

// The "HTML" tab's text once its box has filled up to a line that ends with `last`.
QString filledTab(CommandsFixture& f, const QString& last) {
    f.ui()->PageControl1->setCurrentWidget(f.ui()->TabSheet3);
    if (!QTest::qWaitFor([&] { return f.ui()->html_box->toPlainText().endsWith(last); }, 10000))
        qWarning("the HTML tab did not fill");
    return f.ui()->html_box->toPlainText();
}

void MainWebFormatTest::webPageThenAppletPageAgain() {
    CommandsFixture f;
    f.ui()->button_label->setText(QStringLiteral("Home & <Away>"));
    f.ui()->link_box->setText(QStringLiteral("my home.html"));
    f.ui()->SpeedButton4->click();
    const QByteArray appletPage = readFile(f.pagePath());
    const QString appletTab = filledTab(f, QStringLiteral("</p>\n"));
    QVERIFY(appletPage.startsWith("<html>\r\n"));

    f.w().WebPage1->trigger();
    f.ui()->SpeedButton4->click();
    const QByteArray webPage = readFile(f.pagePath());
    QVERIFY(webPage.startsWith("<!DOCTYPE html>\r\n"));
    QCOMPARE(webPage, BuildWebPage(f.w().settings, f.preferences.PageLanguage, f.pagePath()).bytes);
    QVERIFY(webPage.contains("\r\n<li><a href=\"my%20home.html\"><span><span>Home &amp; "
                             "&lt;Away&gt;</span></span></a></li>\r\n"));
    // The tab: the style and the bar, nothing of the head or the body.
    const QString tab = filledTab(f, QStringLiteral("</nav>\n"));
    QVERIFY(tab.startsWith(QStringLiteral("<style>\n.brivane-bar-")));
    QVERIFY(tab.endsWith(QStringLiteral("</a></li>\n</ul>\n</nav>\n")));
    QVERIFY(!tab.contains(QStringLiteral("<body")));
    QVERIFY(!tab.contains(QStringLiteral("<title")));

    // Copy and Save HTML take that part; Save rewrites the page first.
    f.ui()->SpeedButton9->click();
    QCOMPARE(QApplication::clipboard()->text(), tab);
    QVERIFY(QFile::remove(f.pagePath()));
    f.platform.dialogs.answerSaveFile(f.path(QStringLiteral("part.html")));
    f.ui()->SpeedButton10->click();
    QCOMPARE(readFile(f.path(QStringLiteral("part.html"))),
             BuildWebPage(f.w().settings, f.preferences.PageLanguage, f.pagePath()).part);
    QCOMPARE(readFile(f.pagePath()), webPage);

    // Test Applet writes the web page and opens it as before.
    QVERIFY(QFile::remove(f.pagePath()));
    f.ui()->SpeedButton3->click();
    QCOMPARE(readFile(f.pagePath()), webPage);
    f.w().Timer1Timer();
    QCOMPARE(f.platform.shell.requests.size(), 1);
    QCOMPARE(f.platform.shell.requests[0].file, f.pagePath());

    // Back to the applet page: byte for byte what it was.
    f.w().AppletPage1->trigger();
    f.ui()->SpeedButton4->click();
    QCOMPARE(readFile(f.pagePath()), appletPage);
    QCOMPARE(filledTab(f, QStringLiteral("</p>\n")), appletTab);
    f.platform.dialogs.verifyAllUsed();
}

void MainWebFormatTest::imageBrowseOffersWebImagesInTheWebFormat() {
    CommandsFixture f;
    const QString applet = QStringLiteral("JPG (*.jpg);;Gif (*.gif);;All Files (*)");
    f.platform.dialogs.answerOpenFile(std::nullopt);
    f.ui()->SpeedButton11->click();
    f.w().WebPage1->trigger();
    f.platform.dialogs.answerOpenFile(std::nullopt);
    f.ui()->SpeedButton11->click();
    const auto& shown = f.platform.dialogs.shown();
    QCOMPARE(shown.size(), 2);
    QCOMPARE(shown[0].options.filter, applet);
    QCOMPARE(shown[1].options.filter,
             QStringLiteral("Images (*.png *.jpg *.jpeg *.gif *.svg *.webp);;") + applet);
    f.platform.dialogs.verifyAllUsed();
}

// Options > Page Language...: asked with the language in use, checked for its
// form, kept in the store, declared by the web page.
void MainWebFormatTest::pageLanguageIsAskedCheckedAndKept() {
    CommandsFixture f;
    QAction* item = f.ui()->Options1->actions().value(2);
    QCOMPARE(item, f.w().PageLanguage1);
    QCOMPARE(item->text(), QStringLiteral("Page Language..."));
    // The first run stores no language: the desktop's is used.
    QCOMPARE(f.preferences.PageLanguage, systemPageLanguage());
    QVERIFY(isLanguageTag(systemPageLanguage()));
    QCOMPARE(storedValue(f.platform, QStringLiteral("language")), QStringLiteral("<missing>"));

    f.platform.dialogs.answerText(QStringLiteral(" de-CH "));
    item->trigger();
    const auto& asked = f.platform.dialogs.shown().last();
    QCOMPARE(asked.kind, ScriptedDialogs::Kind::Text);
    QCOMPARE(asked.caption, QStringLiteral("Page Language"));
    QCOMPARE(asked.initialText, systemPageLanguage());
    QCOMPARE(f.preferences.PageLanguage, QStringLiteral("de-CH"));
    QCOMPARE(storedValue(f.platform, QStringLiteral("language")), QStringLiteral("de-CH"));

    // Not a tag: said so, nothing changed. Cancel: nothing changed.
    f.platform.dialogs.answerText(QStringLiteral("Swiss German"));
    f.platform.dialogs.expectMessage();
    item->trigger();
    QCOMPARE(f.platform.dialogs.messages().last(),
             QStringLiteral("'Swiss German' is not a language tag such as en, de-CH or "
                            "zh-Hant-TW."));
    f.platform.dialogs.answerText(std::nullopt);
    item->trigger();
    QCOMPARE(f.platform.dialogs.shown().last().initialText, QStringLiteral("de-CH"));
    QCOMPARE(storedValue(f.platform, QStringLiteral("language")), QStringLiteral("de-CH"));

    // The web page declares it; the applet page stays without it.
    f.ui()->SpeedButton4->click();
    QVERIFY(readFile(f.pagePath()).startsWith("<html>\r\n"));
    f.w().WebPage1->trigger();
    f.ui()->SpeedButton4->click();
    QVERIFY(readFile(f.pagePath()).startsWith("<!DOCTYPE html>\r\n<html lang=\"de-CH\">\r\n"));
    f.platform.dialogs.verifyAllUsed();
}

void MainWebFormatTest::storedLanguageIsReadAtStartUp() {
    {
        StartedOn s("[General]\n" + kStoredTips + "format=web\nlanguage=fr-CA\n");
        s.start();
        QCOMPARE(s.preferences.PageLanguage, QStringLiteral("fr-CA"));
    }
    // Text that is no tag leaves the desktop's language, and the store as it is.
    {
        StartedOn s("[General]\n" + kStoredTips + "language=\"fr CA\"\n");
        s.start();
        QCOMPARE(s.preferences.PageLanguage, systemPageLanguage());
        QCOMPARE(storedValue(s.platform, QStringLiteral("language")), QStringLiteral("fr CA"));
    }
}

QTEST_MAIN(MainWebFormatTest)
#include "main_web_format_test.moc"
