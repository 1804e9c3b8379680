// The desktop's conventions on the real main window: the standard shortcuts,
// File > Open Recent, dropped files and the page folder.
#include "commands_fixture.h"
#include "forms/tip/tip_window.h"
#include "prefs/preferences.h"

#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QUrl>

using namespace brivane;
using namespace brivane::test;

namespace {

QStringList recentTexts(const Tmain_window& w) {
    QStringList texts;
    for (QAction* item : w.OpenRecent1->actions())
        if (!item->isSeparator())
            texts << item->text() + (item->isEnabled() ? "" : " [off]");
    return texts;
}

// Saves the window's settings with the title `title` as `path`, through Save As.
void saveAs(CommandsFixture& f, const QString& path, const QString& title) {
    f.ui()->title->setText(title);
    f.platform.dialogs.answerSaveFile(path);
    f.ui()->SaveAs1->trigger();
}

// A drag of `urls` entering `target`, then dropped there; whether it was taken.
bool dragAndDrop(QWidget* target, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    data.setText(urls.isEmpty() ? QString() : urls.first().toLocalFile());
    const QPoint at(5, 5);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    QCoreApplication::processEvents();
    return drop.isAccepted();
}

} // namespace

class MainDesktopTest : public QObject {
    Q_OBJECT

private slots:
    void eachShortcutTriggersItsItem() {
        CommandsFixture f;
        Ui::Tmain_window* ui = f.ui();
        ScriptedDialogs& dialogs = f.platform.dialogs;
        f.w().show();
        QVERIFY(QTest::qWaitForWindowActive(f.window.get()));
        ui->title->setFocus();
        ui->title->setText(QStringLiteral("field"));

        // Each key, with the focus in a field, reaches its item's dialog.
        const QList<std::tuple<QKeySequence, ScriptedDialogs::Kind, QString>> keys = {
            {QKeySequence(Qt::CTRL | Qt::Key_O), ScriptedDialogs::Kind::OpenFile,
             "Text Files (*.txt)"},
            {QKeySequence(Qt::CTRL | Qt::Key_I), ScriptedDialogs::Kind::OpenFile,
             "Web Pages (*.html *.htm);;All Files (*)"},
            {QKeySequence(Qt::CTRL | Qt::Key_S), ScriptedDialogs::Kind::SaveFile,
             "Text File (*.txt)"},
            {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), ScriptedDialogs::Kind::SaveFile,
             "Text File (*.txt)"}};
        for (const auto& [key, kind, filter] : keys) {
            dialogs.clearShown();
            if (kind == ScriptedDialogs::Kind::OpenFile)
                dialogs.answerOpenFile(std::nullopt);
            else
                dialogs.answerSaveFile(std::nullopt);
            QTest::keySequence(f.window.get(), key);
            QCOMPARE(dialogs.shown().size(), 1);
            QCOMPARE(dialogs.shown().first().options.filter, filter);
        }
        QTest::keyClick(f.window.get(), Qt::Key_F1);
        QCOMPARE(f.platform.helpViewer.requests.size(), 1);
        // The field keeps its own keys.
        QTest::keyClick(ui->title, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(ui->title->selectedText(), QStringLiteral("field"));

        // The menus show them, none twice, none an Alt-key or F5.
        QList<QKeySequence> seen;
        for (QAction* item :
             {ui->Open1, f.w().Import1, ui->Save1, ui->SaveAs1, ui->Exit1, ui->Help1}) {
            QVERIFY2(!item->shortcut().isEmpty(), qPrintable(item->text()));
            QVERIFY(!seen.contains(item->shortcut()));
            QVERIFY(!(item->shortcut()[0].keyboardModifiers() & Qt::AltModifier));
            QVERIFY(item->shortcut() != QKeySequence(Qt::Key_F5));
            seen << item->shortcut();
        }

        QSignalSpy exit(ui->Exit1, &QAction::triggered);
        QTest::keyClick(f.window.get(), Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(exit.size(), 1);
        dialogs.verifyAllUsed();
    }

    void openRecentListsOpensDisablesAndClears() {
        CommandsFixture f;
        Tmain_window& w = f.w();
        ScriptedDialogs& dialogs = f.platform.dialogs;
        QVERIFY(!w.OpenRecent1->menuAction()->isEnabled());

        const QString a = f.path("a&b.txt"), b = f.path("b.txt");
        saveAs(f, a, "alpha");
        saveAs(f, b, "beta");
        f.ui()->SpeedButton4->click(); // beta.html, to import
        dialogs.answerOpenFile(f.pagePath("beta"));
        w.Import1->trigger();
        dialogs.answerOpenFile(a);
        f.ui()->Open1->trigger();
        const QString pageText = QDir::toNativeSeparators(f.pagePath("beta"));
        QCOMPARE(recentTexts(w),
                 QStringList({"&1 " + QString(a).replace("&", "&&"),
                              "&2 " + pageText + " (imported page)", "&3 " + b, "Clear Menu"}));

        // An item opens exactly as Open does with that path.
        dialogs.clearShown();
        w.OpenRecent1->actions().at(2)->trigger();
        QCOMPARE(f.ui()->title->text(), QStringLiteral("beta"));
        QCOMPARE(w.openBoxPath, b);
        QVERIFY(dialogs.shown().isEmpty());
        QCOMPARE(recentTexts(w).first(), "&1 " + b);

        // Kept in the store: a new run lists the same; a file gone is disabled.
        QVERIFY(QFile::remove(a));
        PreferencesStore store;
        Preferences again(store);
        Tmain_window next(f.platform.platform, again);
        emit next.OpenRecent1->aboutToShow();
        QCOMPARE(recentTexts(next),
                 QStringList({"&1 " + b, "&2 " + QString(a).replace("&", "&&") + " [off]",
                              "&3 " + pageText + " (imported page)", "Clear Menu"}));
        // Eight at most, the oldest dropped first.
        for (int i = 0; i < 8; ++i)
            saveAs(f, f.path(QStringLiteral("%1.txt").arg(i)), "n");
        QCOMPARE(recentTexts(w).size(), 9);
        QCOMPARE(recentTexts(w).at(7), "&8 " + f.path("0.txt"));

        w.ClearRecent1->trigger();
        QCOMPARE(recentTexts(w), QStringList{"Clear Menu"});
        QVERIFY(!w.OpenRecent1->menuAction()->isEnabled());
        again.LoadPreferences();
        QVERIFY(again.RecentFiles.isEmpty());
        dialogs.verifyAllUsed();
    }

    void dropsOpenImportOrAreRefused() {
        CommandsFixture f;
        Tmain_window& w = f.w();
        ScriptedDialogs& dialogs = f.platform.dialogs;
        const QString settings = f.path("dropped.txt");
        saveAs(f, settings, "dropped");
        f.ui()->SpeedButton4->click();
        const QString page = f.pagePath("dropped");
        f.ui()->title->setText("other");

        // On a field, which would otherwise take the name as text.
        QVERIFY(dragAndDrop(f.ui()->link_box, {QUrl::fromLocalFile(settings)}));
        QCOMPARE(f.ui()->title->text(), QStringLiteral("dropped"));
        QVERIFY(f.ui()->link_box->text().isEmpty());
        f.ui()->title->setText("other");
        QVERIFY(dragAndDrop(&w, {QUrl::fromLocalFile(page)}));
        QCOMPARE(f.ui()->title->text(), QStringLiteral("dropped"));
        QCOMPARE(w.importBoxPath, page);
        QVERIFY(dialogs.shown().size() == 1); // Save As's dialog only

        // A foreign settings file gets Open's message.
        writeFile(f.path("notes.txt"), "notes\r\n");
        dialogs.expectMessage();
        QVERIFY(dragAndDrop(&w, {QUrl::fromLocalFile(f.path("notes.txt"))}));
        QCOMPARE(dialogs.messages(), QStringList{"Not a Brivane File"});

        writeFile(f.path("picture.png"), "png");
        QVERIFY(!dragAndDrop(f.ui()->title, {QUrl::fromLocalFile(f.path("picture.png"))}));
        QVERIFY(!dragAndDrop(&w, {QUrl::fromLocalFile(settings), QUrl::fromLocalFile(page)}));
        QVERIFY(!dragAndDrop(&w, {QUrl::fromLocalFile(f.dir.path())}));
        QVERIFY(!dragAndDrop(&w, {QUrl("https://www.orlinde.example/a.html")}));
        QCOMPARE(f.ui()->title->text(), QStringLiteral("dropped"));
        dialogs.verifyAllUsed();
    }

    void pageFolderIsUsedAndKept() {
        CommandsFixture f;
        Tmain_window& w = f.w();
        ScriptedDialogs& dialogs = f.platform.dialogs;
        const QString start = QDir::toNativeSeparators(f.dir.path()) + "/";
        QCOMPARE(w.WorkingDirectory, start);
        QTemporaryDir pages;

        dialogs.answerOpenFile(pages.path());
        w.PageFolder1->trigger();
        const FileDialogOptions asked = dialogs.shown().first().options;
        QVERIFY(asked.folder);
        QCOMPARE(asked.initialPath, start);
        QCOMPARE(w.WorkingDirectory, pages.path() + "/");
        f.ui()->title->setText("kept");
        f.ui()->SpeedButton4->click();
        QVERIFY(QFile::exists(pages.filePath("kept.html")));
        QVERIFY(!QFile::exists(f.path("kept.html")));

        // The next run starts with it, and the dialogs open there.
        PreferencesStore store;
        Preferences again(store);
        Tmain_window next(f.platform.platform, again);
        QCOMPARE(next.WorkingDirectory, pages.path() + "/");
        QCOMPARE(next.openBoxPath, pages.path() + "/");
        dialogs.verifyAllUsed();
    }

    void unwritableStartFolderPointsToThePageFolder() {
        CommandsFixture f;
        Ttip_window tip;
        f.w().setCompanionWindows(nullptr, &tip, nullptr);
        // The folder the program was started from has gone: no page can go there.
        QVERIFY(f.dir.remove());
        f.platform.dialogs.expectError();
        f.ui()->SpeedButton4->click();
        QCOMPARE(f.platform.dialogs.errors().size(), 1);
        QVERIFY(tip.isVisible());
        QCOMPARE(tip.lines().at(4), QStringLiteral("for them with Options > Page Folder..."));
        QCOMPARE(tip.lines().at(2), f.w().WorkingDirectory);

        // Once a run.
        tip.hide();
        f.platform.dialogs.expectError();
        f.ui()->SpeedButton4->click();
        QVERIFY(!tip.isVisible());
        f.platform.dialogs.verifyAllUsed();
    }
};

QTEST_MAIN(MainDesktopTest)
#include "main_desktop_test.moc"
