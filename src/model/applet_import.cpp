#include "model/applet_import.h"

#include "model/errors.h"
#include "model/font_fallback.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <string_view>
#include <vector>

namespace brivane {

using namespace std::string_view_literals;

namespace {

// --- Character references ----------------------------------------------------

struct NamedReference {
    std::string_view name;
    char16_t character;
    bool legacy; // also understood without the closing ';'
};

// The Latin-1 signs and letters, U+00A0 to U+00FF in order; a browser takes
// each of them without its ';' too.
constexpr std::string_view kLatin1Names[96] = {
    "nbsp",   "iexcl",  "cent",   "pound",  "curren", "yen",    "brvbar", "sect",   "uml",
    "copy",   "ordf",   "laquo",  "not",    "shy",    "reg",    "macr",   "deg",    "plusmn",
    "sup2",   "sup3",   "acute",  "micro",  "para",   "middot", "cedil",  "sup1",   "ordm",
    "raquo",  "frac14", "frac12", "frac34", "iquest", "Agrave", "Aacute", "Acirc",  "Atilde",
    "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",  "Euml",   "Igrave",
    "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde",
    "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",
    "szlig",  "agrave", "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil",
    "egrave", "eacute", "ecirc",  "euml",   "igrave", "iacute", "icirc",  "iuml",   "eth",
    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",   "divide", "oslash", "ugrave",
    "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml",
};

constexpr NamedReference kOtherNames[] = {
    {"amp"sv, u'&', true},       {"AMP"sv, u'&', true},       {"lt"sv, u'<', true},
    {"LT"sv, u'<', true},        {"gt"sv, u'>', true},        {"GT"sv, u'>', true},
    {"quot"sv, u'"', true},      {"QUOT"sv, u'"', true},      {"COPY"sv, 0x00A9, true},
    {"REG"sv, 0x00AE, true},     {"apos"sv, u'\'', false},    {"OElig"sv, 0x0152, false},
    {"oelig"sv, 0x0153, false},  {"Scaron"sv, 0x0160, false}, {"scaron"sv, 0x0161, false},
    {"Yuml"sv, 0x0178, false},   {"fnof"sv, 0x0192, false},   {"circ"sv, 0x02C6, false},
    {"tilde"sv, 0x02DC, false},  {"ensp"sv, 0x2002, false},   {"emsp"sv, 0x2003, false},
    {"thinsp"sv, 0x2009, false}, {"zwnj"sv, 0x200C, false},   {"zwj"sv, 0x200D, false},
    {"lrm"sv, 0x200E, false},    {"rlm"sv, 0x200F, false},    {"ndash"sv, 0x2013, false},
    {"mdash"sv, 0x2014, false},  {"lsquo"sv, 0x2018, false},  {"rsquo"sv, 0x2019, false},
    {"sbquo"sv, 0x201A, false},  {"ldquo"sv, 0x201C, false},  {"rdquo"sv, 0x201D, false},
    {"bdquo"sv, 0x201E, false},  {"dagger"sv, 0x2020, false}, {"Dagger"sv, 0x2021, false},
    {"bull"sv, 0x2022, false},   {"hellip"sv, 0x2026, false}, {"permil"sv, 0x2030, false},
    {"lsaquo"sv, 0x2039, false}, {"rsaquo"sv, 0x203A, false}, {"euro"sv, 0x20AC, false},
    {"trade"sv, 0x2122, false},
};

constexpr size_t kLongestName = 6;

// All named references, sorted by name for a binary search.
const std::vector<NamedReference>& namedReferences() {
    static const std::vector<NamedReference> table = [] {
        std::vector<NamedReference> all(std::begin(kOtherNames), std::end(kOtherNames));
        for (int i = 0; i < 96; ++i)
            all.push_back({kLatin1Names[i], char16_t(0xA0 + i), true});
        std::sort(all.begin(), all.end(),
                  [](const NamedReference& a, const NamedReference& b) { return a.name < b.name; });
        return all;
    }();
    return table;
}

const NamedReference* findReference(std::string_view name) {
    const std::vector<NamedReference>& table = namedReferences();
    const auto found = std::lower_bound(
        table.begin(), table.end(), name,
        [](const NamedReference& entry, std::string_view key) { return entry.name < key; });
    return found != table.end() && found->name == name ? &*found : nullptr;
}

bool isAsciiAlnum(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

int digitValue(char16_t c, int base) {
    int value = 99;
    if (c >= u'0' && c <= u'9')
        value = c - u'0';
    else if (c >= u'a' && c <= u'f')
        value = c - u'a' + 10;
    else if (c >= u'A' && c <= u'F')
        value = c - u'A' + 10;
    return value < base ? value : -1;
}

void appendCodePoint(QString& out, char32_t code) {
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        code = 0xFFFD;
    else if (code >= 0x80 && code <= 0x9F)
        code = windows1252Char(static_cast<unsigned char>(code)); // as the old pages meant it
    if (code > 0xFFFF) {
        out += QChar(QChar::highSurrogate(code));
        out += QChar(QChar::lowSurrogate(code));
    } else {
        out += QChar(char16_t(code));
    }
}

// Most values hold no reference: those are given back as they came, uncopied.
QString resolveReferences(QString&& text, bool inAttribute) {
    const char16_t* const in = reinterpret_cast<const char16_t*>(text.constData());
    const qsizetype size = text.size();
    if (std::none_of(in, in + size, [](char16_t c) { return c == u'&' || c == u'\r' || c == 0; }))
        return std::move(text);

    QString out;
    out.reserve(size);
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = in[i];
        if (c == u'\r') {
            out += u'\n';
            if (i + 1 < size && in[i + 1] == u'\n')
                ++i;
            continue;
        }
        if (c == 0) {
            out += QChar(0xFFFD);
            continue;
        }
        if (c != u'&') {
            out += QChar(c);
            continue;
        }
        qsizetype j = i + 1;
        if (j < size && in[j] == u'#') {
            qsizetype k = j + 1;
            int base = 10;
            if (k < size && (in[k] == u'x' || in[k] == u'X')) {
                base = 16;
                ++k;
            }
            const qsizetype digits = k;
            char32_t code = 0;
            for (int digit; k < size && (digit = digitValue(in[k], base)) >= 0; ++k)
                code = std::min<char32_t>(code * char32_t(base) + char32_t(digit), 0x110000);
            if (k == digits) {
                out += u'&'; // no digits: no reference
                continue;
            }
            if (k < size && in[k] == u';')
                ++k;
            appendCodePoint(out, code);
            i = k - 1;
            continue;
        }
        // A name: the letters and digits after '&' (a few more than the longest).
        qsizetype k = j;
        while (k < size && k - j <= qsizetype(kLongestName) && isAsciiAlnum(in[k]))
            ++k;
        char name[kLongestName + 2];
        const qsizetype length = k - j;
        for (qsizetype n = 0; n < length; ++n)
            name[n] = char(in[j + n]);
        if (length <= qsizetype(kLongestName) && k < size && in[k] == u';') {
            if (const NamedReference* found =
                    findReference(std::string_view(name, size_t(length)))) {
                out += QChar(found->character);
                i = k;
                continue;
            }
        }
        // Without ';' only the old names count, the longest first; in an attribute
        // not before a letter, digit or '=' (which makes "?a=1&copy=2" a plain text).
        bool done = false;
        for (qsizetype n = std::min<qsizetype>(length, kLongestName); n >= 2 && !done; --n) {
            const NamedReference* found = findReference(std::string_view(name, size_t(n)));
            if (!found || !found->legacy)
                continue;
            const char16_t next = j + n < size ? in[j + n] : u'\0';
            if (inAttribute && (isAsciiAlnum(next) || next == u'='))
                break;
            out += QChar(found->character);
            i = j + n - 1;
            done = true;
        }
        if (!done)
            out += u'&';
    }
    return out;
}

// --- Bytes of the page ---------------------------------------------------------

bool isHtmlSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

bool isAsciiAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char asciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

// Whether the bytes spell `name` (given in lower case) in any case.
bool spells(const char* begin, const char* end, std::string_view name) {
    if (end - begin != qsizetype(name.size()))
        return false;
    for (size_t i = 0; i < name.size(); ++i) {
        if (asciiLower(begin[i]) != name[i])
            return false;
    }
    return true;
}

// The elements the reader tells apart; every other one is only stepped over.
enum class Element {
    Other,
    Applet,
    Param,
    P,
    Div,
    Center,
    ClosesP,   // a block that ends an open paragraph
    Head,      // its end tag is where a converted page's style goes
    Title,     // text up to its end tag, references decoded
    RawText,   // text up to its end tag, not looked into (script, style...)
    PlainText, // the rest of the page is text
};

struct ElementName {
    std::string_view name;
    Element element;
};

constexpr ElementName kElements[] = {
    {"applet"sv, Element::Applet},
    {"param"sv, Element::Param},
    {"p"sv, Element::P},
    {"div"sv, Element::Div},
    {"center"sv, Element::Center},
    {"title"sv, Element::Title},
    {"head"sv, Element::Head},
    {"script"sv, Element::RawText},
    {"style"sv, Element::RawText},
    {"xmp"sv, Element::RawText},
    {"iframe"sv, Element::RawText},
    {"noembed"sv, Element::RawText},
    {"noframes"sv, Element::RawText},
    {"textarea"sv, Element::RawText},
    {"plaintext"sv, Element::PlainText},
    {"address"sv, Element::ClosesP},
    {"article"sv, Element::ClosesP},
    {"aside"sv, Element::ClosesP},
    {"blockquote"sv, Element::ClosesP},
    {"details"sv, Element::ClosesP},
    {"dialog"sv, Element::ClosesP},
    {"dir"sv, Element::ClosesP},
    {"dl"sv, Element::ClosesP},
    {"fieldset"sv, Element::ClosesP},
    {"figcaption"sv, Element::ClosesP},
    {"figure"sv, Element::ClosesP},
    {"footer"sv, Element::ClosesP},
    {"form"sv, Element::ClosesP},
    {"h1"sv, Element::ClosesP},
    {"h2"sv, Element::ClosesP},
    {"h3"sv, Element::ClosesP},
    {"h4"sv, Element::ClosesP},
    {"h5"sv, Element::ClosesP},
    {"h6"sv, Element::ClosesP},
    {"header"sv, Element::ClosesP},
    {"hgroup"sv, Element::ClosesP},
    {"hr"sv, Element::ClosesP},
    {"listing"sv, Element::ClosesP},
    {"main"sv, Element::ClosesP},
    {"menu"sv, Element::ClosesP},
    {"nav"sv, Element::ClosesP},
    {"ol"sv, Element::ClosesP},
    {"pre"sv, Element::ClosesP},
    {"section"sv, Element::ClosesP},
    {"table"sv, Element::ClosesP},
    {"ul"sv, Element::ClosesP},
};

const ElementName* findElement(const char* begin, const char* end) {
    for (const ElementName& known : kElements) {
        if (spells(begin, end, known.name))
            return &known;
    }
    return nullptr;
}

// An attribute value as bytes of the page; set even when empty.
struct Value {
    const char* begin = nullptr;
    const char* end = nullptr;
    bool set = false;
};

// Where a tag keeps the attributes the reader needs of it.
enum AttributeSlot { kCode = 0, kWidth = 1, kHeight = 2, kName = 0, kValue = 1, kAlign = 0 };

// A tag and the few attributes the reader needs of it (the first of a name
// counts, as in a browser).
struct Tag {
    const char* begin = nullptr; // its '<'
    const ElementName* name = nullptr;
    std::array<Value, 3> values; // by AttributeSlot

    Element element() const { return name ? name->element : Element::Other; }

    void offer(const char* nameBegin, const char* nameEnd, const Value& value) {
        static constexpr std::array<std::string_view, 3> kApplet = {"code"sv, "width"sv,
                                                                    "height"sv};
        static constexpr std::array<std::string_view, 3> kParam = {"name"sv, "value"sv, ""sv};
        static constexpr std::array<std::string_view, 3> kAligned = {"align"sv, ""sv, ""sv};
        const std::array<std::string_view, 3>* wanted = nullptr;
        switch (element()) {
        case Element::Applet:
            wanted = &kApplet;
            break;
        case Element::Param:
            wanted = &kParam;
            break;
        case Element::P:
        case Element::Div:
            wanted = &kAligned;
            break;
        default:
            return;
        }
        for (size_t i = 0; i < wanted->size(); ++i) {
            if (!(*wanted)[i].empty() && !values[i].set && spells(nameBegin, nameEnd, (*wanted)[i]))
                values[i] = value;
        }
    }
};

// A <p>, <div> or <center> that is open where the reader stands.
struct Block {
    Element element;
    Value align;
};

// Reads a page in one pass from its start: every byte is looked at a bounded
// number of times, so the time follows the page's size whatever it holds.
class PageReader {
public:
    explicit PageReader(QByteArrayView page)
        : start_(page.data()), p_(start_), end_(start_ + page.size()), decoder_(page) {}

    ImportedApplet read() {
        while (p_ < end_) {
            const void* lt = std::memchr(p_, '<', size_t(end_ - p_));
            if (!lt)
                break;
            p_ = static_cast<const char*>(lt);
            markup();
        }
        if (applet_.found && !applet_.closed)
            applet_.blockEnd = end_ - start_;
        return std::move(applet_);
    }

private:
    // At a '<': a comment, a tag or just the character.
    void markup() {
        const char* const lt = p_;
        if (end_ - lt < 2) {
            p_ = end_;
            return;
        }
        const char c = lt[1];
        if (c == '!') {
            p_ = (end_ - lt >= 4 && lt[2] == '-' && lt[3] == '-') ? commentEnd(lt + 4)
                                                                  : bogusCommentEnd(lt + 2);
        } else if (c == '?') {
            p_ = bogusCommentEnd(lt + 2);
        } else if (c == '/') {
            if (end_ - lt < 3) {
                p_ = end_;
            } else if (isAsciiAlpha(lt[2])) {
                Tag tag;
                if (readTag(lt, lt + 2, tag))
                    endTag(tag);
            } else {
                p_ = lt[2] == '>' ? lt + 3 : bogusCommentEnd(lt + 2);
            }
        } else if (isAsciiAlpha(c)) {
            Tag tag;
            if (readTag(lt, lt + 1, tag))
                startTag(tag);
        } else {
            p_ = lt + 1;
        }
    }

    // After "<!--": a comment ends at "-->" or "--!>" ("<!-->" and "<!--->" are
    // empty ones), an unclosed one at the end of the page.
    const char* commentEnd(const char* q) const {
        if (q < end_ && *q == '>')
            return q + 1;
        if (end_ - q >= 2 && q[0] == '-' && q[1] == '>')
            return q + 2;
        while (q < end_) {
            const void* found = std::memchr(q, '-', size_t(end_ - q));
            if (!found)
                return end_;
            const char* dash = static_cast<const char*>(found);
            if (dash + 1 < end_ && dash[1] == '-') {
                const char* r = dash + 2;
                while (r < end_ && *r == '-')
                    ++r;
                if (r < end_ && *r == '>')
                    return r + 1;
                if (end_ - r >= 2 && r[0] == '!' && r[1] == '>')
                    return r + 2;
                q = r;
            } else {
                q = dash + 1;
            }
        }
        return end_;
    }

    // "<!DOCTYPE ...>", "<?...>" and "</ ...>": up to the next '>'.
    const char* bogusCommentEnd(const char* q) const {
        const void* gt = std::memchr(q, '>', size_t(end_ - q));
        return gt ? static_cast<const char*>(gt) + 1 : end_;
    }

    // Reads the tag whose name starts at `name`, up to and with its '>'. A tag the
    // page ends in is no tag (false), as in a browser.
    bool readTag(const char* lt, const char* name, Tag& tag) {
        const char* q = name;
        while (q < end_ && !isHtmlSpace(*q) && *q != '/' && *q != '>')
            ++q;
        tag.begin = lt;
        tag.name = findElement(name, q);
        for (;;) {
            while (q < end_ && (isHtmlSpace(*q) || *q == '/'))
                ++q;
            if (q == end_)
                break;
            if (*q == '>') {
                p_ = q + 1;
                return true;
            }
            const char* const nameBegin = q++; // a name may start with '='
            while (q < end_ && !isHtmlSpace(*q) && *q != '/' && *q != '>' && *q != '=')
                ++q;
            const char* const nameEnd = q;
            while (q < end_ && isHtmlSpace(*q))
                ++q;
            Value value{q, q, true};
            if (q < end_ && *q == '=') {
                ++q;
                while (q < end_ && isHtmlSpace(*q))
                    ++q;
                if (q == end_)
                    break;
                if (*q == '"' || *q == '\'') {
                    const void* close = std::memchr(q + 1, *q, size_t(end_ - q - 1));
                    if (!close)
                        break;
                    value = Value{q + 1, static_cast<const char*>(close), true};
                    q = value.end + 1;
                } else if (*q != '>') {
                    value.begin = q;
                    while (q < end_ && !isHtmlSpace(*q) && *q != '>')
                        ++q;
                    value.end = q;
                }
            }
            tag.offer(nameBegin, nameEnd, value);
        }
        p_ = end_;
        return false;
    }

    // Where the text of a raw text element ends: at "</name" followed by a blank,
    // '/' or '>', or at the end of the page.
    const char* rawTextEnd(std::string_view name) const {
        const char* q = p_;
        while (q < end_) {
            const void* found = std::memchr(q, '<', size_t(end_ - q));
            if (!found)
                break;
            const char* lt = static_cast<const char*>(found);
            const qsizetype after = 2 + qsizetype(name.size());
            if (end_ - lt > after && lt[1] == '/' && spells(lt + 2, lt + after, name) &&
                (isHtmlSpace(lt[after]) || lt[after] == '/' || lt[after] == '>'))
                return lt;
            q = lt + 1;
        }
        return end_;
    }

    QString text(const Value& value, bool inAttribute) const {
        return resolveReferences(decoder_.decode(value.begin, value.end - value.begin),
                                 inAttribute);
    }

    void startTag(const Tag& tag) {
        switch (tag.element()) {
        case Element::Applet: {
            const bool bar =
                tag.values[kCode].set && isButtonBarCode(text(tag.values[kCode], true));
            if (depth_ > 0) {
                ++depth_; // nested in the chosen applet
                if (bar)
                    ++applet_.otherApplets;
            } else if (bar) {
                if (applet_.found) {
                    ++applet_.otherApplets;
                } else {
                    choose(tag);
                }
            }
            break;
        }
        case Element::Param:
            if (depth_ == 1 && tag.values[kName].set) {
                applet_.params.append(
                    {text(tag.values[kName], true),
                     tag.values[kValue].set ? text(tag.values[kValue], true) : QString()});
            }
            break;
        case Element::P:
        case Element::Div:
        case Element::Center:
            if (!applet_.found) {
                close(Element::P);
                open(tag.element(), tag.values[kAlign]);
            }
            break;
        case Element::ClosesP:
            if (!applet_.found)
                close(Element::P);
            break;
        case Element::Title: {
            const char* const textEnd = rawTextEnd(tag.name->name);
            if (!applet_.title)
                applet_.title = tidyTitle(text(Value{p_, textEnd, true}, false));
            p_ = textEnd;
            break;
        }
        case Element::RawText:
            p_ = rawTextEnd(tag.name->name);
            break;
        case Element::PlainText:
            p_ = end_;
            break;
        case Element::Head:
        case Element::Other:
            break;
        }
    }

    void endTag(const Tag& tag) {
        switch (tag.element()) {
        case Element::Applet:
            if (depth_ > 0 && --depth_ == 0) {
                applet_.closed = true;
                applet_.blockEnd = p_ - start_;
            }
            break;
        case Element::Head:
            if (applet_.headEnd < 0)
                applet_.headEnd = tag.begin - start_;
            break;
        case Element::P:
        case Element::Div:
        case Element::Center:
            if (!applet_.found)
                close(tag.element());
            break;
        default:
            break;
        }
    }

    void choose(const Tag& tag) {
        applet_.found = true;
        applet_.blockBegin = tag.begin - start_;
        if (tag.values[kWidth].set)
            applet_.width = text(tag.values[kWidth], true);
        if (tag.values[kHeight].set)
            applet_.height = text(tag.values[kHeight], true);
        // The nearest enclosing block that says how to align wins.
        for (auto block = blocks_.rbegin(); block != blocks_.rend(); ++block) {
            if (block->element == Element::Center) {
                applet_.alignment = QStringLiteral("center");
                break;
            }
            if (block->align.set) {
                applet_.alignment = text(block->align, true);
                break;
            }
        }
        blocks_ = {};
        depth_ = 1;
    }

    int& openCount(Element element) {
        return element == Element::P ? openP_ : element == Element::Div ? openDiv_ : openCenter_;
    }

    void open(Element element, const Value& align) {
        blocks_.push_back({element, element == Element::Center ? Value{} : align});
        ++openCount(element);
    }

    // Closes the innermost open block of this kind and all opened after it; the
    // counts keep a close of something not open from searching.
    void close(Element element) {
        if (openCount(element) == 0)
            return;
        for (;;) {
            const Element top = blocks_.back().element;
            blocks_.pop_back();
            --openCount(top);
            if (top == element)
                break;
        }
    }

    // A title as a line of text: white space that holds a line break or form feed
    // becomes one blank, or nothing at either end; blanks and tabs on one line
    // stay as they are.
    static QString tidyTitle(const QString& title) {
        const auto isSpace = [](QChar c) {
            return c == u' ' || c == u'\t' || c == u'\n' || c == u'\f';
        };
        QString out;
        out.reserve(title.size());
        const qsizetype size = title.size();
        for (qsizetype i = 0; i < size;) {
            if (!isSpace(title.at(i))) {
                out += title.at(i++);
                continue;
            }
            qsizetype j = i;
            bool breaks = false;
            for (; j < size && isSpace(title.at(j)); ++j)
                breaks = breaks || title.at(j) == u'\n' || title.at(j) == u'\f';
            if (!breaks)
                out += QStringView(title).mid(i, j - i);
            else if (i > 0 && j < size)
                out += u' ';
            i = j;
        }
        return out;
    }

    const char* const start_;
    const char* p_;
    const char* const end_;
    const TextDecoder decoder_;
    ImportedApplet applet_;
    std::vector<Block> blocks_;
    int openP_ = 0;
    int openDiv_ = 0;
    int openCenter_ = 0;
    int depth_ = 0; // inside the chosen applet: 1 + the applets nested where we stand
};

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
    QStringList badNumbers; // problems with per-button params' numbers
};

PageParams sortParams(const QList<std::pair<QString, QString>>& params) {
    PageParams sorted;
    for (const auto& [name, value] : params) {
        bool known = false;
        for (int i = 0; i < kFixedParams && !known; ++i) {
            if (name.compare(latin1(kFixedNames[size_t(i)]), Qt::CaseInsensitive) == 0) {
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
                                         .arg(name)
                                         .arg(kMaxButtons - 1);
            } else {
                sorted.buttons[int(k)][size_t(param.field)] = value;
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

    QStringList apply() {
        for (SettingsLine line : kSettingsFileLines)
            applyLine(line);
        applyAlignment();
        problems_ << params_.badNumbers;
        for (const auto& [k, fields] : params_.buttons) {
            for (ButtonField field : kSettingsButtonFields) {
                if (const auto& value = fields[size_t(field)])
                    target_.setButtonEntry(field, k + 1, *value);
            }
        }
        listMissing();
        if (applet_.otherApplets > 0) {
            problems_ << (applet_.otherApplets == 1
                              ? QStringLiteral(
                                    "1 other button.class applet in the page was not read")
                              : QStringLiteral("%1 other button.class applets in the page were "
                                               "not read")
                                    .arg(applet_.otherApplets));
        }
        return problems_;
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
            problems_ << QStringLiteral("Not in the page: ") + missing.join(QLatin1String(", "));
    }

    bool has(int k, ButtonField field) const {
        const auto found = params_.buttons.find(k);
        return found != params_.buttons.end() && found->second[size_t(field)].has_value();
    }

    const ImportedApplet& applet_;
    ImportTarget& target_;
    const PageParams params_;
    std::optional<qint32> buttonCount_; // the page's `buttons` as a number
    std::optional<bool> vertical_;      // the page's direction, when it is a known code
    QStringList problems_;
};

} // namespace

bool isButtonBarCode(QStringView code) {
    code = code.trimmed();
    const qsizetype slash = std::max(code.lastIndexOf(u'/'), code.lastIndexOf(u'\\'));
    const QStringView name = code.mid(slash + 1);
    return name.compare(QLatin1String("button.class"), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String("button"), Qt::CaseInsensitive) == 0;
}

ImportedApplet readAppletPage(QByteArrayView page) {
    return PageReader(page).read();
}

QString decodeCharacterReferences(QStringView text, bool inAttribute) {
    return resolveReferences(text.toString(), inAttribute);
}

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

QStringList applyImportedApplet(const ImportedApplet& applet, ImportTarget& target) {
    return ImportApplier(applet, target).apply();
}

QString importProblemsMessage(const QString& path, const QStringList& problems) {
    return QStringLiteral("Not everything in %1 could be used:\n").arg(path) + problems.join(u'\n');
}

QString noAppletMessage(const QString& path) {
    return QStringLiteral("No button bar applet found in ") + path;
}

} // namespace brivane
