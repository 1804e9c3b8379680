// What a desktop program is expected to do besides its own work: the standard
// shortcuts, File > Open Recent, files dropped on the window and the folder the
// pages go into (Options > Page Folder...).
#include "forms/main/main_window.h"

#include "forms/tip/tip_window.h"
#include "model/page_generator.h"
#include "platform/failure_boundary.h"
#include "prefs/preferences.h"
#include "ui_main_window.h"

#include <QAction>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMimeData>
#include <QTemporaryFile>
#include <QTimer>
#include <QUrl>

namespace brivane {

namespace {

// The desktop's key where it has one; a few schemes leave Save As and Quit
// without, and these are what the others use.
QKeySequence standardKey(QKeySequence::StandardKey key, QKeySequence fallback) {
    const QKeySequence standard(key);
    return standard.isEmpty() ? fallback : standard;
}

// Whether a file can be made in `folder`, found by making one: the permission
// bits alone do not tell (an administrator passes them, a read-only disk not).
bool folderTakesFiles(const QString& folder) {
    QTemporaryFile probe(folder + QStringLiteral(".brivane-probe-XXXXXX"));
    return probe.open();
}

} // namespace

void Tmain_window::wireDesktop() {
    // Control-keys only, so none takes an Alt mnemonic, F5 or a key the fields
    // use for editing; F1 asks for help everywhere.
    ui->Open1->setShortcut(QKeySequence::Open);
    ui->Save1->setShortcut(QKeySequence::Save);
    ui->SaveAs1->setShortcut(
        standardKey(QKeySequence::SaveAs, QKeySequence(QStringLiteral("Ctrl+Shift+S"))));
    ui->Exit1->setShortcut(standardKey(QKeySequence::Quit, QKeySequence(QStringLiteral("Ctrl+Q"))));
    ui->Help1->setShortcut(QKeySequence::HelpContents);
    Import1->setShortcut(QKeySequence(QStringLiteral("Ctrl+I")));

    OpenRecent1 = new QMenu(QStringLiteral("Open &Recent"), this);
    OpenRecent1->setObjectName(QStringLiteral("OpenRecent1"));
    ui->File1->insertMenu(ui->Save1, OpenRecent1);
    ClearRecent1 = new QAction(QStringLiteral("Clear Menu"), this);
    ClearRecent1->setObjectName(QStringLiteral("ClearRecent1"));
    connectGuarded(ClearRecent1, &QAction::triggered, this, [this] { ClearRecent1Click(); });
    // A file may have gone since the menu was last built.
    connectGuarded(OpenRecent1, &QMenu::aboutToShow, this, [this] { updateRecentMenu(); });

    PageFolder1 = new QAction(QStringLiteral("Page Fol&der..."), this);
    PageFolder1->setObjectName(QStringLiteral("PageFolder1"));
    ui->Options1->addAction(PageFolder1);
    connectGuarded(PageFolder1, &QAction::triggered, this, [this] { PageFolder1Click(); });
    // After Make HTML's own handler, which has reported a page it could not write.
    connectGuarded(ui->SpeedButton4, &QAbstractButton::clicked, this, [this] {
        if (pageFolderTipShown_ || !preferences_.PageFolder.isEmpty() || !tip_ ||
            QFileInfo::exists(appletPagePath(WorkingDirectory, ui->title->text())) ||
            folderTakesFiles(WorkingDirectory))
            return;
        pageFolderTipShown_ = true;
        tip_->setLines({QString(), QStringLiteral("Brivane cannot write its pages into"),
                        QDir::toNativeSeparators(WorkingDirectory),
                        QStringLiteral("the folder it was started from. Choose a folder"),
                        QStringLiteral("for them with Options > Page Folder..."), QString()});
        tip_->showTip();
    });

    setAcceptDrops(true);
    // A field under the pointer would take a dropped file as text.
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
}

// --- Open Recent ---------------------------------------------------------------

void Tmain_window::rememberRecent(const QString& path, bool page) {
    preferences_.AddRecentFile({QFileInfo(path).absoluteFilePath(), page});
    updateRecentMenu();
}

void Tmain_window::updateRecentMenu() {
    OpenRecent1->clear();
    const QList<RecentFile>& files = preferences_.RecentFiles;
    for (qsizetype i = 0; i < files.size(); ++i) {
        const RecentFile file = files.at(i);
        QString text = QStringLiteral("&%1 %2").arg(i + 1).arg(
            QDir::toNativeSeparators(file.path).replace(u'&', QStringLiteral("&&")));
        if (file.page)
            text += QStringLiteral(" (imported page)");
        QAction* item = OpenRecent1->addAction(text);
        item->setEnabled(QFileInfo(file.path).isFile());
        connectGuarded(item, &QAction::triggered, this, [this, file] { openRecentFile(file); });
    }
    OpenRecent1->addSeparator();
    OpenRecent1->addAction(ClearRecent1);
    OpenRecent1->menuAction()->setEnabled(!files.isEmpty());
}

void Tmain_window::openRecentFile(const RecentFile& file) {
    if (file.page)
        importAppletPage(file.path);
    else
        openSettingsFile(file.path);
}

void Tmain_window::ClearRecent1Click() {
    preferences_.RecentFiles.clear();
    updateRecentMenu();
    preferences_.SaveRecentFiles();
}

// --- page folder -----------------------------------------------------------------

void Tmain_window::applyPageFolder() {
    QString folder = StartDirectory;
    const QString chosen = preferences_.PageFolder;
    // A folder that has gone since it was chosen leaves the start folder in use.
    if (!chosen.isEmpty() && QFileInfo(chosen).isDir()) {
        folder = QDir::toNativeSeparators(QFileInfo(chosen).absoluteFilePath());
        if (!folder.endsWith(QDir::separator()))
            folder += QDir::separator();
    }
    // The file dialogs not used yet open in the new folder as well.
    for (QString* path :
         {&saveBoxPath, &openBoxPath, &saveBox2Path, &openImagePath, &importBoxPath})
        if (*path == WorkingDirectory)
            *path = folder;
    WorkingDirectory = folder;
}

void Tmain_window::PageFolder1Click() {
    FileDialogOptions options;
    options.folder = true;
    options.caption = QStringLiteral("Page Folder");
    options.initialPath = WorkingDirectory;
    const std::optional<QString> folder = platform_.dialogs.openFile(this, options);
    if (!folder)
        return;
    // Taken for this run even when the store cannot keep it.
    preferences_.PageFolder = *folder;
    applyPageFolder();
    preferences_.SavePageFolderPreference();
}

// --- drops -----------------------------------------------------------------------

Tmain_window::DropKind Tmain_window::dropKindOf(const QMimeData* data, QString* path) {
    if (!data || !data->hasUrls() || data->urls().size() != 1)
        return DropKind::None;
    const QUrl url = data->urls().constFirst();
    if (!url.isLocalFile())
        return DropKind::None;
    const QFileInfo file(url.toLocalFile());
    if (!file.isFile())
        return DropKind::None;
    if (path)
        *path = file.absoluteFilePath();
    const QString suffix = file.suffix().toLower();
    if (suffix == QLatin1String("html") || suffix == QLatin1String("htm"))
        return DropKind::Page;
    // The suffix File > Save gives a settings file.
    if (suffix == QLatin1String("txt"))
        return DropKind::SettingsFile;
    return DropKind::None;
}

bool Tmain_window::handleFileDrag(QEvent* e) {
    switch (e->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto* drag = static_cast<QDragMoveEvent*>(e);
        if (!drag->mimeData()->hasUrls())
            return false;
        if (dropKindOf(drag->mimeData()) != DropKind::None)
            drag->acceptProposedAction();
        else
            drag->ignore();
        return true;
    }
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(e);
        if (!drop->mimeData()->hasUrls())
            return false;
        QString path;
        const DropKind kind = dropKindOf(drop->mimeData(), &path);
        if (kind == DropKind::None) {
            drop->ignore();
            return true;
        }
        drop->acceptProposedAction();
        // Once the drop has ended: the drag's source waits until it has, and
        // opening the file may ask or tell something.
        QTimer::singleShot(0, this, [this, kind, path] {
            runGuarded([&] {
                if (kind == DropKind::Page)
                    importAppletPage(path);
                else
                    openSettingsFile(path);
            });
        });
        return true;
    }
    default:
        return false;
    }
}

void Tmain_window::dragEnterEvent(QDragEnterEvent* e) {
    if (!handleFileDrag(e))
        QMainWindow::dragEnterEvent(e);
}

void Tmain_window::dragMoveEvent(QDragMoveEvent* e) {
    if (!handleFileDrag(e))
        QMainWindow::dragMoveEvent(e);
}

void Tmain_window::dropEvent(QDropEvent* e) {
    if (!handleFileDrag(e))
        QMainWindow::dropEvent(e);
}

} // namespace brivane
