// Open, Save and Save As: the settings file on the window.
#include "forms/main/main_window.h"

#include "model/file_io.h"
#include "model/settings_file.h"
#include "platform/failure_boundary.h"
#include "ui_main_window.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

namespace brivane {

namespace {

// Applies a settings file's lines to the window's controls, one at a time. A
// text goes into its field as if typed, so the field's change handling (number
// check, per-button storing, tips, caption) runs in the middle of the load.
class WindowSettingsTarget : public SettingsTarget, private SettingsLineSink {
public:
    explicit WindowSettingsTarget(Tmain_window& window) : window_(window) {}

    void applyLine(SettingsLine line, const QString& text) override {
        readSettingsLine(line, text, *this);
    }

    void setText(const SettingsLineDef& line, const QString& text) override {
        window_.editOf(line.text)->setText(text);
    }
    void setColour(const SettingsLineDef& line, const AppletColour& colour) override {
        window_.settings.*line.colour = colour;
        window_.updateSwatches();
    }
    void selectChoice(const SettingsLineDef& line, int choice) override {
        window_.optionOf(line, choice)->setChecked(true);
    }
    void selectItem(const SettingsLineDef& line, int index) override {
        QComboBox* list = window_.listOf(line.index);
        list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
    }

    // A number line the field would refuse never reaches the field: laid out there
    // first, a line of megabytes would hold the window for seconds.
    bool applyUndecodedLine(SettingsLine line, QByteArrayView bytes) override {
        const SettingsLineDef& def = settingsLineDef(line);
        return def.kind == LineKind::Number &&
               window_.refuseNumberText(window_.editOf(def.text), bytes);
    }

    QString buttonsText() const override {
        return window_.editOf(&AppletSettings::buttons)->text();
    }

    void setButtonEntry(ButtonField field, int k, const QString& text) override {
        window_.settings.table.setEntry(field, k, text);
    }

private:
    Tmain_window& window_;
};

} // namespace

std::unique_ptr<SettingsTarget> Tmain_window::settingsTarget() {
    return std::make_unique<WindowSettingsTarget>(*this);
}

void Tmain_window::wireSettingsFile() {
    connectGuarded(ui->Open1, &QAction::triggered, this, [this] { Open1Click(); });
    connectGuarded(ui->Save1, &QAction::triggered, this, [this] { Save1Click(); });
    connectGuarded(ui->SaveAs1, &QAction::triggered, this, [this] { SaveAs1Click(); });
}

void Tmain_window::Open1Click() {
    ReadSettingsFile();
}

namespace {
// save_box: where Save and Save As write, reopening at the path it gave last.
std::optional<QString> askSaveBox(Tmain_window* window, Dialogs& dialogs, QString& lastPath) {
    FileDialogOptions options;
    options.filter = QStringLiteral("Text File (*.txt)");
    options.defaultSuffix = QStringLiteral("txt");
    options.initialPath = lastPath;
    options.confirmOverwrite = true;
    const std::optional<QString> path = dialogs.saveFile(window, options);
    if (path)
        lastPath = *path;
    return path;
}
} // namespace

void Tmain_window::Save1Click() {
    if (SettingsFileName.isEmpty()) {
        if (const auto path = askSaveBox(this, platform_.dialogs, saveBoxPath))
            SettingsFileName = *path;
    }
    if (!SettingsFileName.isEmpty())
        WriteSettingsFile();
}

// The new name is taken before writing, so it stays even if the write then fails.
void Tmain_window::SaveAs1Click() {
    const auto path = askSaveBox(this, platform_.dialogs, saveBoxPath);
    if (!path)
        return;
    SettingsFileName = *path;
    WriteSettingsFile();
}

void Tmain_window::ReadSettingsFile() {
    FileDialogOptions options;
    options.filter = QStringLiteral("Text Files (*.txt)");
    options.defaultSuffix = QStringLiteral("txt");
    options.initialPath = openBoxPath;
    options.mustExist = true;
    if (const std::optional<QString> path = platform_.dialogs.openFile(this, options))
        openSettingsFile(*path);
}

void Tmain_window::openSettingsFile(const QString& path) {
    openBoxPath = path;

    // The derivation runs before the file is touched: with a width that is no
    // number, the load stops here and reads nothing.
    deriveAppletValues();

    SettingsLineReader reader(readWholeFile(path));
    WindowSettingsTarget target(*this);
    if (loadSettings(reader, target) == LoadResult::NotABrivaneFile) {
        platform_.dialogs.showMessage(this, QStringLiteral("Not a Brivane File"));
        return;
    }

    // The editor starts again at button 1, its boxes in the order link, label,
    // image, frame. Each box's change handler writes the same text back.
    CurrentButton = 1;
    ui->Label14->setText(QStringLiteral("1"));
    const QString link = settings.table.entry(ButtonField::Link, 1);
    const QString label = settings.table.entry(ButtonField::Label, 1);
    const QString image = settings.table.entry(ButtonField::Image, 1);
    const QString frame = settings.table.entry(ButtonField::Frame, 1);
    ui->link_box->setText(link);
    ui->button_label->setText(label);
    ui->image_box->setText(image);
    ui->frame_box->setText(frame);
    rememberRecent(path, false);
}

void Tmain_window::WriteSettingsFile() {
    if (SettingsFileName.isEmpty())
        return;
    captureControls();
    brivane::WriteSettingsFile(settings, SettingsFileName);
    rememberRecent(SettingsFileName, false);
}

} // namespace brivane
