#include "model/applet_settings.h"

#include "model/errors.h"

#include <algorithm>
#include <limits>
#include <type_traits>
#include <utility>

namespace brivane {

namespace {

int hexDigitValue(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

// The conversion over characters of either width: a byte outside ASCII, like a
// character outside it, is no part of a number.
template <typename Char> std::optional<qint32> parseInt(const Char* p, const Char* const end) {
    // Leading blanks are space characters only: a tab or a line break is not a blank
    // the user could have typed into a one-line field.
    while (p != end && *p == Char(' '))
        ++p;
    if (p == end)
        return std::nullopt;

    // Accumulate the magnitude in 64 bits and stop as soon as it leaves the 32-bit
    // range, so even a very long run of digits cannot overflow.
    constexpr qint64 kMaxMagnitude = qint64(std::numeric_limits<qint32>::max()) + 1;
    qint64 magnitude = 0;
    bool negative = false;
    if (*p == Char('$')) {
        ++p;
        if (p == end)
            return std::nullopt;
        for (; p != end; ++p) {
            const int digit = hexDigitValue(char16_t(static_cast<std::make_unsigned_t<Char>>(*p)));
            if (digit < 0)
                return std::nullopt;
            magnitude = magnitude * 16 + digit;
            if (magnitude > std::numeric_limits<qint32>::max())
                return std::nullopt;
        }
        return qint32(magnitude);
    }

    if (*p == Char('+') || *p == Char('-')) {
        negative = *p == Char('-');
        ++p;
    }
    if (p == end)
        return std::nullopt;
    for (; p != end; ++p) {
        // ASCII digits only; QChar::isDigit() would also take other scripts' digits.
        if (*p < Char('0') || *p > Char('9'))
            return std::nullopt;
        magnitude = magnitude * 10 + (*p - Char('0'));
        if (magnitude > kMaxMagnitude)
            return std::nullopt;
    }
    if (negative)
        return qint32(-magnitude);
    if (magnitude > std::numeric_limits<qint32>::max())
        return std::nullopt;
    return qint32(magnitude);
}

// What a number field makes of a text: nothing, or the bound it puts in its place.
template <typename Char>
std::optional<qint32> correction(const Char* begin, const Char* end, NumberRange range) {
    const qsizetype size = end - begin;
    // Nothing yet, or one to five blanks: left alone, as if the user were still typing.
    if (size <= 5 && std::all_of(begin, end, [](Char c) { return c == Char(' '); }))
        return std::nullopt;
    const std::optional<qint32> number = parseInt(begin, end);
    if (!number || *number < qint32(range.minimum))
        return qint32(range.minimum);
    if (*number > range.maximum)
        return range.maximum;
    return std::nullopt;
}

} // namespace

std::optional<qint32> tryStrToInt(QStringView text) {
    return parseInt(text.utf16(), text.utf16() + text.size());
}

qint32 StrToInt(const QString& text) {
    if (const std::optional<qint32> number = tryStrToInt(text))
        return *number;
    throw ConversionError(text);
}

std::optional<qint32> numberFieldCorrection(QStringView text, NumberRange range) {
    return correction(text.utf16(), text.utf16() + text.size(), range);
}

std::optional<qint32> numberFieldCorrection(QByteArrayView text, NumberRange range) {
    return correction(text.data(), text.data() + text.size(), range);
}

QString numberFieldMessage(NumberRange range) {
    return QStringLiteral("You must enter a numeric value between %1 and %2")
        .arg(int(range.minimum))
        .arg(range.maximum);
}

ButtonTable::ButtonTable() = default;

const QString& ButtonTable::emptyEntry() {
    static const QString empty;
    return empty;
}

QString* ButtonTable::slot(ButtonField field, int k, bool empty) {
    if (k < 1 || k > kMaxButtons)
        return nullptr;
    std::vector<QString>& table = tables_[static_cast<size_t>(field)];
    if (static_cast<size_t>(k) > table.size()) {
        if (empty)
            return nullptr; // reads as empty already
        table.resize(static_cast<size_t>(k));
    }
    return &table[static_cast<size_t>(k - 1)];
}

void ButtonTable::setEntry(ButtonField field, int k, const QString& text) {
    if (QString* entry = slot(field, k, text.isEmpty()))
        *entry = text;
}

void ButtonTable::setEntry(ButtonField field, int k, QString&& text) {
    if (QString* entry = slot(field, k, text.isEmpty()))
        *entry = std::move(text);
}

void ButtonTable::clearAll() {
    for (auto& table : tables_)
        for (QString& text : table)
            text.clear();
}

AppletColour AppletColour::fromRgb(int red, int green, int blue) {
    red &= 0xFF;
    green &= 0xFF;
    blue &= 0xFF;
    return AppletColour{hexForm(red, green, blue), red + 256 * green + 65536 * blue};
}

AppletColour AppletColour::fromSettingsValue(qint32 number) {
    AppletColour colour{QString(), number};
    colour.hex = hexForm(colour.red(), colour.green(), colour.blue());
    return colour;
}

QString hexForm(int red, int green, int blue) {
    static const char16_t digits[] = u"0123456789ABCDEF";
    QString hex(6, Qt::Uninitialized);
    QChar* out = hex.data();
    int i = 0;
    for (int component : {red, green, blue}) {
        component &= 0xFF;
        out[i++] = QChar(digits[component >> 4]);
        out[i++] = QChar(digits[component & 0xF]);
    }
    return hex;
}

std::optional<qint32> colourValueOfHex(QStringView text) {
    QStringView digits = text.trimmed();
    if (digits.startsWith(u'#'))
        digits = digits.mid(1);
    if (digits.size() != 6)
        return std::nullopt;
    qint32 value = 0;
    for (int i = 0; i < 3; ++i) {
        const int high = hexDigitValue(digits[2 * i].unicode());
        const int low = hexDigitValue(digits[2 * i + 1].unicode());
        if (high < 0 || low < 0)
            return std::nullopt;
        value += (high * 16 + low) << (8 * i);
    }
    return value;
}

const QStringList& alignItems() {
    static const QStringList items{QStringLiteral("Center"), QStringLiteral("Left "),
                                   QStringLiteral("Right")};
    return items;
}

const QStringList& fontItems() {
    static const QStringList items{QStringLiteral("TimesRoman"), QStringLiteral("Helvetica"),
                                   QStringLiteral("Courier")};
    return items;
}

const QStringList& fontSizeItems() {
    static const QStringList items{QStringLiteral("9"),  QStringLiteral("12"), QStringLiteral("14"),
                                   QStringLiteral("16"), QStringLiteral("18"), QStringLiteral("20"),
                                   QStringLiteral("22"), QStringLiteral("24"), QStringLiteral("26"),
                                   QStringLiteral("28"), QStringLiteral("36"), QStringLiteral("48"),
                                   QStringLiteral("72")};
    return items;
}

void DeriveAppletValues(AppletSettings& settings) {
    // 1. Default colour strings, each tested by itself.
    if (settings.buttonColour.hex.isEmpty())
        settings.buttonColour.hex = QStringLiteral("0000A0");
    if (settings.fontColour.hex.isEmpty())
        settings.fontColour.hex = QStringLiteral("FFFFFF");
    if (settings.clickColour.hex.isEmpty())
        settings.clickColour.hex = QStringLiteral("FF0000");

    // 2. The option codes. A three-way group with nothing checked keeps its code.
    settings.StyleCode = settings.style0 ? QStringLiteral("0") : QStringLiteral("1");
    settings.DirectionCode = settings.vertical ? QStringLiteral("0") : QStringLiteral("1");
    if (settings.plain)
        settings.FontStyleCode = QStringLiteral("0");
    else if (settings.italic)
        settings.FontStyleCode = QStringLiteral("2");
    else if (settings.bold)
        settings.FontStyleCode = QStringLiteral("1");
    if (settings.left)
        settings.PositionCode = QStringLiteral("1");
    else if (settings.center)
        settings.PositionCode = QStringLiteral("0");
    else if (settings.right)
        settings.PositionCode = QStringLiteral("2");

    // 3.-5. The applet size: width before height before the button count, so a bad
    // width is the one reported. The multiplied side is computed in 64 bits so that
    // texts outside the checked ranges still give the true product, not a wrapped one.
    const qint64 w = StrToInt(settings.width);
    const qint64 h = StrToInt(settings.height);
    if (settings.DirectionCode == QLatin1String("0")) {
        const qint64 n = StrToInt(settings.buttons);
        settings.AppletWidth = settings.width;
        settings.AppletHeight = QString::number(h * n);
    } else {
        const qint64 n = StrToInt(settings.buttons);
        settings.AppletWidth = QString::number(n * w);
        settings.AppletHeight = settings.height;
    }
}

} // namespace brivane
