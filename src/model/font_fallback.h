#pragma once

#include <QStringView>

#include <optional>

namespace brivane {

// The closest of the bar's three fonts (an index into fontItems()) for a font a
// page names that is none of them, by its family: sans-serif names (Arial,
// Verdana, Tahoma, Helvetica Neue, sans-serif, ...) give Helvetica, monospace
// names (Courier New, Lucida Console, monospace, ...) give Courier, anything else
// TimesRoman. In a list of names ("Verdana, Arial, sans-serif") the first name
// whose family is known decides.
int closestFontIndex(QStringView font);

// The closest of the bar's font sizes (an index into fontSizeItems()) for a size
// that is not among them: the nearest one, the smaller of two equally near.
// None for a text that is not a whole number.
std::optional<int> closestFontSizeIndex(QStringView size);

} // namespace brivane
