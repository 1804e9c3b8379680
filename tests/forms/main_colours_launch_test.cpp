#include "commands_fixture.h"

#include <QElapsedTimer>

using namespace brivane;
using namespace brivane::test;

class MainColoursLaunchTest : public QObject {
    Q_OBJECT

private slots:
    void pickedColoursTakeAllThreeForms();
    void cancelledPicksChangeNothing();
    void testAppletOpensOnceWithTheTitleAtTheTick();
    void theBrowserChoiceIsReadAtTheTick();
    void aFailedPageStartsNoTimer();
};

void MainColoursLaunchTest::pickedColoursTakeAllThreeForms() {
    CommandsFixture f;
    ScriptedDialogs& dialogs = f.platform.dialogs;
    // The swatches start with the start-up colours.
    QCOMPARE(f.ui()->Color_Panel->palette().color(QPalette::Window), QColor(0, 0, 160));
    QVERIFY(f.ui()->Color_Panel->isHidden());

    dialogs.answerColor(QColor(0, 255, 0));
    f.ui()->SpeedButton1->click();
    QCOMPARE(dialogs.shown().last().initial, QColor(0, 0, 160));
    QCOMPARE(f.w().settings.buttonColour.hex, QStringLiteral("00FF00"));
    QCOMPARE(f.w().settings.buttonColour.value, 65280);
    QCOMPARE(f.ui()->Color_Panel->palette().color(QPalette::Window), QColor(0, 255, 0));
    // The next dialog opens at the picked colour.
    dialogs.answerColor(std::nullopt);
    f.ui()->SpeedButton1->click();
    QCOMPARE(dialogs.shown().last().initial, QColor(0, 255, 0));

    // A byte below 16 keeps its leading zero.
    dialogs.answerColor(QColor(10, 11, 12));
    f.ui()->SpeedButton5->click();
    QCOMPARE(dialogs.shown().last().initial, QColor(255, 255, 255));
    QCOMPARE(f.w().settings.fontColour.hex, QStringLiteral("0A0B0C"));
    QCOMPARE(f.w().settings.fontColour.value, 10 + 11 * 256 + 12 * 65536);
    QCOMPARE(f.ui()->font_color_panel->palette().color(QPalette::Window), QColor(10, 11, 12));

    dialogs.answerColor(QColor(1, 2, 3));
    f.ui()->SpeedButton6->click();
    QCOMPARE(dialogs.shown().last().initial, QColor(255, 0, 0));
    QCOMPARE(f.w().settings.clickColour.hex, QStringLiteral("010203"));
    // One pick leaves the other colours alone.
    QCOMPARE(f.w().settings.buttonColour.hex, QStringLiteral("00FF00"));
    QCOMPARE(f.w().settings.fontColour.hex, QStringLiteral("0A0B0C"));

    // The page uses the picked colours.
    f.ui()->SpeedButton4->click();
    const QByteArray page = readFile(f.pagePath());
    QVERIFY(page.contains("<param name=\"color\"          value=\"00FF00\">\r\n"));
    QVERIFY(page.contains("<param name=\"f_color\"       value=\"0A0B0C\">\r\n"));
    QVERIFY(page.contains("<param name=\"f_color2\"      value=\"010203\">\r\n"));
    dialogs.verifyAllUsed();
}

void MainColoursLaunchTest::cancelledPicksChangeNothing() {
    CommandsFixture f;
    ScriptedDialogs& dialogs = f.platform.dialogs;
    for (QToolButton* button : {f.ui()->SpeedButton1, f.ui()->SpeedButton5, f.ui()->SpeedButton6}) {
        dialogs.answerColor(std::nullopt);
        button->click();
    }
    QCOMPARE(f.w().settings.buttonColour.hex, QString());
    QCOMPARE(f.w().settings.buttonColour.value, 10485760);
    QCOMPARE(f.w().settings.fontColour.hex, QString());
    QCOMPARE(f.w().settings.clickColour.hex, QString());
    QCOMPARE(f.ui()->Color_Panel->palette().color(QPalette::Window), QColor(0, 0, 160));
    f.ui()->SpeedButton4->click();
    QVERIFY(readFile(f.pagePath()).contains("<param name=\"color\"          value=\"0000A0\">"));
    dialogs.verifyAllUsed();
}

void MainColoursLaunchTest::testAppletOpensOnceWithTheTitleAtTheTick() {
    CommandsFixture f;
    QCOMPARE(f.w().Timer1.interval(), 1500);
    QCOMPARE(f.w().Timer1.timerType(), Qt::PreciseTimer);
    QVERIFY(!f.w().Timer1.isActive());

    QElapsedTimer clock;
    clock.start();
    f.ui()->SpeedButton3->click();
    QVERIFY(QFile::exists(f.pagePath()));
    QVERIFY(f.w().Timer1.isActive());
    QTest::qWait(300);
    QVERIFY(QFile::remove(f.pagePath()));
    f.ui()->SpeedButton3->click();
    // The second press wrote the page again but did not restart the delay.
    QVERIFY(QFile::exists(f.pagePath()));
    QVERIFY2(f.w().Timer1.remainingTime() < 1400,
             qPrintable(QString::number(f.w().Timer1.remainingTime())));
    f.ui()->title->setText(QStringLiteral("renamed"));
    QVERIFY(f.platform.shell.requests.isEmpty());

    QTRY_COMPARE_WITH_TIMEOUT(f.platform.shell.requests.size(), 1, 5000);
    // Not before the delay is up (the remaining time checked above shows that it
    // ran from the first press, not the second).
    QVERIFY2(clock.elapsed() >= 1500, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(
        f.platform.shell.requests[0],
        (ShellRequest{QStringLiteral("open"), f.pagePath(QStringLiteral("renamed")), QString()}));
    QVERIFY(!f.w().Timer1.isActive());
    QTest::qWait(100);
    QCOMPARE(f.platform.shell.requests.size(), 1);
    f.platform.dialogs.verifyAllUsed();
}

void MainColoursLaunchTest::theBrowserChoiceIsReadAtTheTick() {
    CommandsFixture f;
    f.ui()->title->setText(QStringLiteral("my page"));
    const QString page = f.pagePath(QStringLiteral("my page"));
    QList<ShellRequest>& requests = f.platform.shell.requests;

    f.preferences.BrowserSetting = QStringLiteral("/opt/web browser/run");
    f.w().Timer1Timer();
    // The page path, blanks and all, is the one parameter.
    QCOMPARE(requests.last(),
             (ShellRequest{QString(), QStringLiteral("/opt/web browser/run"), page}));

    // Only the exact "default" means the default handler.
    f.preferences.BrowserSetting = QStringLiteral("Default");
    f.w().Timer1Timer();
    QCOMPARE(requests.last(), (ShellRequest{QString(), QStringLiteral("Default"), page}));

    // An empty choice asks to start an empty program name, and nothing is shown.
    f.preferences.BrowserSetting = QString();
    f.w().Timer1Timer();
    QCOMPARE(requests.last(), (ShellRequest{QString(), QString(), page}));

    f.preferences.BrowserSetting = QStringLiteral("default");
    f.w().Timer1Timer();
    QCOMPARE(requests.last(), (ShellRequest{QStringLiteral("open"), page, QString()}));
    QCOMPARE(requests.size(), 4);
    QCOMPARE(f.platform.dialogs.shown().size(), 0);
    f.platform.dialogs.verifyAllUsed();
}

void MainColoursLaunchTest::aFailedPageStartsNoTimer() {
    CommandsFixture f;
    f.ui()->width->setText(QStringLiteral("   "));
    f.platform.dialogs.expectError();
    f.ui()->SpeedButton3->click();
    QCOMPARE(f.platform.dialogs.errors(),
             QStringList{QStringLiteral("'   ' is not a valid integer value.")});
    QVERIFY(!f.w().Timer1.isActive());
    QVERIFY(!QFile::exists(f.pagePath()));
    f.platform.dialogs.verifyAllUsed();
}

QTEST_MAIN(MainColoursLaunchTest)
#include "main_colours_launch_test.moc"
