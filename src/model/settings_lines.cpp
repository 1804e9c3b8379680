#include "model/settings_lines.h"

#include "model/errors.h"
#include "model/font_fallback.h"

namespace brivane {

namespace {

using S = AppletSettings;

constexpr SettingsLineDef textLine(SettingsLine line, QString S::*field,
                                   std::string_view param = {}) {
    SettingsLineDef def{line, LineKind::Text, param};
    def.text = field;
    return def;
}

constexpr SettingsLineDef numberLine(SettingsLine line, QString S::*field, NumberRange range,
                                     std::string_view param = {}) {
    SettingsLineDef def = textLine(line, field, param);
    def.kind = LineKind::Number;
    def.range = range;
    return def;
}

constexpr SettingsLineDef colourLine(SettingsLine line, AppletColour S::*colour,
                                     std::string_view param) {
    SettingsLineDef def{line, LineKind::Colour, param};
    def.colour = colour;
    return def;
}

constexpr SettingsLineDef choiceLine(SettingsLine line, QString S::*code, std::string_view param,
                                     std::array<bool S::*, 3> options, int choices) {
    SettingsLineDef def{line, LineKind::Choice, param};
    def.text = code;
    def.options = options;
    def.choices = choices;
    def.otherCodesSelectLast = choices == 2;
    return def;
}

constexpr SettingsLineDef itemLine(SettingsLine line, int S::*index, QString S::*item,
                                   const QStringList& (*items)(),
                                   std::optional<int> (*closestItem)(QStringView),
                                   std::string_view param) {
    SettingsLineDef def{line, LineKind::Item, param};
    def.index = index;
    def.item = item;
    def.items = items;
    def.closestItem = closestItem;
    return def;
}

std::optional<int> closestFont(QStringView font) {
    return closestFontIndex(font);
}

// Width, height and buttons start at 1, border and spacing at 0; the degree is a
// byte. Every field stops at 32767.
constexpr NumberRange kSizeRange{1, 32767};
constexpr NumberRange kDistanceRange{0, 32767};
constexpr NumberRange kDegreeRange{0, 255};

} // namespace

const std::array<SettingsLineDef, 17> kSettingsLines = {
    SettingsLineDef{SettingsLine::Header, LineKind::Header, {}},
    numberLine(SettingsLine::Width, &S::width, kSizeRange),
    numberLine(SettingsLine::Height, &S::height, kSizeRange),
    numberLine(SettingsLine::Buttons, &S::buttons, kSizeRange, "buttons"),
    colourLine(SettingsLine::ButtonColour, &S::buttonColour, "color"),
    choiceLine(SettingsLine::Direction, &S::DirectionCode, "direction", {&S::vertical}, 2),
    numberLine(SettingsLine::Border, &S::border, kDistanceRange, "border width"),
    numberLine(SettingsLine::Degree, &S::degree, kDegreeRange, "degree"),
    choiceLine(SettingsLine::Style, &S::StyleCode, "style", {&S::style0}, 2),
    itemLine(SettingsLine::FontSizeIndex, &S::fontSizeIndex, &S::fontSize, fontSizeItems,
             closestFontSizeIndex, "f_size"),
    choiceLine(SettingsLine::FontStyle, &S::FontStyleCode, "f_style",
               {&S::plain, &S::bold, &S::italic}, 3),
    colourLine(SettingsLine::FontColour, &S::fontColour, "f_color"),
    colourLine(SettingsLine::ClickColour, &S::clickColour, "f_color2"),
    choiceLine(SettingsLine::Position, &S::PositionCode, "position",
               {&S::center, &S::left, &S::right}, 3),
    numberLine(SettingsLine::Spacing, &S::fOffset, kDistanceRange, "f_offset"),
    itemLine(SettingsLine::FontIndex, &S::fontIndex, &S::font, fontItems, closestFont, "font"),
    textLine(SettingsLine::Title, &S::title),
};

const SettingsLineDef& settingsLineDef(SettingsLine line) {
    return kSettingsLines[size_t(line)];
}

QString settingsLineText(const AppletSettings& s, SettingsLine line) {
    const SettingsLineDef& def = settingsLineDef(line);
    switch (def.kind) {
    case LineKind::Header:
        return kSettingsFileHeader;
    case LineKind::Text:
    case LineKind::Number:
    case LineKind::Choice:
        return s.*def.text;
    case LineKind::Colour:
        return QString::number((s.*def.colour).value);
    case LineKind::Item:
        return QString::number(s.*def.index);
    }
    return QString();
}

std::optional<int> choiceOfCode(const SettingsLineDef& line, QStringView code) {
    if (code.size() == 1 && code.at(0) >= u'0' && code.at(0).unicode() < u'0' + line.choices)
        return code.at(0).unicode() - u'0';
    return std::nullopt;
}

void readSettingsLine(SettingsLine line, const QString& text, SettingsLineSink& sink) {
    const SettingsLineDef& def = settingsLineDef(line);
    switch (def.kind) {
    case LineKind::Header:
        break;
    case LineKind::Text:
    case LineKind::Number:
        sink.setText(def, text);
        break;
    case LineKind::Colour:
        sink.setColour(def, AppletColour::fromSettingsValue(StrToInt(text)));
        break;
    case LineKind::Choice:
        // Only the bare digit is a code: " 0" is another text, as it always was.
        if (const std::optional<int> choice = choiceOfCode(def, text))
            sink.selectChoice(def, *choice);
        else if (def.otherCodesSelectLast)
            sink.selectChoice(def, def.choices - 1);
        break;
    case LineKind::Item:
        sink.selectItem(def, StrToInt(text));
        break;
    }
}

namespace {

class RecordSink final : public SettingsLineSink {
public:
    explicit RecordSink(AppletSettings& s) : s_(s) {}

    void setText(const SettingsLineDef& line, const QString& text) override {
        s_.*line.text = text;
    }
    void setColour(const SettingsLineDef& line, const AppletColour& colour) override {
        s_.*line.colour = colour;
    }
    void selectChoice(const SettingsLineDef& line, int choice) override {
        for (int i = 0; i < line.choices; ++i) {
            if (bool S::*option = line.options[size_t(i)])
                s_.*option = i == choice;
        }
    }
    void selectItem(const SettingsLineDef& line, int index) override {
        const QStringList& items = line.items();
        s_.*line.item = index >= 0 && index < items.size() ? items.at(index) : QString();
        s_.*line.index = (s_.*line.item).isEmpty() ? -1 : index;
    }

private:
    AppletSettings& s_;
};

} // namespace

void applySettingsLine(AppletSettings& settings, SettingsLine line, const QString& text) {
    RecordSink sink(settings);
    readSettingsLine(line, text, sink);
}

} // namespace brivane
