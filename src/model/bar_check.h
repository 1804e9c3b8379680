#pragma once

#include "model/applet_settings.h"
#include "model/bar_look.h"

#include <QSize>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace brivane {

// What the check cannot know by itself: how wide a label comes out in the
// bar's font, and whether (and at what size) a local image can be read. The
// window passes in its own measuring; tests pass in fixed answers.
struct BarMeasures {
    std::function<int(const QString& label)> labelWidth;
    // std::nullopt: the file cannot be read as an image.
    std::function<std::optional<QSize>(const QString& path)> localImageSize;
};

// One finding of the check, about one button (1-based).
struct BarFinding {
    enum Kind {
        LowContrast,      // the font colour on the face
        LowClickContrast, // the click colour on the face, down state
        Empty,            // neither label nor image
        ImageWithoutLabel,
        NoLink,
        UnreadableImage,
        LabelCutOff,
        ScriptLink,
        SmallTarget, // smaller than a fingertip needs (24 x 24 px)
    };
    int button = 0;
    Kind kind = Empty;
    QString text; // the sentence shown to the user
};

// The contrast a label needs: 4.5 : 1, or 3 : 1 for large text (24 px and
// more, or bold from 19 px).
double requiredContrast(const LookFont& font);

// A ratio as the check shows it: rounded down to one decimal, so a ratio just
// below a threshold never shows as the threshold itself (4.46 -> "4.4").
QString ratioText(double ratio);

// The least width and height of a button a touch screen user can hit with
// ease: WCAG 2.2's minimum target size, in CSS pixels.
constexpr int kMinimumTargetSize = 24;

// True for a link that runs a script when clicked: "javascript:" in any case,
// after leading blanks.
bool isScriptLink(const QString& link);

// The findings for buttons 1..look.buttonCount, in button order and, within a
// button, in the order of BarFinding::Kind.
std::vector<BarFinding> checkBar(const BarLook& look, const ButtonTable& table,
                                 const QString& workingDirectory, const BarMeasures& measures);
// The same for buttons first..last only, appended to `findings`: a long bar can
// be checked a part at a time between other work.
void checkButtons(const BarLook& look, const ButtonTable& table, const QString& workingDirectory,
                  const BarMeasures& measures, int first, int last,
                  std::vector<BarFinding>& findings);

} // namespace brivane
