// Which control shows which setting: the one binding that reading the controls,
// loading a settings file or a page into them and checking their numbers share.
#include "forms/main/main_window.h"

#include "forms/settings_source.h"
#include "model/errors.h"
#include "model/settings_lines.h"
#include "ui_main_window.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <array>
#include <stdexcept>

namespace brivane {

namespace {

using S = AppletSettings;

// A text setting and its field; the caption names a number field in messages.
struct EditBinding {
    QString S::*field;
    QLineEdit* edit;
    QLabel* caption;
};
// A list's selection: its index and its item's text.
struct ListBinding {
    int S::*index;
    QString S::*item;
    QComboBox* list;
};
// An option flag and its button; in a group of two, `otherwise` is the button
// that is checked when the flag is clear.
struct OptionBinding {
    bool S::*option;
    QRadioButton* button;
    QRadioButton* otherwise;
};

std::array<EditBinding, 7> edits(const Ui::Tmain_window* c) {
    return {{{&S::width, c->width, c->Label1},
             {&S::height, c->height, c->Label2},
             {&S::buttons, c->buttons, c->Label3},
             {&S::border, c->border, c->Label17},
             {&S::degree, c->degree, c->Label5},
             {&S::fOffset, c->f_offset, c->Spacing},
             {&S::title, c->title, nullptr}}};
}

std::array<ListBinding, 3> lists(const Ui::Tmain_window* c) {
    return {{{&S::alignIndex, &S::align, c->align},
             {&S::fontIndex, &S::font, c->font_box},
             {&S::fontSizeIndex, &S::fontSize, c->font_size}}};
}

std::array<OptionBinding, 8> options(const Ui::Tmain_window* c) {
    return {{{&S::style0, c->style0, c->style1},
             {&S::vertical, c->vert_check_box, c->Horz_check_box},
             {&S::plain, c->plain, nullptr},
             {&S::bold, c->bold, nullptr},
             {&S::italic, c->italic, nullptr},
             {&S::left, c->left, nullptr},
             {&S::center, c->center, nullptr},
             {&S::right, c->right, nullptr}}};
}

// Every setting of the table has its control, so the search always ends in one.
template <typename Binding, size_t N, typename Member>
const Binding& bindingOf(const std::array<Binding, N>& bindings, Member Binding::*key,
                         Member member) {
    for (const Binding& binding : bindings) {
        if (binding.*key == member)
            return binding;
    }
    throw std::logic_error("a setting without a control");
}

} // namespace

void Tmain_window::captureControlsInto(AppletSettings& into) const {
    for (const EditBinding& b : edits(ui.get()))
        into.*b.field = b.edit->text();
    for (const ListBinding& b : lists(ui.get())) {
        into.*b.index = b.list->currentIndex();
        into.*b.item = b.list->currentText();
    }
    for (const OptionBinding& b : options(ui.get()))
        into.*b.option = b.button->isChecked();
}

QLineEdit* Tmain_window::editOf(QString AppletSettings::*field) const {
    return bindingOf(edits(ui.get()), &EditBinding::field, field).edit;
}

QComboBox* Tmain_window::listOf(int AppletSettings::*index) const {
    return bindingOf(lists(ui.get()), &ListBinding::index, index).list;
}

QRadioButton* Tmain_window::optionOf(const SettingsLineDef& line, int choice) const {
    if (bool S::*option = line.options[size_t(choice)])
        return bindingOf(options(ui.get()), &OptionBinding::option, option).button;
    return bindingOf(options(ui.get()), &OptionBinding::option, line.options[0]).otherwise;
}

std::optional<NumberRange> Tmain_window::numberRangeOf(const QLineEdit* field) const {
    for (const SettingsLineDef& line : kSettingsLines) {
        if (line.kind == LineKind::Number && editOf(line.text) == field)
            return line.range;
    }
    return std::nullopt;
}

std::vector<FieldNotANumber> Tmain_window::fieldsNotNumbers() const {
    std::vector<FieldNotANumber> faults;
    for (const EditBinding& b : edits(ui.get())) {
        if (b.caption && !tryStrToInt(b.edit->text()))
            faults.push_back({b.caption->text().trimmed(), b.edit->text()});
    }
    return faults;
}

} // namespace brivane
