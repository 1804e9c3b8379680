#include "model/applet_import.h"

#include "model/errors.h"
#include "model/font_fallback.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <vector>

namespace brivane {

using namespace std::string_view_literals;

namespace {

// --- Applying ------------------------------------------------------------------

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

// Whether the text starts with the prefix (in lower case) in any case, as
// QString's case-insensitive startsWith has it: where the text is ASCII the
// bytes decide, which spares a bar's thousands of per-button params its cost.
bool startsWithAnyCase(const QString& text, std::string_view prefix) {
    if (text.size() < qsizetype(prefix.size()))
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        const char16_t c = text.at(qsizetype(i)).unicode();
        if (c >= 0x80) // may fold to an ASCII letter (U+017F to 's')
            return text.startsWith(latin1(prefix), Qt::CaseInsensitive);
        if ((c >= u'A' && c <= u'Z' ? c - u'A' + u'a' : c) != char16_t(prefix[i]))
            return false;
    }
    return true;
}

// The page's params sorted out: the last of a name wins. Names are matched in
// any case, as the applet asks for its params.
struct PageParams {
    // By the settings line that takes the value.
    std::array<std::optional<QString>, kSettingsLines.size()> fixed;
    // By the number in the name (k, button k + 1), fields in ButtonField order.
    // Indexed by k, which stays below kMaxButtons: a bar's params come a group at
    // a time, and a tree looked up afresh for each cost more than the reading.
    std::vector<std::array<std::optional<QString>, 4>> buttons;
    QStringList badNumbers; // problems with per-button params' numbers
};

PageParams sortParams(const QList<std::pair<QString, QString>>& params) {
    PageParams sorted;
    for (const auto& [name, value] : params) {
        bool known = false;
        for (const SettingsLineDef& def : kSettingsLines) {
            // The length first: a largest bar has 131 thousand params to sort.
            if (!def.param.empty() && name.size() == qsizetype(def.param.size()) &&
                name.compare(latin1(def.param), Qt::CaseInsensitive) == 0) {
                sorted.fixed[size_t(def.line)] = value;
                known = true;
                break;
            }
        }
        for (const ButtonParam& param : kButtonParams) {
            if (known || !startsWithAnyCase(name, param.prefix))
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
                if (sorted.buttons.size() <= size_t(k))
                    sorted.buttons.resize(size_t(k) + 1);
                sorted.buttons[size_t(k)][size_t(param.field)] = value;
            }
        }
    }
    return sorted;
}

QString quoted(const QString& text) {
    return u'"' + text + u'"';
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
        if (const auto& buttons = param(SettingsLine::Buttons)) {
            try {
                buttonCount_ = StrToInt(*buttons);
            } catch (const ConversionError&) {
            }
        }
        if (const auto& direction = param(SettingsLine::Direction)) {
            const SettingsLineDef& def = settingsLineDef(SettingsLine::Direction);
            if (const auto choice = choiceOfCode(def, QStringView(*direction).trimmed()))
                vertical_ = *choice == 0;
        }
    }

    ImportProblems apply() {
        for (const SettingsLineDef& def : kSettingsLines)
            applyLine(def);
        applyAlignment();
        problems_ << params_.badNumbers;
        for (int k = 0; k < int(params_.buttons.size()); ++k) {
            const auto& fields = params_.buttons[size_t(k)];
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
    void applyLine(const SettingsLineDef& def) {
        if (def.line == SettingsLine::Width || def.line == SettingsLine::Height) {
            applyAppletSize(def.line);
            return;
        }
        if (def.line == SettingsLine::Title) {
            if (applet_.title)
                target_.applyLine(def.line, *applet_.title);
            return;
        }
        const auto& value = param(def.line);
        if (!value)
            return;
        switch (def.kind) {
        case LineKind::Header:
            break;
        case LineKind::Text:
        case LineKind::Number:
            target_.applyLine(def.line, *value);
            break;
        case LineKind::Colour:
            if (const auto colour = colourValueOfHex(*value))
                target_.applyLine(def.line, QString::number(*colour));
            else
                problems_ << unusable(def, *value, QStringLiteral("is not six hexadecimal digits"));
            break;
        case LineKind::Choice:
            // A page may write a code with blanks around it.
            if (const auto choice = choiceOfCode(def, QStringView(*value).trimmed()))
                target_.applyLine(def.line, QString::number(*choice));
            else
                problems_ << unusable(def, *value,
                                      def.choices == 2 ? QStringLiteral("is not 0 or 1")
                                                       : QStringLiteral("is not 0, 1 or 2"));
            break;
        case LineKind::Item:
            applyItem(def, *value);
            break;
        }
    }

    const std::optional<QString>& param(SettingsLine line) const {
        return params_.fixed[size_t(line)];
    }

    static QString unusable(const SettingsLineDef& def, const QString& value, const QString& why) {
        return latin1(def.param) + QStringLiteral(": ") + quoted(value) + u' ' + why;
    }

    void applyItem(const SettingsLineDef& def, const QString& value) {
        const QStringList& items = def.items();
        const int index = itemIndex(items, value);
        if (index >= 0) {
            target_.applyLine(def.line, QString::number(index));
            return;
        }
        QString problem = unusable(def, value, QStringLiteral("is not one of ") + itemList(items));
        if (const std::optional<int> instead = def.closestItem(value)) {
            target_.applyLine(def.line, QString::number(*instead));
            problem += QStringLiteral(" (%1 used instead)").arg(items.at(*instead).trimmed());
        }
        problems_ << problem;
    }

    // A button's width or height from the applet's: as it is across the bar, the
    // applet's divided by the number of buttons along it.
    void applyAppletSize(SettingsLine line) {
        const bool width = line == SettingsLine::Width;
        if (!vertical_) {
            if (width) // one problem for both sides
                sizeWithoutDirection();
            return;
        }
        if (width)
            applySize(line, applet_.width, !*vertical_);
        else
            applySize(line, applet_.height, *vertical_);
    }

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
        for (const SettingsLineDef& def : kSettingsLines) {
            if (!def.param.empty() && !param(def.line))
                missing << latin1(def.param);
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
        return size_t(k) < params_.buttons.size() &&
               params_.buttons[size_t(k)][size_t(field)].has_value();
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
