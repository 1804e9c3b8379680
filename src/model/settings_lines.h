#pragma once

#include "model/applet_settings.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <optional>
#include <string_view>

namespace brivane {

inline const QString kSettingsFileHeader = QStringLiteral("Brivane File");

// The fixed lines 1 to 17 of a settings file, in file order. Behind them stand
// label, link, image and frame of each button 1..N.
enum class SettingsLine {
    Header,
    Width,
    Height,
    Buttons,
    ButtonColour,
    Direction,
    Border,
    Degree,
    Style,
    FontSizeIndex,
    FontStyle,
    FontColour,
    ClickColour,
    Position,
    Spacing,
    FontIndex,
    Title,
};

// What a line holds, which decides how it is written, read and applied.
enum class LineKind {
    Header, // the file's first line
    Text,   // a field's text as typed
    Number, // a number field's text as typed; the field keeps it within its range
    Colour, // a colour as its value, red + 256 green + 65536 blue
    Choice, // an option group as a code, "0" for its first option
    Item,   // a drop-down list's selection as the item's index
};

// One fixed line of the settings file. The file's writer and reader, the
// window's loading and the import of an applet page all go by this one table.
struct SettingsLineDef {
    SettingsLine line;
    LineKind kind;
    // The applet param that carries the same value in a page (import). None for
    // the header, for the title (the page's <title>) and for width and height
    // (from the applet's own size).
    std::string_view param;
    // Text and Number: the field. Choice: the code the derivation sets, which is
    // what the file gets.
    QString AppletSettings::*text = nullptr;
    NumberRange range{0, 0}; // Number
    AppletColour AppletSettings::*colour = nullptr;
    // Choice: the option each code selects, "0" first. A group of two keeps one
    // flag; its second option is that flag cleared (a null entry here).
    int choices = 0;
    std::array<bool AppletSettings::*, 3> options{};
    // Choice: whether a code outside the group selects its last option (a group
    // of two reads "anything but 0") or leaves the group as it is.
    bool otherCodesSelectLast = false;
    // Item: the list, the selected index and the selected item's text, and the
    // item that stands in for a page's value that is not in the list, where one can.
    const QStringList& (*items)() = nullptr;
    std::optional<int> (*closestItem)(QStringView value) = nullptr;
    int AppletSettings::*index = nullptr;
    QString AppletSettings::*item = nullptr;
};

// In file order.
extern const std::array<SettingsLineDef, 17> kSettingsLines;
const SettingsLineDef& settingsLineDef(SettingsLine line);

// The text a fixed line gets from settings whose derived values are up to date.
QString settingsLineText(const AppletSettings& settings, SettingsLine line);
// Applies a line's text to a record as a file gives it. A colour or an index
// that is no number throws ConversionError carrying the text.
void applySettingsLine(AppletSettings& settings, SettingsLine line, const QString& text);

// Choice: the option a line's code selects; nothing where it changes nothing.
std::optional<int> choiceOfCode(const SettingsLineDef& def, const QString& code);
// The option group of a Choice line set to option `choice` in a record.
void selectChoice(AppletSettings& settings, const SettingsLineDef& def, int choice);
AppletColour colourFromLine(const QString& line);
int indexFromLine(const QString& line); // an index outside the list selects nothing

} // namespace brivane
