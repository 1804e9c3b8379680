#include "forms/main/main_window.h"

#include "model/applet_settings.h"
#include "platform/failure_boundary.h"
#include "ui_main_window.h"

namespace brivane {

void Tmain_window::wireNumberFields() {
    connectGuarded(ui->width, &QLineEdit::textChanged, this, [this] { widthChange(); });
    connectGuarded(ui->height, &QLineEdit::textChanged, this, [this] { heightChange(); });
    connectGuarded(ui->border, &QLineEdit::textChanged, this, [this] { borderChange(); });
    connectGuarded(ui->degree, &QLineEdit::textChanged, this, [this] { degreeChange(); });
    connectGuarded(ui->buttons, &QLineEdit::textChanged, this,
                   [this] { buttonsChange(ui->buttons); });
    connectGuarded(ui->f_offset, &QLineEdit::textChanged, this,
                   [this] { buttonsChange(ui->f_offset); });
}

// Runs on every change, so a number is judged keystroke by keystroke. Putting a
// bound into the field runs this again, nested, and the bound passes silently.
void Tmain_window::CheckNumberField(QLineEdit* field) {
    const NumberRange range = *numberRangeOf(field);
    if (const std::optional<qint32> bound = numberFieldCorrection(field->text(), range)) {
        platform_.dialogs.showMessage(this, numberFieldMessage(range));
        field->setText(QString::number(*bound));
    }
}

bool Tmain_window::refuseNumberText(QLineEdit* field, QByteArrayView text) {
    const NumberRange range = *numberRangeOf(field);
    const std::optional<qint32> bound = numberFieldCorrection(text, range);
    if (!bound)
        return false;
    platform_.dialogs.showMessage(this, numberFieldMessage(range));
    field->setText(QString::number(*bound));
    return true;
}

void Tmain_window::widthChange() {
    CheckNumberField(ui->width);
}

void Tmain_window::heightChange() {
    CheckNumberField(ui->height);
}

void Tmain_window::borderChange() {
    CheckNumberField(ui->border);
}

void Tmain_window::degreeChange() {
    ShowTip(4);
    CheckNumberField(ui->degree);
}

// Serves both `buttons` and `f_offset`; either change ends with the editor
// following the button count.
void Tmain_window::buttonsChange(QLineEdit* source) {
    if (source == ui->f_offset) {
        ShowTip(5);
        CheckNumberField(ui->f_offset);
    }
    if (source == ui->buttons)
        CheckNumberField(ui->buttons);
    adjustCurrentButtonToCount();
}

} // namespace brivane
