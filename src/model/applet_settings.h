#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <optional>
#include <vector>

namespace brivane {

// The bound of the button count and of the per-button tables.
constexpr int kMaxButtons = 32767;

// The integer conversion used wherever a setting's text is read as a number:
// leading blanks, then an optional sign and decimal digits, or "$" and hex digits
// of either case, and nothing after; the value must fit a signed 32-bit integer.
// Throws ConversionError carrying the text as given.
qint32 StrToInt(const QString& text);
// The same conversion without the exception (and without copying the text into
// one): nothing where StrToInt would throw.
std::optional<qint32> tryStrToInt(QStringView text);

// The bounds of a number field; a text outside them is replaced by the nearer
// bound, a text that is no number by the minimum.
struct NumberRange {
    quint8 minimum;
    qint32 maximum;
};
// What a number field does with a text: nothing (a number in range, an empty
// text, or one to five blanks, as if the user were still typing), or the bound it
// puts in the text's place, with numberFieldMessage. The bytes of a line not yet
// decoded give the same answer: no byte outside ASCII is part of a number.
std::optional<qint32> numberFieldCorrection(QStringView text, NumberRange range);
std::optional<qint32> numberFieldCorrection(QByteArrayView text, NumberRange range);
QString numberFieldMessage(NumberRange range);

// The four per-button texts; entry k belongs to button k, k from 1 to kMaxButtons.
enum class ButtonField { Link, Label, Image, Frame };

class ButtonTable {
public:
    ButtonTable();
    // Outside 1..kMaxButtons there is no entry; it reads as empty text. (Inline: the
    // page generator reads 131 thousand entries for the largest bar.)
    const QString& entry(ButtonField field, int k) const {
        const std::vector<QString>& table = tables_[static_cast<size_t>(field)];
        if (k < 1 || static_cast<size_t>(k) > table.size())
            return emptyEntry();
        return table[static_cast<size_t>(k - 1)];
    }
    void setEntry(ButtonField field, int k, const QString& text);
    void setEntry(ButtonField field, int k, QString&& text); // takes the text over
    // Empties every entry of all four tables, not only those up to the button count.
    void clearAll();

private:
    static const QString& emptyEntry();
    // The entry to write, made when needed; none outside 1..kMaxButtons, nor for
    // an empty text beyond the entries made.
    QString* slot(ButtonField field, int k, bool empty);
    // Each table holds entries up to the highest one set (the rest read as empty
    // text), so a bar of a few buttons costs a few entries, not 32767: a converter
    // that reads a thousand pages makes a thousand of these.
    std::array<std::vector<QString>, 4> tables_;
};

// One of the three colours in its three forms. The swatch colour is `value`
// (red + 256*green + 65536*blue); `hex` is what the page gets, empty until chosen.
struct AppletColour {
    QString hex;
    qint32 value = 0;

    int red() const { return value & 0xFF; }
    int green() const { return (value >> 8) & 0xFF; }
    int blue() const { return (value >> 16) & 0xFF; }

    // A colour picked or reset: all three forms name it.
    static AppletColour fromRgb(int red, int green, int blue);
    // A colour line of a settings file: the hex form spells the three lowest bytes,
    // the value stays the number read.
    static AppletColour fromSettingsValue(qint32 number);
};

// Two upper-case hex digits each for red, green and blue: "0000A0".
QString hexForm(int red, int green, int blue);
// The other way: six hex digits RRGGBB in either case, with or without a '#' and
// surrounding blanks (as pages write them), as a colour's value (red + 256 green
// + 65536 blue); nothing for any other text.
std::optional<qint32> colourValueOfHex(QStringView text);

// The drop-down lists' items, in the order the window shows them.
const QStringList& alignItems();    // "Center", "Left ", "Right"
const QStringList& fontItems();     // "TimesRoman", "Helvetica", "Courier"
const QStringList& fontSizeItems(); // "9" ... "72"

// Every setting of the applet. The window refreshes the control part from its
// controls at the moment a command runs; the module-level part lives here
// between commands.
struct AppletSettings {
    // Texts of the edits, exactly as typed.
    QString width = QStringLiteral("100");
    QString height = QStringLiteral("26");
    QString buttons = QStringLiteral("4");
    QString border = QStringLiteral("3");
    QString degree = QStringLiteral("20");
    QString fOffset = QStringLiteral("4");
    QString title = QStringLiteral("untitled");

    // Drop-down lists: the selected item's index (-1: none) and its text ("" for none).
    int alignIndex = 0;
    QString align = QStringLiteral("Center");
    int fontIndex = 0;
    QString font = QStringLiteral("TimesRoman");
    int fontSizeIndex = 2;
    QString fontSize = QStringLiteral("14");

    // Option groups, as the radio buttons are checked.
    bool style0 = true;   // else style1
    bool vertical = true; // vert_check_box, else Horz_check_box
    bool plain = true;
    bool bold = false;
    bool italic = false;
    bool left = false;
    bool center = true;
    bool right = false;

    // Module-level values: the colour forms, the option codes, the applet size
    // (the last two are empty until the first derivation), the per-button texts.
    AppletColour buttonColour{QString(), 10485760};
    AppletColour fontColour{QString(), 16777215};
    AppletColour clickColour{QString(), 255};
    QString StyleCode;
    QString DirectionCode;
    QString FontStyleCode;
    QString PositionCode;
    QString AppletWidth;
    QString AppletHeight;
    ButtonTable table;
};

// The derivation step run before generating, saving and opening: colour
// defaults, option codes, then the applet size. Throws ConversionError for
// width, then height, then buttons; what it set before the failure stays set.
void DeriveAppletValues(AppletSettings& settings);

} // namespace brivane
