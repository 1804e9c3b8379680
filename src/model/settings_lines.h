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

// Where the value a line's text gives goes: a record, or the window's controls.
class SettingsLineSink {
public:
    virtual ~SettingsLineSink() = default;
    virtual void setText(const SettingsLineDef& line, const QString& text) = 0; // Text, Number
    virtual void setColour(const SettingsLineDef& line, const AppletColour& colour) = 0;
    virtual void selectChoice(const SettingsLineDef& line, int choice) = 0;
    // An index outside the list selects nothing.
    virtual void selectItem(const SettingsLineDef& line, int index) = 0;
};

// The option a Choice line's code selects: a bare digit of the group, "0" for
// its first option; nothing for any other text.
std::optional<int> choiceOfCode(const SettingsLineDef& line, QStringView code);

// Reads a line's text as a file gives it and hands its value to the sink. A code
// that selects no option hands nothing on (the group stays as it is); a colour
// or an index that is no number throws ConversionError carrying the text.
void readSettingsLine(SettingsLine line, const QString& text, SettingsLineSink& sink);
// The same into a record.
void applySettingsLine(AppletSettings& settings, SettingsLine line, const QString& text);

} // namespace brivane
