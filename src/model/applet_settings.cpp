#include "model/applet_settings.h"

#include "model/errors.h"

#include <limits>
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

} // namespace

qint32 StrToInt(const QString& text) {
    const char16_t* p = reinterpret_cast<const char16_t*>(text.constData());
    const char16_t* const end = p + text.size();

    // Leading blanks are space characters only: a tab or a line break is not a blank
    // the user could have typed into a one-line field.
    while (p != end && *p == u' ')
        ++p;
    if (p == end)
        throw ConversionError(text);

    // Accumulate the magnitude in 64 bits and stop as soon as it leaves the 32-bit
    // range, so even a very long run of digits cannot overflow.
    constexpr qint64 kMaxMagnitude = qint64(std::numeric_limits<qint32>::max()) + 1;
    qint64 magnitude = 0;
    bool negative = false;
    if (*p == u'$') {
        ++p;
        if (p == end)
            throw ConversionError(text);
        for (; p != end; ++p) {
            const int digit = hexDigitValue(*p);
            if (digit < 0)
                throw ConversionError(text);
            magnitude = magnitude * 16 + digit;
            if (magnitude > std::numeric_limits<qint32>::max())
                throw ConversionError(text);
        }
        return qint32(magnitude);
    }

    if (*p == u'+' || *p == u'-') {
        negative = *p == u'-';
        ++p;
    }
    if (p == end)
        throw ConversionError(text);
    for (; p != end; ++p) {
        // ASCII digits only; QChar::isDigit() would also take other scripts' digits.
        if (*p < u'0' || *p > u'9')
            throw ConversionError(text);
        magnitude = magnitude * 10 + (*p - u'0');
        if (magnitude > kMaxMagnitude)
            throw ConversionError(text);
    }
    if (negative)
        return qint32(-magnitude);
    if (magnitude > std::numeric_limits<qint32>::max())
        throw ConversionError(text);
    return qint32(magnitude);
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
