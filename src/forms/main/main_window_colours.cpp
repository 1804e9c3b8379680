// The three colour choosers and the hidden swatches that carry their colours.
#include "forms/main/main_window.h"

#include "forms/settings_source.h"
#include "platform/failure_boundary.h"
#include "ui_main_window.h"

#include <QAbstractButton>
#include <QFrame>

namespace brivane {

namespace {

QColor swatchColour(const AppletColour& colour) {
    return QColor(colour.red(), colour.green(), colour.blue());
}

void paintSwatch(QFrame* swatch, const AppletColour& colour) {
    QPalette palette = swatch->palette();
    palette.setColor(QPalette::Window, swatchColour(colour));
    swatch->setPalette(palette);
    swatch->setAutoFillBackground(true);
}

// Opens the shared colour dialog at the colour's swatch. OK makes the picked
// colour the current one in all three forms at once; Cancel changes nothing.
bool pickColour(Tmain_window* window, Dialogs& dialogs, AppletColour& colour) {
    const std::optional<QColor> picked = dialogs.pickColor(window, swatchColour(colour));
    if (!picked)
        return false;
    colour = AppletColour::fromRgb(picked->red(), picked->green(), picked->blue());
    return true;
}

} // namespace

void Tmain_window::wireColours() {
    connectGuarded(ui->SpeedButton1, &QAbstractButton::clicked, this,
                   [this] { SpeedButton1Click(); });
    connectGuarded(ui->SpeedButton5, &QAbstractButton::clicked, this,
                   [this] { SpeedButton5Click(); });
    connectGuarded(ui->SpeedButton6, &QAbstractButton::clicked, this,
                   [this] { SpeedButton6Click(); });
    // The swatches start with the start-up colours.
    updateSwatches();
}

void Tmain_window::SpeedButton1Click() {
    if (pickColour(this, platform_.dialogs, settings.buttonColour))
        updateSwatches();
}

void Tmain_window::SpeedButton5Click() {
    if (pickColour(this, platform_.dialogs, settings.fontColour))
        updateSwatches();
}

void Tmain_window::SpeedButton6Click() {
    if (pickColour(this, platform_.dialogs, settings.clickColour))
        updateSwatches();
}

void Tmain_window::updateSwatches() {
    paintSwatch(ui->Color_Panel, settings.buttonColour);
    paintSwatch(ui->font_color_panel, settings.fontColour);
    paintSwatch(ui->click_color_box, settings.clickColour);
    // A colour chosen or read from a file: the windows drawn from the settings follow.
    if (settingsSource_)
        emit settingsSource_->changed();
}

} // namespace brivane
