#include "model/font_fallback.h"

#include "model/applet_settings.h"

#include <QString>

#include <array>
#include <cstdlib>

namespace brivane {

namespace {

enum class Family { Unknown, Serif, SansSerif, Monospace };

constexpr int kTimesRoman = 0;
constexpr int kHelvetica = 1;
constexpr int kCourier = 2;

// Names in lower case without blanks, so "Courier New", "courier  new" and
// "CourierNew" are one name. Java's own logical names are among them, as an
// applet's page may well use those.
constexpr std::array kSansSerifNames{
    u"sansserif",      u"sans",         u"arial",          u"helvetica",
    u"helveticaneue",  u"verdana",      u"tahoma",         u"geneva",
    u"trebuchetms",    u"lucidagrande", u"lucidasans",     u"lucidasansunicode",
    u"segoeui",        u"calibri",      u"mssansserif",    u"microsoftsansserif",
    u"centurygothic",  u"gillsans",     u"futura",         u"optima",
    u"arialblack",     u"arialnarrow",  u"franklingothic", u"avantgarde",
    u"univers",        u"frutiger",     u"myriad",         u"dejavusans",
    u"liberationsans", u"dialog",       u"chicago",        u"charcoal",
    u"swiss",          u"system-ui"};
constexpr std::array kMonospaceNames{u"monospace",      u"monospaced",    u"courier",
                                     u"couriernew",     u"lucidaconsole", u"lucidatypewriter",
                                     u"monaco",         u"consolas",      u"andalemono",
                                     u"fixedsys",       u"fixed",         u"terminal",
                                     u"typewriter",     u"dialoginput",   u"dejavusansmono",
                                     u"liberationmono", u"ocr-a",         u"modern"};
constexpr std::array kSerifNames{u"serif",         u"timesroman",  u"times",
                                 u"timesnewroman", u"georgia",     u"garamond",
                                 u"palatino",      u"bookantiqua", u"centuryschoolbook",
                                 u"bookman",       u"roman"};

template <size_t N> bool among(const std::array<const char16_t*, N>& names, const QString& name) {
    for (const char16_t* known : names) {
        if (name == QStringView(known))
            return true;
    }
    return false;
}

Family familyOf(QStringView font) {
    QString name;
    for (const QChar c : font) {
        if (!c.isSpace() && c != u'"' && c != u'\'')
            name.append(c.toLower());
    }
    if (among(kMonospaceNames, name))
        return Family::Monospace;
    if (among(kSansSerifNames, name))
        return Family::SansSerif;
    if (among(kSerifNames, name))
        return Family::Serif;
    // Families often carry their kind in their name: "Andale Mono", "PT Sans".
    if (name.contains(u"mono"))
        return Family::Monospace;
    if (name.contains(u"sans"))
        return Family::SansSerif;
    return Family::Unknown;
}

} // namespace

int closestFontIndex(QStringView font) {
    for (const QStringView name : font.split(u',')) {
        switch (familyOf(name)) {
        case Family::SansSerif:
            return kHelvetica;
        case Family::Monospace:
            return kCourier;
        case Family::Serif:
            return kTimesRoman;
        case Family::Unknown:
            break;
        }
    }
    return kTimesRoman;
}

std::optional<int> closestFontSizeIndex(QStringView size) {
    bool ok = false;
    const qlonglong wanted = size.trimmed().toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    const QStringList& sizes = fontSizeItems();
    int best = 0;
    qlonglong bestDistance = -1;
    for (int i = 0; i < sizes.size(); ++i) {
        const qlonglong distance = std::llabs(sizes.at(i).trimmed().toLongLong() - wanted);
        // The list rises, so on a tie the first one found is the smaller.
        if (bestDistance < 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

} // namespace brivane
