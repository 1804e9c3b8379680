#include "model/applet_import.h"

#include "model/errors.h"
#include "model/font_fallback.h"

#include <algorithm>
#include <array>
#include <map>
#include <string_view>
#include <vector>

namespace brivane {

using namespace std::string_view_literals;

namespace {

// --- Applying ------------------------------------------------------------------

// The params of the page generator's table that are not per button, in its order.
enum FixedParam {
    Buttons,
    Color,
    Direction,
    BorderWidth,
    Degree,
    Style,
    FSize,
    FStyle,
    FColor,
    FColor2,
    Position,
    FOffset,
    Font,
    kFixedParams
};

constexpr std::array<std::string_view, kFixedParams> kFixedNames = {
    "buttons"sv, "color"sv,   "direction"sv, "border width"sv, "degree"sv,   "style"sv, "f_size"sv,
    "f_style"sv, "f_color"sv, "f_color2"sv,  "position"sv,     "f_offset"sv, "font"sv};

// The per-button params in the page's group order: "label k", "link k", ...
struct ButtonParam {
    std::string_view prefix;
    ButtonField field;
};
constexpr std::array<ButtonParam, 4> kButtonParams = {{{"label "sv, ButtonField::Label},
                                                       {"link "sv, ButtonField::Link},
                                                       {"image "sv, ButtonField::Image},
                                                       {"frame "sv, ButtonField::Frame}}};

QLatin1String latin1(std::string_view text) {
    return QLatin1String(text.data(), qsizetype(text.size()));
}

// The page's params sorted out: the last of a name wins. Names are matched in
// any case, as the applet asks for its params.
struct PageParams {
    std::array<std::optional<QString>, kFixedParams> fixed;
    // By the number in the name (k, button k + 1), fields in ButtonField order.
    std::map<int, std::array<std::optional<QString>, 4>> buttons;
    // Bit f of given[k]: button k has a param of field f (what a page lacks is
    // looked up for every button and field).
    std::vector<unsigned char> given;
    QStringList badNumbers; // problems with per-button params' numbers
};

PageParams sortParams(const QList<std::pair<QString, QString>>& params) {
    PageParams sorted;
    // Pages give each field's params by rising number, so a param's button is
    // most often the one after the button of the param before; where it is not,
    // the hint costs one search, as without it.
    auto last = sorted.buttons.end();
    const auto button = [&](int k) {
        auto& buttons = sorted.buttons;
        auto at = last == buttons.end() ? last : std::next(last);
        if (at == buttons.end() || at->first != k)
            at = buttons.emplace_hint(at, k, std::array<std::optional<QString>, 4>{});
        return last = at;
    };
    for (const auto& [name, value] : params) {
        bool known = false;
        for (int i = 0; i < kFixedParams && !known; ++i) {
            // The length first: a largest bar has 131 thousand params to sort.
            const std::string_view fixed = kFixedNames[size_t(i)];
            if (name.size() == qsizetype(fixed.size()) &&
                name.compare(latin1(fixed), Qt::CaseInsensitive) == 0) {
                sorted.fixed[size_t(i)] = value;
                known = true;
            }
        }
        for (const ButtonParam& param : kButtonParams) {
            if (known || !name.startsWith(latin1(param.prefix), Qt::CaseInsensitive))
                continue;
            known = true;
            const QStringView number = QStringView(name).mid(qsizetype(param.prefix.size()));
            qint64 k = 0;
            bool digits = !number.isEmpty();
            for (QChar c : number) {
                if (c < u'0' || c > u'9') {
                    digits = false;
                    break;
                }
                k = std::min<qint64>(k * 10 + (c.unicode() - u'0'), kMaxButtons);
            }
            if (!digits) {
                sorted.badNumbers
                    << QStringLiteral("%1: \"%2\" is not a number").arg(name, number.toString());
            } else if (k >= kMaxButtons) {
                sorted.badNumbers << QStringLiteral("%1: the highest button number is %2")
                                         .arg(name, QString::number(kMaxButtons - 1));
            } else {
                button(int(k))->second[size_t(param.field)] = value;
                if (sorted.given.size() <= size_t(k))
                    sorted.given.resize(size_t(k) + 1);
                sorted.given[size_t(k)] |= 1u << unsigned(param.field);
            }
        }
    }
    return sorted;
}

QString quoted(const QString& text) {
    return u'"' + text + u'"';
}

// A colour as six hex digits, RRGGBB in either case, with or without a '#':
// its value in the settings file's form (red + 256 * green + 65536 * blue).
std::optional<qint32> colourValue(const QString& text) {
    QStringView digits = QStringView(text).trimmed();
    if (digits.startsWith(u'#'))
        digits = digits.mid(1);
    if (digits.size() != 6)
        return std::nullopt;
    int bytes[3];
    for (int i = 0; i < 3; ++i) {
        const int high = digitValue(digits[2 * i].unicode(), 16);
        const int low = digitValue(digits[2 * i + 1].unicode(), 16);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes[i] = high * 16 + low;
    }
    return bytes[0] + 256 * bytes[1] + 65536 * bytes[2];
}

// The item that the text names, ignoring case and surrounding blanks; -1: none.
int itemIndex(const QStringList& items, const QString& text) {
    const QString wanted = text.trimmed();
    for (int i = 0; i < items.size(); ++i) {
        if (items.at(i).trimmed().compare(wanted, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString itemList(const QStringList& items) {
    QStringList trimmed;
    for (const QString& item : items)
        trimmed << item.trimmed();
    return trimmed.join(QLatin1String(", "));
}

// An option code among "0" .. last, surrounding blanks ignored.
std::optional<QString> optionCode(const QString& text, char last) {
    const QString code = text.trimmed();
    if (code.size() == 1 && code.at(0) >= u'0' && code.at(0) <= QLatin1Char(last))
        return code;
    return std::nullopt;
}

// Whether a browser would run the address as script, or show it as a document
// made of the address itself: its scheme is javascript:, vbscript: or data: in
// any case, read as a browser reads it (past leading blanks and control
// characters, with tabs and line breaks anywhere dropped).
bool isScriptLink(const QString& link) {
    constexpr size_t kLongest = 10; // "javascript"
    char letters[kLongest];
    size_t length = 0;
    bool leading = true;
    for (const QChar c : link) {
        if (leading && c.unicode() <= 0x20)
            continue;
        leading = false;
        if (c == u'\t' || c == u'\n' || c == u'\r')
            continue;
        if (c == u':') {
            const std::string_view scheme(letters, length);
            return scheme == "javascript"sv || scheme == "vbscript"sv || scheme == "data"sv;
        }
        const bool alpha = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
        const bool other = (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.';
        if (!(alpha || (other && length > 0)) || length == kLongest)
            return false; // no scheme, or longer than any of the three
        letters[length++] = char(c.toLower().unicode());
    }
    return false; // no scheme: an address within the site
}

// A value in a report: its first 40 characters, with control characters shown
// as blanks so that each problem stays one line.
QString shortened(const QString& value) {
    constexpr qsizetype kShown = 40;
    QString shown = value.left(kShown);
    for (QChar& c : shown) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = u' ';
    }
    return value.size() > kShown ? shown + QChar(0x2026) : shown;
}

class ImportApplier {
public:
    ImportApplier(const ImportedApplet& applet, ImportTarget& target)
        : applet_(applet), target_(target), params_(sortParams(applet.params)) {
        if (const auto& buttons = params_.fixed[Buttons]) {
            try {
                buttonCount_ = StrToInt(*buttons);
            } catch (const ConversionError&) {
            }
        }
        if (const auto& direction = params_.fixed[Direction]) {
            if (const auto code = optionCode(*direction, '1'))
                vertical_ = *code == QLatin1String("0");
        }
    }

    ImportProblems apply() {
        for (SettingsLine line : kSettingsFileLines)
            applyLine(line);
        applyAlignment();
        problems_ << params_.badNumbers;
        for (const auto& [k, fields] : params_.buttons) {
            for (ButtonField field : kSettingsButtonFields) {
                const auto& value = fields[size_t(field)];
                if (!value)
                    continue;
                if (field == ButtonField::Link && isScriptLink(*value))
                    problems_.add(ImportProblem::Kind::DroppedLink,
                                  QStringLiteral("link %1: script link dropped: %2")
                                      .arg(QString::number(k), shortened(*value)));
                else
                    target_.setButtonEntry(field, k + 1, *value);
            }
        }
        listMissing();
        if (applet_.otherApplets > 0) {
            problems_.add(
                ImportProblem::Kind::OtherApplets,
                applet_.otherApplets == 1
                    ? QStringLiteral("1 other button.class applet in the page was not read")
                    : QStringLiteral("%1 other button.class applets in the page were "
                                     "not read")
                          .arg(applet_.otherApplets));
        }
        return problems_.list;
    }

private:
    void applyLine(SettingsLine line) {
        switch (line) {
        case SettingsLine::Header:
            break;
        case SettingsLine::Width:
            if (!vertical_) {
                sizeWithoutDirection();
                break;
            }
            applySize(line, applet_.width, !*vertical_);
            break;
        case SettingsLine::Height:
            if (vertical_)
                applySize(line, applet_.height, *vertical_);
            break;
        case SettingsLine::Buttons:
            applyText(line, Buttons);
            break;
        case SettingsLine::ButtonColour:
            applyColour(line, Color);
            break;
        case SettingsLine::Direction:
            applyCode(line, Direction, '1');
            break;
        case SettingsLine::Border:
            applyText(line, BorderWidth);
            break;
        case SettingsLine::Degree:
            applyText(line, Degree);
            break;
        case SettingsLine::Style:
            applyCode(line, Style, '1');
            break;
        case SettingsLine::FontSizeIndex:
            applyItem(line, FSize, fontSizeItems(), closestFontSizeIndex);
            break;
        case SettingsLine::FontStyle:
            applyCode(line, FStyle, '2');
            break;
        case SettingsLine::FontColour:
            applyColour(line, FColor);
            break;
        case SettingsLine::ClickColour:
            applyColour(line, FColor2);
            break;
        case SettingsLine::Position:
            applyCode(line, Position, '2');
            break;
        case SettingsLine::Spacing:
            applyText(line, FOffset);
            break;
        case SettingsLine::FontIndex:
            applyItem(line, Font, fontItems(),
                      [](QStringView font) { return std::optional<int>(closestFontIndex(font)); });
            break;
        case SettingsLine::Title:
            if (applet_.title)
                target_.applyLine(line, *applet_.title);
            break;
        }
    }

    static QString name(FixedParam param) { return QString(latin1(kFixedNames[size_t(param)])); }

    void applyText(SettingsLine line, FixedParam param) {
        if (const auto& value = params_.fixed[size_t(param)])
            target_.applyLine(line, *value);
    }

    void applyColour(SettingsLine line, FixedParam param) {
        const auto& value = params_.fixed[size_t(param)];
        if (!value)
            return;
        if (const auto colour = colourValue(*value))
            target_.applyLine(line, QString::number(*colour));
        else
            problems_ << name(param) + QStringLiteral(": ") + quoted(*value) +
                             QStringLiteral(" is not six hexadecimal digits");
    }

    void applyCode(SettingsLine line, FixedParam param, char last) {
        const auto& value = params_.fixed[size_t(param)];
        if (!value)
            return;
        if (const auto code = optionCode(*value, last))
            target_.applyLine(line, *code);
        else
            problems_ << name(param) + QStringLiteral(": ") + quoted(*value) +
                             (last == '1' ? QStringLiteral(" is not 0 or 1")
                                          : QStringLiteral(" is not 0, 1 or 2"));
    }

    // closest: the item that stands in for a value not in the list, where one can.
    void applyItem(SettingsLine line, FixedParam param, const QStringList& items,
                   std::optional<int> (*closest)(QStringView) = nullptr) {
        const auto& value = params_.fixed[size_t(param)];
        if (!value)
            return;
        const int index = itemIndex(items, *value);
        if (index >= 0) {
            target_.applyLine(line, QString::number(index));
            return;
        }
        QString problem = name(param) + QStringLiteral(": ") + quoted(*value) +
                          QStringLiteral(" is not one of ") + itemList(items);
        if (const std::optional<int> instead = closest ? closest(*value) : std::nullopt) {
            target_.applyLine(line, QString::number(*instead));
            problem += QStringLiteral(" (%1 used instead)").arg(items.at(*instead).trimmed());
        }
        problems_ << problem;
    }

    // A button's width or height from the applet's: as it is across the bar, the
    // applet's divided by the number of buttons along it.
    // Which side of the applet is N buttons long depends on the direction.
    void sizeWithoutDirection() {
        QStringList given;
        if (applet_.width)
            given << QStringLiteral("applet width");
        if (applet_.height)
            given << QStringLiteral("applet height");
        if (!given.isEmpty())
            problems_ << given.join(QLatin1String(" and ")) +
                             QStringLiteral(": not used, as the direction is not known");
    }

    void applySize(SettingsLine line, const std::optional<QString>& attribute, bool along) {
        const QString what = line == SettingsLine::Width ? QStringLiteral("applet width")
                                                         : QStringLiteral("applet height");
        if (!attribute)
            return; // named with the missing params
        const QString text = attribute->trimmed();
        qint32 size = 0;
        try {
            size = StrToInt(text);
        } catch (const ConversionError&) {
            problems_ << what + QStringLiteral(": ") + quoted(*attribute) +
                             QStringLiteral(" is not a whole number");
            return;
        }
        if (!along) {
            target_.applyLine(line, text);
            return;
        }
        if (!buttonCount_ || *buttonCount_ < 1) {
            problems_ << what + QStringLiteral(": not used, as the number of buttons is not known");
            return;
        }
        if (size % *buttonCount_ != 0) {
            problems_ << what + QStringLiteral(": ") + quoted(*attribute) +
                             QStringLiteral(" is not a multiple of %1, the number of buttons")
                                 .arg(*buttonCount_);
            return;
        }
        target_.applyLine(line, QString::number(size / *buttonCount_));
    }

    void applyAlignment() {
        if (!applet_.alignment) {
            target_.selectAlignment(0); // "Center"
            return;
        }
        const int index = itemIndex(alignItems(), *applet_.alignment);
        if (index >= 0)
            target_.selectAlignment(index);
        else
            problems_ << QStringLiteral("align: ") + quoted(*applet_.alignment) +
                             QStringLiteral(" is not one of ") + itemList(alignItems());
    }

    // One line for all that the page lacks: the title, the applet's size, the
    // params of the table and the per-button params of buttons 0 .. N - 1 (runs
    // of numbers given as "label 2 to label 7").
    void listMissing() {
        QStringList missing;
        if (!applet_.title)
            missing << QStringLiteral("<title>");
        if (!applet_.width)
            missing << QStringLiteral("applet width");
        if (!applet_.height)
            missing << QStringLiteral("applet height");
        for (int i = 0; i < kFixedParams; ++i) {
            if (!params_.fixed[size_t(i)])
                missing << name(FixedParam(i));
        }
        const int n = std::clamp(buttonCount_.value_or(0), 0, kMaxButtons);
        for (const ButtonParam& param : kButtonParams) {
            const QString prefix = QString(latin1(param.prefix));
            int k = 0;
            while (k < n) {
                if (has(k, param.field)) {
                    ++k;
                    continue;
                }
                const int first = k;
                while (k < n && !has(k, param.field))
                    ++k;
                missing << (k - 1 == first
                                ? prefix + QString::number(first)
                                : prefix + QString::number(first) + QStringLiteral(" to ") +
                                      prefix + QString::number(k - 1));
            }
        }
        if (!missing.isEmpty())
            problems_.add(ImportProblem::Kind::Missing,
                          QStringLiteral("Not in the page: ") + missing.join(QLatin1String(", ")));
    }

    bool has(int k, ButtonField field) const {
        return size_t(k) < params_.given.size() &&
               (params_.given[size_t(k)] & (1u << unsigned(field)));
    }

    const ImportedApplet& applet_;
    ImportTarget& target_;
    const PageParams params_;
    std::optional<qint32> buttonCount_; // the page's `buttons` as a number
    std::optional<bool> vertical_;      // the page's direction, when it is a known code
    struct Problems {
        ImportProblems list;
        void add(ImportProblem::Kind kind, const QString& text) { list.append({kind, text}); }
        Problems& operator<<(const QString& text) {
            add(ImportProblem::Kind::Unusable, text);
            return *this;
        }
        Problems& operator<<(const QStringList& texts) {
            for (const QString& text : texts)
                *this << text;
            return *this;
        }
    } problems_;
};

} // namespace

void RecordImportTarget::applyLine(SettingsLine line, const QString& text) {
    lines_.applyLine(line, text);
}

QString RecordImportTarget::buttonsText() const {
    return lines_.buttonsText();
}

void RecordImportTarget::setButtonEntry(ButtonField field, int k, const QString& text) {
    lines_.setButtonEntry(field, k, text);
}

void RecordImportTarget::selectAlignment(int index) {
    const QStringList& items = alignItems();
    settings_.alignIndex = index >= 0 && index < items.size() ? index : -1;
    settings_.align = settings_.alignIndex >= 0 ? items.at(index) : QString();
}

QStringList problemTexts(const ImportProblems& problems) {
    QStringList texts;
    texts.reserve(problems.size());
    for (const ImportProblem& problem : problems)
        texts << problem.text;
    return texts;
}

ImportProblems applyImportedApplet(const ImportedApplet& applet, ImportTarget& target) {
    return ImportApplier(applet, target).apply();
}

QStringList shownProblems(const QStringList& texts) {
    if (texts.size() <= kShownProblems)
        return texts;
    QStringList shown = texts.first(kShownProblems);
    shown << QStringLiteral("\u2026 and %1 more").arg(texts.size() - kShownProblems);
    return shown;
}

QString importProblemsMessage(const QString& path, const ImportProblems& problems) {
    return QStringLiteral("Not everything in %1 could be used:\n").arg(path) +
           shownProblems(problemTexts(problems)).join(u'\n');
}

QString noAppletMessage(const QString& path) {
    return QStringLiteral("No button bar applet found in ") + path;
}

} // namespace brivane
