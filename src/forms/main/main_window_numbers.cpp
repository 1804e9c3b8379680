#include "forms/main/main_window.h"

#include "model/applet_settings.h"
#include "model/errors.h"
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
void Tmain_window::CheckNumberField(QLineEdit* field, quint8 minimum, qint32 maximum) {
    const QString text = field->text();
    if (text.isEmpty())
        return;
    // One to five blanks are left alone, as if the user were still typing.
    if (text.size() <= 5 && text.count(u' ') == text.size())
        return;

    const QString message = QStringLiteral("You must enter a numeric value between %1 and %2")
                                .arg(int(minimum))
                                .arg(maximum);
    qint32 number = 0;
    try {
        number = StrToInt(text);
    } catch (const ConversionError&) {
        platform_.dialogs.showMessage(this, message);
        field->setText(QString::number(minimum));
        return;
    }
    if (number < qint32(minimum)) {
        platform_.dialogs.showMessage(this, message);
        field->setText(QString::number(minimum));
    } else if (number > maximum) {
        platform_.dialogs.showMessage(this, message);
        field->setText(QString::number(maximum));
    }
}

void Tmain_window::widthChange() {
    CheckNumberField(ui->width, 1, 32767);
}

void Tmain_window::heightChange() {
    CheckNumberField(ui->height, 1, 32767);
}

void Tmain_window::borderChange() {
    CheckNumberField(ui->border, 0, 32767);
}

void Tmain_window::degreeChange() {
    ShowTip(4);
    CheckNumberField(ui->degree, 0, 255);
}

// Serves both `buttons` and `f_offset`; either change ends with the editor
// following the button count.
void Tmain_window::buttonsChange(QLineEdit* source) {
    if (source == ui->f_offset) {
        ShowTip(5);
        CheckNumberField(ui->f_offset, 0, 32767);
    }
    if (source == ui->buttons)
        CheckNumberField(ui->buttons, 1, 32767);
    adjustCurrentButtonToCount();
}

} // namespace brivane
