// View > Preview, and what the other windows read of the settings.
#include "forms/main/main_window.h"

#include "forms/preview/preview_window.h"
#include "forms/settings_source.h"
#include "model/errors.h"
#include "platform/failure_boundary.h"
#include "ui_main_window.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace brivane {

namespace {

// Keeps a settings record's button table aside while the rest of it is copied:
// 131 thousand texts are not copied on every keystroke, and the look never
// reads them. The table is put back however the copy ends.
class TableAside {
public:
    explicit TableAside(AppletSettings& settings)
        : settings_(settings), table_(std::move(settings.table)) {}
    ~TableAside() { settings_.table = std::move(table_); }
    TableAside(const TableAside&) = delete;
    TableAside& operator=(const TableAside&) = delete;

private:
    AppletSettings& settings_;
    ButtonTable table_;
};

// The main window's settings as the other windows see them.
class MainSettingsSource final : public SettingsSource {
public:
    MainSettingsSource(Tmain_window& window, AppletSettings& settings)
        : window_(window), settings_(settings) {}

    AppletSettings snapshot() const override {
        AppletSettings copy;
        {
            TableAside aside(settings_);
            copy = settings_;
        }
        window_.captureControlsInto(copy);
        DeriveAppletValues(copy);
        return copy;
    }

    std::vector<FieldNotANumber> fieldsNotNumbers() const override {
        return window_.fieldsNotNumbers();
    }

    const ButtonTable& buttonTable() const override { return settings_.table; }
    QString workingDirectory() const override { return window_.WorkingDirectory; }
    void selectButton(int k) override { window_.SelectButton(k); }

private:
    Tmain_window& window_;
    AppletSettings& settings_;
};

} // namespace

// The View menu sits between Options and Help; the other menus stay as laid out.
void Tmain_window::wirePreview() {
    auto* View1 = new QMenu(QStringLiteral("&View"), this);
    View1->setObjectName(QStringLiteral("View1"));
    QAction* Preview1 = View1->addAction(QStringLiteral("&Preview"));
    Preview1->setObjectName(QStringLiteral("Preview1"));
    Preview1->setShortcut(QKeySequence(Qt::Key_F5));
    menuBar()->insertMenu(ui->help_meue->menuAction(), View1);
    connectGuarded(Preview1, &QAction::triggered, this, [this] { Preview1Click(); });

    // Every control the settings are read from. Open, Import and Reset All
    // also change button texts that no box shows; they are connected after
    // their own handlers (wired earlier), so the source speaks once they are done.
    settingsSource_ = std::make_unique<MainSettingsSource>(*this, settings);
    SettingsSource* source = settingsSource_.get();
    for (QLineEdit* edit :
         {ui->width, ui->height, ui->buttons, ui->border, ui->degree, ui->f_offset, ui->link_box,
          ui->frame_box, ui->button_label, ui->image_box})
        connect(edit, &QLineEdit::textChanged, source, &SettingsSource::changed);
    for (QComboBox* list : {ui->font_box, ui->font_size})
        connect(list, &QComboBox::currentIndexChanged, source, &SettingsSource::changed);
    for (QRadioButton* option : {ui->style0, ui->style1, ui->vert_check_box, ui->Horz_check_box,
                                 ui->plain, ui->bold, ui->italic, ui->left, ui->center, ui->right})
        connect(option, &QAbstractButton::toggled, source, &SettingsSource::changed);
    connect(ui->Open1, &QAction::triggered, source, &SettingsSource::changed);
    connect(Import1, &QAction::triggered, source, &SettingsSource::changed);
    connect(ui->SpeedButton2, &QAbstractButton::clicked, source, &SettingsSource::changed);
}

void Tmain_window::Preview1Click() {
    if (preview_)
        preview_->showPreview();
}

void Tmain_window::SelectButton(int k) {
    // The preview never shows a message: with no count to go by, nothing moves.
    qint32 count = 0;
    try {
        count = StrToInt(ui->buttons->text());
    } catch (const ConversionError&) {
        return;
    }
    if (k < 1 || k > count)
        return;
    CurrentButton = k;
    ShowButtonEntry();
}

} // namespace brivane
