// Import Applet Page: the button bar applet of a web page read back into the window.
#include "forms/main/main_window.h"

#include "model/applet_import.h"
#include "model/file_io.h"
#include "platform/failure_boundary.h"
#include "ui_main_window.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QMenu>

namespace brivane {

namespace {

// Puts an import into the controls: the settings file's lines through the
// window's own settings target, so every value runs its change handling as with
// Open, and the alignment into `align`.
class WindowImportTarget : public ImportTarget {
public:
    WindowImportTarget(std::unique_ptr<SettingsTarget> lines, QComboBox* align)
        : lines_(std::move(lines)), align_(align) {}

    void applyLine(SettingsLine line, const QString& text) override {
        lines_->applyLine(line, text);
    }
    QString buttonsText() const override { return lines_->buttonsText(); }
    void setButtonEntry(ButtonField field, int k, const QString& text) override {
        lines_->setButtonEntry(field, k, text);
    }
    void selectAlignment(int index) override { align_->setCurrentIndex(index); }

private:
    std::unique_ptr<SettingsTarget> lines_;
    QComboBox* align_;
};

} // namespace

void Tmain_window::wireImport() {
    // Right after Open..., whatever else the menu holds.
    Import1 = new QAction(QStringLiteral("&Import Applet Page..."), this);
    Import1->setObjectName(QStringLiteral("Import1"));
    const QList<QAction*> items = ui->File1->actions();
    const qsizetype open = items.indexOf(ui->Open1);
    ui->File1->insertAction(open >= 0 && open + 1 < items.size() ? items.at(open + 1) : nullptr,
                            Import1);
    connectGuarded(Import1, &QAction::triggered, this, [this] { Import1Click(); });
}

// The page is only read. Its values go in one at a time through the controls,
// messages of the number checks included; what could not be used is told once
// at the end, and the settings file name stays as it was.
void Tmain_window::Import1Click() {
    FileDialogOptions options;
    options.filter = QStringLiteral("Web Pages (*.html *.htm);;All Files (*)");
    options.initialPath = importBoxPath;
    options.mustExist = true;
    if (const std::optional<QString> path = platform_.dialogs.openFile(this, options))
        importAppletPage(*path);
}

void Tmain_window::importAppletPage(const QString& path) {
    importBoxPath = path;

    const ImportedApplet applet = readAppletPage(readWholeFile(path));
    const QString shownPath = QDir::toNativeSeparators(path);
    if (!applet.found) {
        platform_.dialogs.showMessage(this, noAppletMessage(shownPath));
        return;
    }
    WindowImportTarget target(settingsTarget(), ui->align);
    const ImportProblems problems = applyImportedApplet(applet, target);

    // The editor starts again at button 1; each box writes its own text back.
    CurrentButton = 1;
    ShowButtonEntry();

    if (!problems.isEmpty())
        platform_.dialogs.showMessage(this, importProblemsMessage(shownPath, problems));
    rememberRecent(path, true);
}

} // namespace brivane
