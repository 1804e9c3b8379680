#include "platform/help_window.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>

using namespace brivane;

class HelpWindowTest : public QObject {
    Q_OBJECT

private slots:
    void searchesBesideTheProgramThenShare();
    void showsEachTopicAtItsPlace();
    void saysSoWhenTheFileIsMissing();
    void saysSoWhenTheTopicIsMissing();
    void opensBesideTheMainWindowInTheDesktopFont();

private:
    // The first line of text visible at the top of the viewer.
    static QString topLine(const HelpWindow& window) {
        return window.browser()->cursorForPosition(QPoint(8, 8)).block().text().trimmed();
    }
};

void HelpWindowTest::searchesBesideTheProgramThenShare() {
    QCOMPARE(HelpWindow::defaultSearchFolders(QStringLiteral("/opt/brivane/bin")),
             QStringList({QStringLiteral("/opt/brivane/bin"),
                          QStringLiteral("/opt/brivane/share/brivane")}));
    // The build puts the help file beside the programs, this test among them.
    HelpWindow window;
    QCOMPARE(window.searchFolders().first(), QCoreApplication::applicationDirPath());
    QVERIFY(
        QFileInfo(QCoreApplication::applicationDirPath() + QStringLiteral("/Help.hlp")).isFile());
    window.showHelp(QStringLiteral("Help.hlp"), 10);
    QCOMPARE(window.shownFile(),
             QCoreApplication::applicationDirPath() + QStringLiteral("/Help.hlp"));

    // Installed: bin/ holds no help file, share/brivane does.
    QTemporaryDir root;
    QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("bin"))));
    QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("share/brivane"))));
    QVERIFY(QFile::copy(QStringLiteral(BRIVANE_HELP_SOURCE),
                        root.filePath(QStringLiteral("share/brivane/Help.hlp"))));
    HelpWindow installed(HelpWindow::defaultSearchFolders(root.filePath(QStringLiteral("bin"))));
    installed.showHelp(QStringLiteral("Help.hlp"), 60);
    QCOMPARE(installed.shownFile(), root.filePath(QStringLiteral("share/brivane/Help.hlp")));
}

void HelpWindowTest::showsEachTopicAtItsPlace() {
    QTemporaryDir dir;
    QVERIFY(
        QFile::copy(QStringLiteral(BRIVANE_HELP_SOURCE), dir.filePath(QStringLiteral("Help.hlp"))));
    HelpWindow window({dir.path()});
    window.resize(500, 300);

    window.showHelp(QStringLiteral("Help.hlp"), 60);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QVERIFY(window.isVisible());
    QCOMPARE(topLine(window), QStringLiteral("Troubleshooting"));
    QVERIFY(window.browser()->verticalScrollBar()->value() > 0);
    QVERIFY(window.browser()->toPlainText().contains(QStringLiteral("no longer run Java applets")));

    window.showHelp(QStringLiteral("Help.hlp"), 10);
    QCOMPARE(topLine(window), QStringLiteral("Using Brivane"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Brivane Help"));
}

void HelpWindowTest::saysSoWhenTheFileIsMissing() {
    QTemporaryDir dir;
    HelpWindow window({dir.path()});
    window.showHelp(QStringLiteral("Help.hlp"), 10);
    QVERIFY(window.isVisible());
    QVERIFY(window.shownFile().isEmpty());
    const QString text = window.browser()->toPlainText();
    QVERIFY2(text.contains(QStringLiteral("The help file \"Help.hlp\" could not be found")),
             qPrintable(text));
    QVERIFY(text.contains(QDir::toNativeSeparators(dir.path())));

    // Once the file is there, the same window shows it.
    QVERIFY(
        QFile::copy(QStringLiteral(BRIVANE_HELP_SOURCE), dir.filePath(QStringLiteral("Help.hlp"))));
    window.showHelp(QStringLiteral("Help.hlp"), 10);
    QVERIFY(window.browser()->toPlainText().contains(QStringLiteral("Make HTML")));
}

void HelpWindowTest::saysSoWhenTheTopicIsMissing() {
    // The folder's name is shown as it is, though it looks like a place for the number.
    QTemporaryDir root;
    const QString dir = root.filePath(QStringLiteral("help %1 folder"));
    QVERIFY(QDir().mkpath(dir));
    QVERIFY(QFile::copy(QStringLiteral(BRIVANE_HELP_SOURCE), dir + QStringLiteral("/Help.hlp")));
    HelpWindow window({dir});
    window.showHelp(QStringLiteral("Help.hlp"), 99);
    QVERIFY(window.isVisible());
    QVERIFY(window.shownFile().isEmpty());
    const QString text = window.browser()->toPlainText();
    QVERIFY2(text.contains(QStringLiteral("The help file \"%1/Help.hlp\" has no topic number 99.")
                               .arg(QDir::toNativeSeparators(dir))),
             qPrintable(text));
}

void HelpWindowTest::opensBesideTheMainWindowInTheDesktopFont() {
    // The program's small font of its fixed layouts is the application's font.
    const QFont before = QApplication::font();
    QFont small = before;
    small.setPointSize(8);
    QApplication::setFont(small);
    QTemporaryDir dir;
    QVERIFY(
        QFile::copy(QStringLiteral(BRIVANE_HELP_SOURCE), dir.filePath(QStringLiteral("Help.hlp"))));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();

    // Room to the right of a small main window: the help opens there.
    QWidget main;
    main.setGeometry(20, 40, 200, 150);
    main.show();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    HelpWindow beside({dir.path()});
    beside.showHelp(QStringLiteral("Help.hlp"), 10);
    QVERIFY(QTest::qWaitForWindowExposed(&beside));
    QRect help = beside.frameGeometry();
    const QRect mainFrame = main.frameGeometry();
    QVERIFY(screen.contains(help));
    QCOMPARE(help.top(), mainFrame.top());
    QVERIFY2(help.left() > mainFrame.right() && help.left() - mainFrame.right() <= 16,
             qPrintable(QStringLiteral("help at %1").arg(help.left())));

    // Its text in the desktop's normal size, not in 8 points, inset from the edge.
    const qreal desktopSize = QFontDatabase::systemFont(QFontDatabase::GeneralFont).pointSizeF();
    QVERIFY(desktopSize != 8);
    QCOMPARE(beside.browser()->document()->defaultFont().pointSizeF(), desktopSize);
    QVERIFY(beside.browser()->cursorRect(QTextCursor(beside.browser()->document())).left() >= 10);

    // Moved and closed by the user, it comes back where it was left.
    beside.move(300, 320);
    beside.close();
    main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    beside.showHelp(QStringLiteral("Help.hlp"), 60);
    QCOMPARE(beside.frameGeometry().topLeft(), QPoint(300, 320));

    // No room on either side of a wide main window: it keeps clear of the main
    // window's title, below it as far as the screen allows.
    main.setGeometry(95, 200, 609, 317);
    main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    HelpWindow over({dir.path()});
    over.showHelp(QStringLiteral("Help.hlp"), 10);
    QVERIFY(QTest::qWaitForWindowExposed(&over));
    help = over.frameGeometry();
    QVERIFY(screen.contains(help));
    QVERIFY2(help.top() > main.geometry().top() && help.bottom() == screen.bottom(),
             qPrintable(QStringLiteral("help at %1,%2").arg(help.left()).arg(help.top())));

    QApplication::setFont(before);
}

QTEST_MAIN(HelpWindowTest)
#include "help_window_test.moc"
