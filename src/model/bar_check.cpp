#include "model/bar_check.h"

#include <QHash>

#include <cmath>

namespace brivane {

double requiredContrast(const LookFont& font) {
    const bool large = font.pixelSize >= 24 || (font.bold && font.pixelSize >= 19);
    return large ? 3.0 : 4.5;
}

QString ratioText(double ratio) {
    // The small allowance keeps 21.0, computed as 20.999..., from showing as 20.9.
    const double tenths = std::floor(ratio * 10.0 + 1e-9);
    return QString::number(tenths / 10.0, 'f', 1);
}

bool isScriptLink(const QString& link) {
    int start = 0;
    while (start < link.size() && link.at(start) == u' ')
        ++start;
    return QStringView(link).mid(start).startsWith(QLatin1String("javascript:"),
                                                   Qt::CaseInsensitive);
}

namespace {

bool isBlank(const QString& text) {
    for (const QChar c : text)
        if (!c.isSpace())
            return false;
    return true;
}

QString contrastSentence(int button, bool down, double ratio, double required) {
    return QStringLiteral("Button %1: the label's contrast on the face %2 is %3 : 1, below %4 : 1.")
        .arg(QString::number(button),
             down ? QStringLiteral("while pressed (click colour)")
                  : QStringLiteral("(font colour)"),
             ratioText(ratio), ratioText(required));
}

} // namespace

std::vector<BarFinding> checkBar(const BarLook& look, const ButtonTable& table,
                                 const QString& workingDirectory, const BarMeasures& measures) {
    std::vector<BarFinding> findings;
    checkButtons(look, table, workingDirectory, measures, 1, look.buttonCount, findings);
    return findings;
}

void checkButtons(const BarLook& look, const ButtonTable& table, const QString& workingDirectory,
                  const BarMeasures& measures, int first, int last,
                  std::vector<BarFinding>& findings) {
    // The colours and the font are the same for every button: judge them once.
    const double required = requiredContrast(look.font);
    const double upRatio = contrastRatio(look.fontColour, look.face);
    const double downRatio = contrastRatio(look.clickColour, look.face);
    const int room = look.contentRoom().width();
    const bool smallTarget =
        look.buttonWidth < kMinimumTargetSize || look.buttonHeight < kMinimumTargetSize;
    // Many buttons share one picture; each file is read once per check.
    QHash<QString, std::optional<QSize>> images;

    auto add = [&](int k, BarFinding::Kind kind, QString text) {
        findings.push_back({k, kind, std::move(text)});
    };
    first = std::max(first, 1);
    last = std::min(last, look.buttonCount);
    for (int k = first; k <= last; ++k) {
        const QString& label = table.entry(ButtonField::Label, k);
        const QString& imageEntry = table.entry(ButtonField::Image, k);
        const QString& link = table.entry(ButtonField::Link, k);
        const bool hasLabel = !label.isEmpty();
        const bool hasImage = !imageEntry.isEmpty();

        if (hasLabel && upRatio < required)
            add(k, BarFinding::LowContrast, contrastSentence(k, false, upRatio, required));
        if (hasLabel && downRatio < required)
            add(k, BarFinding::LowClickContrast, contrastSentence(k, true, downRatio, required));
        if (!hasLabel && !hasImage)
            add(k, BarFinding::Empty,
                QStringLiteral("Button %1 has neither a label nor an image.").arg(k));
        if (hasImage && !hasLabel)
            add(k, BarFinding::ImageWithoutLabel,
                QStringLiteral("Button %1 has an image but no label: a screen reader has "
                               "nothing to say for it.")
                    .arg(k));
        if (isBlank(link))
            add(k, BarFinding::NoLink, QStringLiteral("Button %1 has no link.").arg(k));

        // The width the image takes on the face: its own, or the placeholder's.
        int imageWidth = 0;
        if (hasImage) {
            imageWidth = kImagePlaceholderSize;
            const ImageSource source = imageSourceOf(imageEntry, workingDirectory);
            if (source.kind == ImageSource::Local) {
                auto found = images.find(source.path);
                if (found == images.end())
                    found = images.insert(source.path, measures.localImageSize(source.path));
                if (found.value())
                    imageWidth = found.value()->width();
                else
                    add(k, BarFinding::UnreadableImage,
                        QStringLiteral("Button %1: the image \"%2\" cannot be read.")
                            .arg(k)
                            .arg(imageEntry));
            }
        }
        if (hasLabel) {
            const int labelRoom = room - (hasImage ? imageWidth + look.offset : 0);
            const int width = measures.labelWidth(label);
            if (width > labelRoom)
                add(k, BarFinding::LabelCutOff,
                    QStringLiteral("Button %1: the label is %2 px wide but has room for %3 px: "
                                   "it will be cut off.")
                        .arg(k)
                        .arg(width)
                        .arg(std::max(0, labelRoom)));
        }
        if (isScriptLink(link))
            add(k, BarFinding::ScriptLink,
                QStringLiteral("Button %1: the link starts with \"javascript:\", so clicking it "
                               "runs code.")
                    .arg(k));
        if (smallTarget)
            add(k, BarFinding::SmallTarget,
                QStringLiteral(
                    "Button %1 is %2 \u00D7 %3 px: smaller than %4 \u00D7 %4 px, hard to "
                    "hit on a touch screen.")
                    .arg(k)
                    .arg(look.buttonWidth)
                    .arg(look.buttonHeight)
                    .arg(kMinimumTargetSize));
    }
}

} // namespace brivane
