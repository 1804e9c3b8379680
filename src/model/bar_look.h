#pragma once

#include "model/applet_settings.h"

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <vector>

namespace brivane {

// How the bar looks: the one reading of the applet's params that both the
// Preview and the web page draw from, so the two cannot drift apart. Nothing
// else computes a button's geometry or colours.
//
// Bar: N buttons of width x height, a column for direction "0", a row for "1".
// Face: the button colour. Border: `border` rings of one pixel, ring 1 the
// outermost. In the up state the top and left sides of ring k are the face made
// lighter by degree x (border - k + 1) on each channel (capped at 255), the
// bottom and right sides darker by the same amount (floored at 0); the down
// state swaps light and dark and moves the content one pixel right and down.
//
// Corners: where a top/left side meets a bottom/right side (the top-right and
// bottom-left corner pixel of every ring) the top/left side wins, in both
// states. So the top row and the left column of a ring run its full length;
// the bottom row and the right column stop one pixel short of them.

struct LookColour {
    int red = 0;
    int green = 0;
    int blue = 0;

    // "#RRGGBB", upper case.
    QString css() const;
    // WCAG 2.2 relative luminance, 0 (black) to 1 (white).
    double luminance() const;
    friend bool operator==(LookColour a, LookColour b) {
        return a.red == b.red && a.green == b.green && a.blue == b.blue;
    }
    friend bool operator!=(LookColour a, LookColour b) { return !(a == b); }
};

// WCAG contrast ratio of two colours, 1 to 21.
double contrastRatio(LookColour a, LookColour b);

// The three generic families the applet's font list names.
enum class FontKind { Serif, SansSerif, Monospace };

struct LookFont {
    FontKind kind = FontKind::Serif;
    QString family;        // the Liberation family: "Liberation Serif", ...
    QString genericFamily; // CSS generic family: "serif", "sans-serif", "monospace"
    int pixelSize = 14;    // the em size in pixels
    bool bold = false;
    bool italic = false;
};

// Where the content block sits on the face, from the position code.
enum class ContentAlign { Centre, Left, Right };

// One border ring's colours in one state.
struct RingColours {
    LookColour topLeft;
    LookColour bottomRight;
};

// A button's content as placed on its face, up state (add downShift() when down).
struct ContentPlacement {
    QRect image; // empty when the button shows no image
    QRect text;  // empty when the button shows no label
};

class BarLook {
public:
    int buttonCount = 0;
    bool vertical = true;
    int buttonWidth = 0;
    int buttonHeight = 0;
    // The rings actually drawn: `border`, but never more than fit into half the
    // button's smaller side (what lies beyond would have no face left to ring).
    int rings = 0;
    int border = 0; // the border param, clamped at 0: the rings' colour steps count from it
    int degree = 0; // the colour change per ring step, clamped to 0..255
    int offset = 0; // f_offset, clamped at 0
    LookColour face;
    LookColour fontColour;
    LookColour clickColour;
    LookFont font;
    ContentAlign align = ContentAlign::Centre;
    // Motion style "1": a button is down while the pointer is over it; "0":
    // while the mouse button is held on it.
    bool downOnHover = false;

    // The bar's size in pixels: AppletWidth x AppletHeight (64-bit: 32767 buttons
    // of 32767 pixels do not fit an int).
    qint64 barWidth() const;
    qint64 barHeight() const;
    // Top-left corner of button i (0-based) in the bar.
    qint64 buttonLeft(int i) const { return vertical ? 0 : qint64(i) * buttonWidth; }
    qint64 buttonTop(int i) const { return vertical ? qint64(i) * buttonHeight : 0; }
    // The buttons a rectangle of the bar touches: [first, last], empty when last < first.
    void buttonsIn(qint64 left, qint64 top, qint64 width, qint64 height, int& first,
                   int& last) const;

    // Ring k (1 = outermost) in the up or down state.
    RingColours ring(int k, bool down) const;
    // The colour of the button pixel (x, y), relative to the button's corner.
    LookColour pixel(int x, int y, bool down) const;
    // The face inside the rings, relative to the button's corner.
    QRect faceRect() const;
    // The room left for content: the face less `offset` on each side.
    QRect contentRoom() const;
    // Places an image of imageSize and a text of textSize (either may be empty:
    // then it is left out, with its gap) on the face, up state. Both are centred
    // vertically on their own; the block of both is aligned per `align`.
    ContentPlacement place(QSize imageSize, QSize textSize) const;
    static QPoint downShift() { return QPoint(1, 1); }
};

// The look of settings whose derived values are up to date (DeriveAppletValues
// has run). Throws ConversionError when a number it needs is not a number:
// width, height, buttons, border, degree, f_offset and the font size.
BarLook lookOf(const AppletSettings& settings);

// The size of the placeholder drawn for an image that cannot be shown.
constexpr int kImagePlaceholderSize = 16;

// Where a button's image entry points: empty (no image), a web address (not
// fetched, drawn as the placeholder) or a local file, found in the working
// folder when relative.
struct ImageSource {
    enum Kind { None, Web, Local } kind = None;
    QString path; // the local file's path
};
ImageSource imageSourceOf(const QString& entry, const QString& workingDirectory);

} // namespace brivane
