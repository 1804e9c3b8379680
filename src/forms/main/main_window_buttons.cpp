#include "forms/main/main_window.h"

#include "model/applet_settings.h"
#include "platform/failure_boundary.h"
#include "ui_main_window.h"

#include <QFileInfo>

namespace brivane {

void Tmain_window::wireButtonEditor() {
    connectGuarded(ui->link_box, &QLineEdit::textChanged, this, [this] { link_boxChange(); });
    connectGuarded(ui->frame_box, &QLineEdit::textChanged, this, [this] { frame_boxChange(); });
    connectGuarded(ui->button_label, &QLineEdit::textChanged, this,
                   [this] { button_labelChange(); });
    connectGuarded(ui->image_box, &QLineEdit::textChanged, this, [this] { image_boxChange(); });
    connectGuarded(ui->SpeedButton7, &QToolButton::clicked, this, [this] { SpeedButton7Click(); });
    connectGuarded(ui->SpeedButton8, &QToolButton::clicked, this, [this] { SpeedButton8Click(); });
    connectGuarded(ui->SpeedButton11, &QToolButton::clicked, this,
                   [this] { SpeedButton11Click(); });
}

// Every change is stored at once, so the table always matches the box.
void Tmain_window::link_boxChange() {
    settings.table.setEntry(ButtonField::Link, CurrentButton, ui->link_box->text());
}

void Tmain_window::frame_boxChange() {
    settings.table.setEntry(ButtonField::Frame, CurrentButton, ui->frame_box->text());
}

void Tmain_window::button_labelChange() {
    settings.table.setEntry(ButtonField::Label, CurrentButton, ui->button_label->text());
}

void Tmain_window::image_boxChange() {
    settings.table.setEntry(ButtonField::Image, CurrentButton, ui->image_box->text());
}

// CurrentButton already holds the new number, so each box's change handler
// stores the same text back into the same entry.
void Tmain_window::ShowButtonEntry() {
    ui->link_box->setText(settings.table.entry(ButtonField::Link, CurrentButton));
    ui->frame_box->setText(settings.table.entry(ButtonField::Frame, CurrentButton));
    ui->button_label->setText(settings.table.entry(ButtonField::Label, CurrentButton));
    ui->image_box->setText(settings.table.entry(ButtonField::Image, CurrentButton));
    ui->Label14->setText(QString::number(CurrentButton));
}

void Tmain_window::StepCurrentButton(qint8 step) {
    const qint32 count = StrToInt(ui->buttons->text());
    const qint32 target = CurrentButton + step;
    if (target > count || target < 1)
        return;
    CurrentButton = target;
    ShowButtonEntry();
}

// Lowering the count pulls the editor down with it; the entries above stay.
void Tmain_window::adjustCurrentButtonToCount() {
    const qint32 count = StrToInt(ui->buttons->text());
    if (count >= CurrentButton)
        return;
    // The number check keeps the count at 1 or more; never show a button 0.
    CurrentButton = qMax(count, 1);
    ShowButtonEntry();
}

void Tmain_window::SpeedButton7Click() {
    StepCurrentButton(-1);
}

void Tmain_window::SpeedButton8Click() {
    StepCurrentButton(+1);
}

// Copies the chosen picture beside the page, never over a file already there,
// and uses its bare name, which works as an address relative to the page.
void Tmain_window::SpeedButton11Click() {
    FileDialogOptions open_image;
    open_image.filter = imageBrowseFilter();
    open_image.initialPath = openImagePath;
    const std::optional<QString> chosen = platform_.dialogs.openFile(this, open_image);
    if (!chosen)
        return;
    openImagePath = *chosen;
    const QString name = QFileInfo(*chosen).fileName();
    // A failed copy (target exists, source gone, same folder) is silent.
    platform_.fileCopier.copyFile(*chosen, WorkingDirectory + name);
    ui->image_box->setText(name);
}

} // namespace brivane
