// Feeds the integer conversion any text and holds it against a second, plainly
// written reading of the same rules: leading blanks, then an optional sign and
// decimal digits or "$" and hex digits, and nothing after, within 32 bits.
#include "model/applet_settings.h"
#include "model/errors.h"

#include <QRegularExpression>
#include <QString>

#include <cstdint>
#include <cstdlib>
#include <optional>

using namespace brivane;

namespace {

std::optional<qint64> expectedValue(const QString& text) {
    static const QRegularExpression form(
        QStringLiteral("\\A *(?:([+-]?)([0-9]+)|\\$([0-9A-Fa-f]+))\\z"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const bool hex = match.hasCaptured(3);
    QString digits = match.captured(hex ? 3 : 2);
    while (digits.size() > 1 && digits.front() == u'0')
        digits.remove(0, 1);
    // More digits than any 32-bit value has: out of range, whatever they are.
    if (digits.size() > (hex ? 8 : 10))
        return std::nullopt;
    qint64 value = digits.toLongLong(nullptr, hex ? 16 : 10);
    if (match.captured(1) == QLatin1String("-"))
        value = -value;
    if (value < INT32_MIN || value > INT32_MAX)
        return std::nullopt;
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::optional<qint64> expected = expectedValue(text);
    try {
        const qint32 value = StrToInt(text);
        if (!expected || *expected != value)
            std::abort(); // took text the rules refuse, or read it wrongly
    } catch (const ConversionError& error) {
        if (expected || error.text() != text)
            std::abort(); // refused a number, or lost the text the message shows
    }
    return 0;
}
