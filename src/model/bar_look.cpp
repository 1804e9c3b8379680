#include "model/bar_look.h"

#include "model/errors.h"

#include <QUrl>

#include <algorithm>
#include <cmath>

namespace brivane {

namespace {

// Rounds towards minus infinity, so content wider than its room overflows both
// sides alike whatever the sign of the difference.
qint64 floorHalf(qint64 value) {
    return value >= 0 ? value / 2 : -((-value + 1) / 2);
}

LookColour colourOfHex(const QString& hex, int fallbackValue) {
    // Before the first derivation the hex form may be empty: the swatch's value
    // (red + 256 green + 65536 blue) is the colour then.
    const qint32 value = colourValueOfHex(hex).value_or(fallbackValue);
    return {value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF};
}

LookColour shifted(LookColour c, int change) {
    auto clamp = [](int v) { return std::clamp(v, 0, 255); };
    return {clamp(c.red + change), clamp(c.green + change), clamp(c.blue + change)};
}

double channelLuminance(int channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

} // namespace

QString LookColour::css() const {
    return u'#' + hexForm(red, green, blue);
}

double LookColour::luminance() const {
    return 0.2126 * channelLuminance(red) + 0.7152 * channelLuminance(green) +
           0.0722 * channelLuminance(blue);
}

double contrastRatio(LookColour a, LookColour b) {
    const double la = a.luminance();
    const double lb = b.luminance();
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

qint64 BarLook::barWidth() const {
    return vertical ? buttonWidth : qint64(buttonCount) * buttonWidth;
}

qint64 BarLook::barHeight() const {
    return vertical ? qint64(buttonCount) * buttonHeight : buttonHeight;
}

void BarLook::buttonsIn(qint64 left, qint64 top, qint64 width, qint64 height, int& first,
                        int& last) const {
    first = 0;
    last = -1;
    if (buttonCount <= 0 || buttonWidth <= 0 || buttonHeight <= 0 || width <= 0 || height <= 0)
        return;
    const qint64 from = vertical ? top : left;
    const qint64 length = vertical ? height : width;
    const qint64 step = vertical ? buttonHeight : buttonWidth;
    const qint64 across = vertical ? left : top;
    const qint64 acrossLength = vertical ? width : height;
    const qint64 acrossSize = vertical ? buttonWidth : buttonHeight;
    if (across + acrossLength <= 0 || across >= acrossSize)
        return;
    const qint64 lo = std::max<qint64>(0, from / step);
    const qint64 hi = std::min<qint64>(buttonCount - 1, (from + length - 1) / step);
    if (from + length <= 0 || lo > hi)
        return;
    first = int(lo);
    last = int(hi);
}

RingColours BarLook::ring(int k, bool down) const {
    const int change = degree * std::max(0, border - k + 1);
    const LookColour light = shifted(face, change);
    const LookColour dark = shifted(face, -change);
    return down ? RingColours{dark, light} : RingColours{light, dark};
}

LookColour BarLook::pixel(int x, int y, bool down) const {
    // The ring a pixel lies on is its distance to the nearest edge, plus one.
    const int fromLeft = x;
    const int fromTop = y;
    const int fromRight = buttonWidth - 1 - x;
    const int fromBottom = buttonHeight - 1 - y;
    const int k = std::min({fromLeft, fromTop, fromRight, fromBottom}) + 1;
    if (k > rings)
        return face;
    const RingColours colours = ring(k, down);
    // Top row and left column of the ring win their corners (see the header).
    if (fromTop == k - 1 || fromLeft == k - 1)
        return colours.topLeft;
    return colours.bottomRight;
}

QRect BarLook::faceRect() const {
    return QRect(rings, rings, std::max(0, buttonWidth - 2 * rings),
                 std::max(0, buttonHeight - 2 * rings));
}

QRect BarLook::contentRoom() const {
    const QRect face = faceRect();
    return QRect(face.left() + offset, face.top(), face.width() - 2 * offset, face.height());
}

ContentPlacement BarLook::place(QSize imageSize, QSize textSize) const {
    const bool hasImage = !imageSize.isEmpty();
    const bool hasText = !textSize.isEmpty();
    const QRect face = faceRect();
    const QRect room = contentRoom();
    const qint64 blockWidth = (hasImage ? imageSize.width() : 0) +
                              (hasImage && hasText ? offset : 0) + (hasText ? textSize.width() : 0);
    qint64 x = room.left();
    if (align == ContentAlign::Right)
        x = qint64(room.left()) + room.width() - blockWidth;
    else if (align == ContentAlign::Centre)
        x = room.left() + floorHalf(qint64(room.width()) - blockWidth);

    auto centredTop = [&](int height) {
        return int(face.top() + floorHalf(qint64(face.height()) - height));
    };
    ContentPlacement placement;
    if (hasImage) {
        placement.image = QRect(QPoint(int(x), centredTop(imageSize.height())), imageSize);
        x += imageSize.width() + (hasText ? offset : 0);
    }
    if (hasText)
        placement.text = QRect(QPoint(int(x), centredTop(textSize.height())), textSize);
    return placement;
}

BarLook lookOf(const AppletSettings& settings) {
    BarLook look;
    look.buttonWidth = StrToInt(settings.width);
    look.buttonHeight = StrToInt(settings.height);
    look.buttonCount = std::clamp(StrToInt(settings.buttons), 0, kMaxButtons);
    look.buttonWidth = std::max(0, look.buttonWidth);
    look.buttonHeight = std::max(0, look.buttonHeight);
    look.border = std::max(0, StrToInt(settings.border));
    look.degree = std::clamp(StrToInt(settings.degree), 0, 255);
    look.offset = std::max(0, StrToInt(settings.fOffset));
    look.vertical = settings.DirectionCode != QLatin1String("1");
    look.rings = std::min(look.border, (std::min(look.buttonWidth, look.buttonHeight) + 1) / 2);

    look.face = colourOfHex(settings.buttonColour.hex, settings.buttonColour.value);
    look.fontColour = colourOfHex(settings.fontColour.hex, settings.fontColour.value);
    look.clickColour = colourOfHex(settings.clickColour.hex, settings.clickColour.value);
    look.downOnHover = settings.StyleCode == QLatin1String("1");

    if (settings.PositionCode == QLatin1String("1"))
        look.align = ContentAlign::Left;
    else if (settings.PositionCode == QLatin1String("2"))
        look.align = ContentAlign::Right;

    LookFont& font = look.font;
    if (settings.font == QLatin1String("Helvetica"))
        font = {FontKind::SansSerif, QStringLiteral("Liberation Sans"),
                QStringLiteral("sans-serif")};
    else if (settings.font == QLatin1String("Courier"))
        font = {FontKind::Monospace, QStringLiteral("Liberation Mono"),
                QStringLiteral("monospace")};
    else
        font = {FontKind::Serif, QStringLiteral("Liberation Serif"), QStringLiteral("serif")};
    // No size selected: the list's start-up size.
    font.pixelSize = settings.fontSize.isEmpty() ? 14 : std::max(1, StrToInt(settings.fontSize));
    font.bold = settings.FontStyleCode == QLatin1String("1");
    font.italic = settings.FontStyleCode == QLatin1String("2");
    return look;
}

ImageSource imageSourceOf(const QString& entry, const QString& workingDirectory) {
    ImageSource source;
    if (entry.isEmpty())
        return source;
    const QUrl url(entry);
    // A scheme of two letters or more: "C:" is a drive, not a scheme.
    if (url.isValid() && url.scheme().size() > 1 && url.scheme() != QLatin1String("file")) {
        source.kind = ImageSource::Web;
        return source;
    }
    source.kind = ImageSource::Local;
    const QString path = url.scheme() == QLatin1String("file") ? url.toLocalFile() : entry;
    source.path = path.startsWith(u'/') ? path : workingDirectory + path;
    return source;
}

} // namespace brivane
