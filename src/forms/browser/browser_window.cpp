#include "forms/browser/browser_window.h"

#include "forms/window_placement.h"
#include "platform/failure_boundary.h"
#include "prefs/preferences.h"

#include "ui_browser_window.h"

#include <QShowEvent>
#include <QStyle>

#include <algorithm>

namespace brivane {

namespace {
const QString kDefault = QStringLiteral("default");
} // namespace

Tbrowser_window::Tbrowser_window(Platform& platform, Preferences& preferences, QWidget* parent)
    : QDialog(parent), ui(new Ui::Tbrowser_window), platform_(platform), preferences_(preferences) {
    ui->setupUi(this);
    setWindowFlags(kFixedToolDialogFlags);
    setFixedSize(size());
    ui->SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    // The caption sizes the label, so a font wider than the layout's own does
    // not cut its end off.
    QLabel* caption = ui->Label2;
    caption->resize(std::max(caption->width(), caption->sizeHint().width()), caption->height());

    connectGuarded(ui->SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
    // toggled, not clicked: the handler runs also when the program sets the tick.
    connectGuarded(ui->default_check, &QCheckBox::toggled, this, [this] { default_checkClick(); });
    connectGuarded(ui->Ok_button, &QPushButton::clicked, this, [this] { Ok_buttonClick(); });
    connectGuarded(ui->cancel_button, &QPushButton::clicked, this,
                   [this] { cancel_buttonClick(); });
}

Tbrowser_window::~Tbrowser_window() = default;

void Tbrowser_window::FormShow() {
    ui->default_check->setChecked(preferences_.BrowserSetting == kDefault);
    ui->Browser_box->setText(preferences_.BrowserSetting);
    SavedBrowserSetting = preferences_.BrowserSetting;
}

void Tbrowser_window::SpeedButton1Click() {
    FileDialogOptions options;
    // Programs carry no extension here, so "Applications" matches any file.
    options.filter = QStringLiteral("Applications (*)");
    options.mustExist = true;
    if (preferences_.BrowserSetting != kDefault)
        options.initialPath = preferences_.BrowserSetting;
    const std::optional<QString> chosen = platform_.dialogs.openFile(this, options);
    if (!chosen)
        return;
    ui->Browser_box->setText(*chosen);
    preferences_.BrowserSetting = *chosen;
    ui->default_check->setChecked(false);
}

void Tbrowser_window::default_checkClick() {
    // A cleared tick changes nothing: the box keeps its text until the user
    // browses for a program.
    if (!ui->default_check->isChecked())
        return;
    ui->Browser_box->setText(kDefault);
    preferences_.BrowserSetting = kDefault;
}

void Tbrowser_window::Ok_buttonClick() {
    // A failed write ends here, so the window stays open with the choice in effect.
    preferences_.SaveBrowserPreference();
    hide();
}

void Tbrowser_window::cancel_buttonClick() {
    ui->Browser_box->setText(SavedBrowserSetting);
    preferences_.BrowserSetting = SavedBrowserSetting;
    hide();
}

void Tbrowser_window::setVisible(bool visible) {
    centreOnFirstShow(this, visible, placed_);
    QDialog::setVisible(visible);
}

void Tbrowser_window::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    // Only when the hidden window becomes visible; a window restored by the
    // window system keeps the copy taken when it was opened.
    if (!e->spontaneous())
        runGuarded([this] { FormShow(); });
}

} // namespace brivane
