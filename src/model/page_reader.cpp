#include "model/page_reader.h"

#include "model/settings_file.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace brivane {

using namespace std::string_view_literals;

namespace {

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
// One byte each: the stack of open blocks holds one per open <p>, <div> or
// <center>, and a page of nothing else must not need many times its own size.
enum class Element : unsigned char {
    Other,
    Applet,
    Param,
    P,
    Div,
    Center,
    Head,      // its end tag is where a converted page's style goes
    Body,      // an explicit one ends the chance of a frameset
    Title,     // text up to its end tag, references decoded
    TextArea,  // text up to its end tag
    RawText,   // text up to its end tag, not looked into (style, xmp...)
    Script,    // script text, with its escaped states
    NoScript,  // text when the browser runs script, markup when it does not
    PlainText, // the rest of the page is text
    Svg,       // foreign content: no raw text, CDATA sections
    Math,
    Template, // its content is a fragment the page does not show
    Frameset, // a frameset document shows no body
    Table,
    Cell,         // td, th
    Caption,      // a table's caption, closed as a cell is
    TableSection, // tr, tbody, thead, tfoot, col, colgroup: end an open cell
    Font,         // leaves foreign content when it has a colour, face or size
};

// What an element does besides its kind.
enum ElementFlag : unsigned {
    kClosesP = 1,    // ends an open paragraph
    kBreaksOut = 2,  // ends foreign content it stands in (svg, math)
    kNoFrameset = 4, // body content: a later <frameset> is ignored
};

struct ElementName {
    std::string_view name;
    Element element;
    unsigned flags;
};

constexpr ElementName kElements[] = {
    {"applet"sv, Element::Applet, kNoFrameset},
    {"param"sv, Element::Param, 0},
    {"p"sv, Element::P, kBreaksOut},
    {"div"sv, Element::Div, kBreaksOut},
    {"center"sv, Element::Center, kBreaksOut},
    {"title"sv, Element::Title, 0},
    {"head"sv, Element::Head, kBreaksOut},
    {"body"sv, Element::Body, kBreaksOut | kNoFrameset},
    {"script"sv, Element::Script, 0},
    {"noscript"sv, Element::NoScript, 0},
    {"style"sv, Element::RawText, 0},
    {"xmp"sv, Element::RawText, kClosesP | kNoFrameset},
    {"iframe"sv, Element::RawText, kNoFrameset},
    {"noembed"sv, Element::RawText, 0},
    {"noframes"sv, Element::RawText, 0},
    {"textarea"sv, Element::TextArea, kNoFrameset},
    {"plaintext"sv, Element::PlainText, kClosesP},
    {"svg"sv, Element::Svg, 0},
    {"math"sv, Element::Math, 0},
    {"template"sv, Element::Template, 0},
    {"frameset"sv, Element::Frameset, 0},
    {"table"sv, Element::Table, kBreaksOut | kNoFrameset}, // closes p unless in quirks mode
    {"td"sv, Element::Cell, 0},
    {"th"sv, Element::Cell, 0},
    {"caption"sv, Element::Caption, 0},
    {"tr"sv, Element::TableSection, 0},
    {"tbody"sv, Element::TableSection, 0},
    {"thead"sv, Element::TableSection, 0},
    {"tfoot"sv, Element::TableSection, 0},
    {"col"sv, Element::TableSection, 0},
    {"colgroup"sv, Element::TableSection, 0},
    {"font"sv, Element::Font, 0},
    {"address"sv, Element::Other, kClosesP},
    {"article"sv, Element::Other, kClosesP},
    {"aside"sv, Element::Other, kClosesP},
    {"blockquote"sv, Element::Other, kClosesP | kBreaksOut},
    {"details"sv, Element::Other, kClosesP},
    {"dialog"sv, Element::Other, kClosesP},
    {"dir"sv, Element::Other, kClosesP},
    {"dl"sv, Element::Other, kClosesP | kBreaksOut},
    {"dd"sv, Element::Other, kClosesP | kBreaksOut | kNoFrameset},
    {"dt"sv, Element::Other, kClosesP | kBreaksOut | kNoFrameset},
    {"li"sv, Element::Other, kClosesP | kBreaksOut | kNoFrameset},
    {"fieldset"sv, Element::Other, kClosesP},
    {"figcaption"sv, Element::Other, kClosesP},
    {"figure"sv, Element::Other, kClosesP},
    {"footer"sv, Element::Other, kClosesP},
    {"form"sv, Element::Other, kClosesP},
    {"h1"sv, Element::Other, kClosesP | kBreaksOut},
    {"h2"sv, Element::Other, kClosesP | kBreaksOut},
    {"h3"sv, Element::Other, kClosesP | kBreaksOut},
    {"h4"sv, Element::Other, kClosesP | kBreaksOut},
    {"h5"sv, Element::Other, kClosesP | kBreaksOut},
    {"h6"sv, Element::Other, kClosesP | kBreaksOut},
    {"header"sv, Element::Other, kClosesP},
    {"hgroup"sv, Element::Other, kClosesP},
    {"hr"sv, Element::Other, kClosesP | kBreaksOut | kNoFrameset},
    {"listing"sv, Element::Other, kClosesP | kBreaksOut | kNoFrameset},
    {"main"sv, Element::Other, kClosesP},
    {"menu"sv, Element::Other, kClosesP | kBreaksOut},
    {"nav"sv, Element::Other, kClosesP},
    {"ol"sv, Element::Other, kClosesP | kBreaksOut},
    {"pre"sv, Element::Other, kClosesP | kBreaksOut | kNoFrameset},
    {"search"sv, Element::Other, kClosesP},
    {"section"sv, Element::Other, kClosesP},
    {"summary"sv, Element::Other, kClosesP},
    {"ul"sv, Element::Other, kClosesP | kBreaksOut},
    {"b"sv, Element::Other, kBreaksOut},
    {"big"sv, Element::Other, kBreaksOut},
    {"br"sv, Element::Other, kBreaksOut | kNoFrameset},
    {"code"sv, Element::Other, kBreaksOut},
    {"em"sv, Element::Other, kBreaksOut},
    {"embed"sv, Element::Other, kBreaksOut | kNoFrameset},
    {"i"sv, Element::Other, kBreaksOut},
    {"img"sv, Element::Other, kBreaksOut | kNoFrameset},
    {"meta"sv, Element::Other, kBreaksOut},
    {"nobr"sv, Element::Other, kBreaksOut},
    {"ruby"sv, Element::Other, kBreaksOut},
    {"s"sv, Element::Other, kBreaksOut},
    {"small"sv, Element::Other, kBreaksOut},
    {"span"sv, Element::Other, kBreaksOut},
    {"strong"sv, Element::Other, kBreaksOut},
    {"strike"sv, Element::Other, kBreaksOut},
    {"sub"sv, Element::Other, kBreaksOut},
    {"sup"sv, Element::Other, kBreaksOut},
    {"tt"sv, Element::Other, kBreaksOut},
    {"u"sv, Element::Other, kBreaksOut},
    {"var"sv, Element::Other, kBreaksOut},
    {"area"sv, Element::Other, kNoFrameset},
    {"input"sv, Element::Other, kNoFrameset},
    {"keygen"sv, Element::Other, kNoFrameset},
    {"marquee"sv, Element::Other, kNoFrameset},
    {"object"sv, Element::Other, kNoFrameset},
    {"select"sv, Element::Other, kNoFrameset},
    {"wbr"sv, Element::Other, kNoFrameset},
};

// Every tag's name is looked up: among the names of its first letter only (in
// the order above, the frequent ones first), so that a page of unknown tags
// costs no more than one of known ones.
const ElementName* findElement(const char* begin, const char* end) {
    struct ByLetter {
        std::array<const ElementName*, std::size(kElements)> names{};
        std::array<size_t, 27> first{}; // names of letter i: first[i] .. first[i + 1]
        size_t longest = 0;
    };
    static const ByLetter byLetter = [] {
        ByLetter index;
        for (size_t i = 0; i < index.names.size(); ++i) {
            index.names[i] = &kElements[i];
            index.longest = std::max(index.longest, kElements[i].name.size());
        }
        const auto letter = [](const ElementName* known) { return size_t(known->name[0] - 'a'); };
        std::stable_sort(
            index.names.begin(), index.names.end(),
            [&](const ElementName* a, const ElementName* b) { return letter(a) < letter(b); });
        for (size_t l = 0, i = 0; l <= 26; ++l) {
            while (i < index.names.size() && letter(index.names[i]) < l)
                ++i;
            index.first[l] = i;
        }
        return index;
    }();
    if (begin == end || end - begin > qsizetype(byLetter.longest) || !isAsciiAlpha(*begin))
        return nullptr;
    const size_t l = size_t(asciiLower(*begin) - 'a');
    for (size_t i = byLetter.first[l]; i < byLetter.first[l + 1]; ++i) {
        if (spells(begin, end, byLetter.names[i]->name))
            return byLetter.names[i];
    }
    return nullptr;
}

// The names in foreign content where the page's markup is HTML again: start tags
// there open HTML elements (svg: foreignObject, desc, title; math: its text
// elements).
bool isIntegrationPoint(std::string_view lowerName) {
    return lowerName == "foreignobject"sv || lowerName == "desc"sv || lowerName == "title"sv ||
           lowerName == "mi"sv || lowerName == "mo"sv || lowerName == "mn"sv ||
           lowerName == "ms"sv || lowerName == "mtext"sv;
}

// An attribute value as bytes of the page; set even when empty.
struct Value {
    const char* begin = nullptr;
    const char* end = nullptr;
    bool set = false;
};

// Where a tag keeps the attributes the reader needs of it.
enum AttributeSlot {
    kCode = 0,
    kWidth = 1,
    kHeight = 2,
    kName = 0,
    kValue = 1,
    kAlign = 0,
    kEncoding = 0,
};

// A tag and the few attributes the reader needs of it (the first of a name
// counts, as in a browser).
struct Tag {
    const char* begin = nullptr; // its '<'
    const char* nameBegin = nullptr;
    const char* nameEnd = nullptr;
    const ElementName* name = nullptr;
    std::array<Value, 3> values; // by AttributeSlot
    bool selfClosing = false;    // "/>"
    bool fontLook = false;       // a <font> with a colour, face or size

    Element element() const { return name ? name->element : Element::Other; }
    bool has(ElementFlag flag) const { return name && (name->flags & flag); }

    std::string lowerName() const {
        std::string lower(nameBegin, nameEnd);
        for (char& c : lower)
            c = asciiLower(c);
        return lower;
    }

    void offer(const char* attributeBegin, const char* attributeEnd, const Value& value) {
        static constexpr std::array<std::string_view, 3> kApplet = {"code"sv, "width"sv,
                                                                    "height"sv};
        static constexpr std::array<std::string_view, 3> kParam = {"name"sv, "value"sv, ""sv};
        static constexpr std::array<std::string_view, 3> kAligned = {"align"sv, ""sv, ""sv};
        static constexpr std::array<std::string_view, 3> kOther = {"encoding"sv, ""sv, ""sv};
        const std::array<std::string_view, 3>* wanted = &kOther;
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
        case Element::Font:
            if (spells(attributeBegin, attributeEnd, "color"sv) ||
                spells(attributeBegin, attributeEnd, "face"sv) ||
                spells(attributeBegin, attributeEnd, "size"sv))
                fontLook = true;
            return;
        default:
            break;
        }
        for (size_t i = 0; i < wanted->size(); ++i) {
            if (!(*wanted)[i].empty() && !values[i].set &&
                spells(attributeBegin, attributeEnd, (*wanted)[i]))
                values[i] = value;
        }
    }
};

// An open block that says how to align: a <center>, or a <p> or <div> with an
// align attribute; `block` is its place in the stack of open blocks. Only these
// are kept beside the stack, which holds no more than each block's kind.
struct Aligner {
    size_t block;
    Element element;
    Value align;
};

// An open element of svg or math content, by the number of its name in lower
// case (names are numbered as they come, so deep content stays small).
struct ForeignElement {
    int name;
    bool integrationPoint; // HTML start tags inside it open HTML elements
};

// An open table outside the chosen applet: whether a cell (or caption) of it is
// open, the blocks that were open when that began, and the aligning block around
// the table.
struct OpenTable {
    bool inCell = false;
    size_t blocksAtCell = 0;
    std::array<int, 3> countsAtCell{}; // the open p, div and center then
    int aligning = -1;                 // the aligner around the table
};

// The public identifiers of the old document types that put a browser into
// quirks mode (where, among other things, a table does not end a paragraph).
constexpr std::string_view kQuirksPublicPrefixes[] = {
    "+//silmaril//dtd html pro v0r11 19970101//"sv,
    "-//as//dtd html 3.0 aswedit + extensions//"sv,
    "-//advasoft ltd//dtd html 3.0 aswedit + extensions//"sv,
    "-//ietf//dtd html 2.0 "sv,
    "-//ietf//dtd html 2.0//"sv,
    "-//ietf//dtd html 2.1e//"sv,
    "-//ietf//dtd html 3"sv,
    "-//ietf//dtd html level "sv,
    "-//ietf//dtd html strict"sv,
    "-//ietf//dtd html//"sv,
    "-//metrius//dtd metrius presentational//"sv,
    "-//microsoft//dtd internet explorer 2.0 "sv,
    "-//microsoft//dtd internet explorer 3.0 "sv,
    "-//netscape comm. corp.//dtd html//"sv,
    "-//netscape comm. corp.//dtd strict html//"sv,
    "-//o'reilly and associates//dtd html 2.0//"sv,
    "-//o'reilly and associates//dtd html extended 1.0//"sv,
    "-//o'reilly and associates//dtd html extended relaxed 1.0//"sv,
    "-//sq//dtd html 2.0 hotmetal + extensions//"sv,
    "-//softquad software//dtd hotmetal pro 6.0::19990601::extensions to html 4.0//"sv,
    "-//softquad//dtd hotmetal pro 4.0::19971010::extensions to html 4.0//"sv,
    "-//spyglass//dtd html 2.0 extended//"sv,
    "-//sun microsystems corp.//dtd hotjava html//"sv,
    "-//sun microsystems corp.//dtd hotjava strict html//"sv,
    "-//w3c//dtd html 3 1995-03-24//"sv,
    "-//w3c//dtd html 3.2"sv,
    "-//w3c//dtd html 4.0 frameset//"sv,
    "-//w3c//dtd html 4.0 transitional//"sv,
    "-//w3c//dtd html experimental 19960712//"sv,
    "-//w3c//dtd html experimental 970421//"sv,
    "-//w3c//dtd w3 html//"sv,
    "-//w3o//dtd w3 html 3.0//"sv,
    "-//webtechs//dtd mozilla html 2.0//"sv,
    "-//webtechs//dtd mozilla html//"sv,
};

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// Whether a document type puts the page into quirks mode: a name other than
// html, or one of the old public identifiers.
bool quirksDoctype(const std::string& name, const std::optional<std::string>& publicId,
                   const std::optional<std::string>& systemId) {
    if (name != "html")
        return true;
    if (systemId && *systemId == "http://www.ibm.com/data/dtd/v11/ibmxhtml1-transitional.dtd")
        return true;
    if (!publicId)
        return false;
    const std::string_view id = *publicId;
    if (id == "-//w3o//dtd w3 html strict 3.0//en//"sv ||
        id == "-/w3c/dtd html 4.0 transitional/en"sv || id == "html"sv)
        return true;
    for (std::string_view prefix : kQuirksPublicPrefixes) {
        if (startsWith(id, prefix))
            return true;
    }
    return !systemId && (startsWith(id, "-//w3c//dtd html 4.01 frameset//"sv) ||
                         startsWith(id, "-//w3c//dtd html 4.01 transitional//"sv));
}

// The first "<applet" in the bytes, in any case (none: nullptr).
const char* appletTagIn(const char* q, const char* end) {
    while (q < end) {
        const void* found = std::memchr(q, '<', size_t(end - q));
        if (!found)
            return nullptr;
        const char* lt = static_cast<const char*>(found);
        if (end - lt > 7 && spells(lt + 1, lt + 7, "applet"sv))
            return lt;
        q = lt + 1;
    }
    return nullptr;
}

// Reads a page in one pass from its start: every byte is looked at a bounded
// number of times, so the time follows the page's size whatever it holds.
class PageReader {
public:
    PageReader(QByteArrayView page, bool scripting, bool probe)
        : start_(page.data()), p_(start_), end_(start_ + page.size()), decoder_(page),
          scripting_(scripting), probe_(probe) {
        // A UTF-8 byte order mark is no text of the page (a doctype after it
        // still counts).
        if (end_ - p_ >= 3 && std::memcmp(p_, "\xEF\xBB\xBF", 3) == 0)
            p_ += 3;
    }

    ImportedApplet read() {
        while (p_ < end_) {
            const void* lt = std::memchr(p_, '<', size_t(end_ - p_));
            const char* const textEnd = lt ? static_cast<const char*>(lt) : end_;
            bodyText(p_, textEnd);
            if (!lt)
                break;
            p_ = textEnd;
            markup();
        }
        if (applet_.found && !applet_.closed)
            applet_.blockEnd = end_ - start_;
        return std::move(applet_);
    }

private:
    // Text between tags: anything but blanks is body content.
    void bodyText(const char* q, const char* end) {
        if (!framesetOk_ || q == end)
            return;
        for (; q < end; ++q) {
            if (!isHtmlSpace(*q)) {
                framesetOk_ = false;
                seenContent_ = true;
                return;
            }
        }
    }

    bool inForeign() const { return !foreign_.empty() && !foreign_.back().integrationPoint; }

    // Where a bar applet that a browser does not show as part of the page lies;
    // the first such place is kept to say why a page has none.
    void hidden(const QString& where) {
        if (!applet_.found && applet_.hiddenApplet.isEmpty())
            applet_.hiddenApplet = where;
    }

    // A stretch of text that the browser reads as no markup (a comment, a script):
    // a bar applet written in it is noted.
    // Only the first few applet tags in such text are looked at, which keeps
    // text full of unclosed ones from being read over and over.
    void skipped(const char* begin, const char* end, const QString& where) {
        while (!probe_ && !applet_.found && applet_.hiddenApplet.isEmpty() && probes_ > 0) {
            const char* const lt = appletTagIn(begin, end);
            if (!lt)
                return;
            --probes_;
            PageReader probe(QByteArrayView(lt, end - lt), scripting_, true);
            if (probe.barAppletTagFirst()) {
                hidden(where);
                return;
            }
            begin = lt + 1;
        }
    }

public:
    // Whether the text starts with the start tag of a bar applet.
    bool barAppletTagFirst() {
        Tag tag;
        return readTag(p_, p_ + 1, tag) && tag.element() == Element::Applet &&
               tag.values[kCode].set && isButtonBarCode(text(tag.values[kCode], true));
    }

private:
    // At a '<': a comment, a tag or just the character.
    void markup() {
        const char* const lt = p_;
        if (end_ - lt < 2) {
            bodyText(lt, end_);
            p_ = end_;
            return;
        }
        const char c = lt[1];
        if (c == '!') {
            if (end_ - lt >= 4 && lt[2] == '-' && lt[3] == '-') {
                p_ = commentEnd(lt + 4);
                skipped(lt + 4, p_, QStringLiteral("inside a comment"));
            } else if (inForeign() && end_ - lt >= 9 && std::memcmp(lt + 2, "[CDATA[", 7) == 0) {
                // Text in svg and math; elsewhere a bogus comment up to the next '>'.
                const char* const close = cdataEnd(lt + 9);
                skipped(lt + 9, close, QStringLiteral("inside a CDATA section"));
                p_ = close;
            } else {
                p_ = bogusCommentEnd(lt + 2);
                if (end_ - lt >= 9 && spells(lt + 2, lt + 9, "doctype"sv))
                    doctype(lt + 9, p_);
                else
                    skipped(lt + 2, p_, QStringLiteral("inside a comment"));
            }
        } else if (c == '?') {
            p_ = bogusCommentEnd(lt + 2);
            skipped(lt + 2, p_, QStringLiteral("inside a comment"));
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
            if (readTag(lt, lt + 1, tag)) {
                seenContent_ = true;
                startTag(tag);
            }
        } else {
            bodyText(lt, lt + 1);
            p_ = lt + 1;
        }
    }

    // After "<!DOCTYPE": its name and identifiers decide quirks mode, when it
    // comes before anything else.
    void doctype(const char* q, const char* end) {
        if (seenContent_)
            return;
        seenContent_ = true;
        if (end > q && end[-1] == '>')
            --end;
        const auto skipBlanks = [&] {
            while (q < end && isHtmlSpace(*q))
                ++q;
        };
        const auto word = [&] {
            std::string out;
            while (q < end && !isHtmlSpace(*q))
                out += asciiLower(*q++);
            return out;
        };
        const auto quoted = [&]() -> std::optional<std::string> {
            skipBlanks();
            if (q == end || (*q != '"' && *q != '\''))
                return std::nullopt;
            const char quote = *q++;
            std::string out;
            while (q < end && *q != quote)
                out += asciiLower(*q++);
            if (q == end)
                return std::nullopt;
            ++q;
            return out;
        };
        skipBlanks();
        const std::string name = word();
        skipBlanks();
        const std::string keyword = word();
        std::optional<std::string> publicId;
        std::optional<std::string> systemId;
        if (keyword == "public") {
            publicId = quoted();
            systemId = quoted();
        } else if (keyword == "system") {
            systemId = quoted();
        }
        quirks_ = name.empty() || quirksDoctype(name, publicId, systemId);
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

    // After "<![CDATA[": up to and with "]]>".
    const char* cdataEnd(const char* q) const {
        while (q < end_) {
            const void* found = std::memchr(q, ']', size_t(end_ - q));
            if (!found)
                return end_;
            const char* bracket = static_cast<const char*>(found);
            if (end_ - bracket >= 3 && bracket[1] == ']' && bracket[2] == '>')
                return bracket + 3;
            q = bracket + 1;
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
        tag.nameBegin = name;
        tag.nameEnd = q;
        tag.name = findElement(name, q);
        bool slash = false;
        for (;;) {
            while (q < end_ && (isHtmlSpace(*q) || *q == '/')) {
                slash = *q == '/';
                ++q;
            }
            if (q == end_)
                break;
            if (*q == '>') {
                tag.selfClosing = slash;
                p_ = q + 1;
                return true;
            }
            slash = false;
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

    // Whether an end tag of `name` starts at lt: "</name" and a blank, '/' or '>'.
    bool endTagAt(const char* lt, std::string_view name) const {
        const qsizetype after = 2 + qsizetype(name.size());
        return end_ - lt > after && lt[1] == '/' && spells(lt + 2, lt + after, name) &&
               (isHtmlSpace(lt[after]) || lt[after] == '/' || lt[after] == '>');
    }

    // Where the text of a raw text element ends: at its end tag, or at the end of
    // the page.
    const char* rawTextEnd(std::string_view name) const {
        const char* q = p_;
        while (q < end_) {
            const void* found = std::memchr(q, '<', size_t(end_ - q));
            if (!found)
                break;
            const char* lt = static_cast<const char*>(found);
            if (endTagAt(lt, name))
                return lt;
            q = lt + 1;
        }
        return end_;
    }

    // Where a script's text ends. After "<!--" the script is escaped, and a
    // "<script>" there makes "</script>" only leave that inner part, until
    // "-->" returns to plain script text; a browser reads it so.
    const char* scriptEnd() const {
        enum { Plain, Escaped, DoubleEscaped } state = Plain;
        int dashes = 0;
        const char* q = p_;
        const auto tagName = [&](const char* at) {
            const qsizetype after = 1 + 6;
            return end_ - at > after && spells(at + 1, at + after, "script"sv) &&
                   (isHtmlSpace(at[after]) || at[after] == '/' || at[after] == '>');
        };
        while (q < end_) {
            const char c = *q;
            if (state == Plain) {
                if (c == '<') {
                    if (endTagAt(q, "script"sv))
                        return q;
                    if (end_ - q >= 4 && q[1] == '!' && q[2] == '-' && q[3] == '-') {
                        state = Escaped;
                        dashes = 2;
                        q += 4;
                        continue;
                    }
                }
                ++q;
                continue;
            }
            if (c == '-') {
                dashes = std::min(dashes + 1, 2);
                ++q;
                continue;
            }
            if (c == '>' && dashes == 2) {
                state = Plain;
            } else if (c == '<') {
                if (state == Escaped && endTagAt(q, "script"sv))
                    return q;
                if (state == Escaped && tagName(q)) {
                    state = DoubleEscaped;
                    q += 8;
                    dashes = 0;
                    continue;
                }
                if (state == DoubleEscaped && q + 1 < end_ && q[1] == '/' && tagName(q + 1)) {
                    state = Escaped;
                    q += 9;
                    dashes = 0;
                    continue;
                }
            }
            dashes = 0;
            ++q;
        }
        return end_;
    }

    QString text(const Value& value, bool inAttribute) const {
        const size_t size = size_t(value.end - value.begin);
        QString decoded = decoder_.decode(value.begin, qsizetype(size));
        // What references resolve also rewrites carriage returns and NULs; none of
        // the three comes from any other byte, so most values need no second look.
        if (!std::memchr(value.begin, '&', size) && !std::memchr(value.begin, '\r', size) &&
            !std::memchr(value.begin, '\0', size))
            return decoded;
        return resolveCharacterReferences(std::move(decoded), inAttribute);
    }

    // A start tag in svg or math content that is neither a way out nor HTML.
    void foreignStartTag(const Tag& tag) {
        if (tag.element() == Element::Applet && tag.values[kCode].set &&
            isButtonBarCode(text(tag.values[kCode], true)))
            hidden(foreignRoot_);
        if (tag.selfClosing)
            return;
        std::string name = tag.lowerName();
        bool integration = isIntegrationPoint(name);
        if (name == "annotation-xml" && tag.values[kEncoding].set) {
            const QString encoding = text(tag.values[kEncoding], true);
            integration =
                encoding.compare(QLatin1String("text/html"), Qt::CaseInsensitive) == 0 ||
                encoding.compare(QLatin1String("application/xhtml+xml"), Qt::CaseInsensitive) == 0;
        }
        pushForeign(std::move(name), integration);
    }

    void pushForeign(std::string name, bool integrationPoint) {
        const auto number = nameNumbers_.try_emplace(std::move(name), int(openByName_.size()));
        if (number.second)
            openByName_.push_back(0);
        const int id = number.first->second;
        ++openByName_[size_t(id)];
        integrationPoints_ += integrationPoint ? 1 : 0;
        foreign_.push_back({id, integrationPoint});
    }

    void popForeign() {
        --openByName_[size_t(foreign_.back().name)];
        integrationPoints_ -= foreign_.back().integrationPoint ? 1 : 0;
        foreign_.pop_back();
    }

    // The number of a name when an element of that name is open (-1: none).
    int openForeign(const std::string& name) const {
        const auto number = nameNumbers_.find(name);
        return number != nameNumbers_.end() && openByName_[size_t(number->second)] > 0
                   ? number->second
                   : -1;
    }

    // Leaves foreign content for the HTML around it: up to the nearest element
    // where HTML goes on, or out of it whole.
    void breakOut() {
        while (inForeign())
            popForeign();
    }

    void startTag(const Tag& tag) {
        if (tag.has(kNoFrameset))
            framesetOk_ = false;
        if (inForeign()) {
            if (tag.has(kBreaksOut) || (tag.element() == Element::Font && tag.fontLook)) {
                breakOut();
            } else {
                foreignStartTag(tag);
                return;
            }
        }
        const bool shown = templates_ == 0 && foreign_.empty();
        switch (tag.element()) {
        case Element::Applet: {
            const bool bar =
                tag.values[kCode].set && isButtonBarCode(text(tag.values[kCode], true));
            if (!shown) {
                if (bar)
                    hidden(templates_ > 0 ? QStringLiteral("inside <template>") : foreignRoot_);
            } else if (frameset_) {
                if (bar)
                    hidden(QStringLiteral("in a frameset page"));
            } else if (depth_ > 0) {
                ++depth_; // nested in the chosen applet
                if (bar)
                    ++applet_.otherApplets;
            } else if (bar) {
                if (!applet_.found)
                    choose(tag);
                else if (fosteredBeforeChosen())
                    chooseInstead(tag);
                else
                    ++applet_.otherApplets;
            }
            break;
        }
        case Element::Param:
            if (depth_ == 1 && shown && tag.values[kName].set) {
                applet_.params.append(
                    {text(tag.values[kName], true),
                     tag.values[kValue].set ? text(tag.values[kValue], true) : QString()});
            }
            break;
        case Element::P:
        case Element::Div:
        case Element::Center:
            if (!applet_.found && shown) {
                close(Element::P);
                open(tag.element(), tag.values[kAlign]);
            }
            break;
        case Element::Title: {
            const char* const textEnd = rawTextEnd("title"sv);
            if (!applet_.title && shown && !probe_)
                applet_.title = tidyTitle(text(Value{p_, textEnd, true}, false));
            skipped(p_, textEnd, QStringLiteral("inside <title>"));
            p_ = textEnd;
            break;
        }
        case Element::TextArea: {
            const char* const textEnd = rawTextEnd("textarea"sv);
            skipped(p_, textEnd, QStringLiteral("inside <textarea>"));
            p_ = textEnd;
            break;
        }
        case Element::RawText: {
            const char* const textEnd = rawTextEnd(tag.name->name);
            skipped(
                p_, textEnd,
                QStringLiteral("inside <%1>")
                    .arg(QLatin1String(tag.name->name.data(), qsizetype(tag.name->name.size()))));
            p_ = textEnd;
            break;
        }
        case Element::Script: {
            const char* const textEnd = scriptEnd();
            skipped(p_, textEnd, QStringLiteral("inside <script>"));
            p_ = textEnd;
            break;
        }
        case Element::NoScript:
            if (scripting_) {
                const char* const textEnd = rawTextEnd("noscript"sv);
                skipped(p_, textEnd, QStringLiteral("inside <noscript>"));
                p_ = textEnd;
            }
            break;
        case Element::PlainText:
            skipped(p_, end_, QStringLiteral("inside <plaintext>"));
            p_ = end_;
            break;
        case Element::Svg:
        case Element::Math:
            if (!tag.selfClosing) {
                foreignRoot_ = tag.element() == Element::Svg ? QStringLiteral("inside <svg>")
                                                             : QStringLiteral("inside <math>");
                pushForeign(std::string(tag.name->name), false);
            }
            break;
        case Element::Template:
            ++templates_;
            break;
        case Element::Frameset:
            if (framesetOk_ && shown && !applet_.found)
                frameset_ = true;
            break;
        case Element::Table:
            if (shown)
                openTable();
            break;
        case Element::Cell:
        case Element::Caption:
        case Element::TableSection:
            if (shown)
                tableStructure(tag, tag.element() != Element::TableSection);
            break;
        case Element::Head:
        case Element::Body:
        case Element::Font:
        case Element::Other:
            break;
        }
        if (tag.has(kClosesP) && !applet_.found && shown)
            close(Element::P);
    }

    void endTag(const Tag& tag) {
        if (!foreign_.empty()) {
            const std::string name = tag.lowerName();
            if (inForeign() && (name == "p"sv || name == "br"sv)) {
                breakOut();
            } else if (const int open = openForeign(name); open >= 0) {
                while (foreign_.back().name != open)
                    popForeign();
                popForeign();
                return;
            } else if (integrationPoints_ == 0 && closesOpenHtml(tag)) {
                while (!foreign_.empty())
                    popForeign();
            } else {
                return;
            }
        }
        const bool shown = templates_ == 0;
        switch (tag.element()) {
        case Element::Applet:
            if (shown && depth_ > 0 && nestedTables_ == 0 && --depth_ == 0)
                closeApplet(p_);
            break;
        case Element::Head:
            if (applet_.headEnd < 0)
                applet_.headEnd = tag.begin - start_;
            break;
        case Element::P:
        case Element::Div:
        case Element::Center:
            if (!applet_.found && shown)
                close(tag.element());
            break;
        case Element::Template:
            if (templates_ > 0)
                --templates_;
            break;
        case Element::Table:
            if (!shown)
                break;
            if (depth_ > 0 && nestedTables_ > 0) {
                --nestedTables_;
                break;
            }
            endOfCell(tag);
            if (!tables_.empty())
                closeTable();
            break;
        case Element::Cell:
        case Element::Caption:
        case Element::TableSection:
            if (shown)
                endOfCell(tag);
            break;
        default:
            break;
        }
    }

    // Whether an end tag met in foreign content closes an HTML element open
    // around it (which closes the foreign content too).
    bool closesOpenHtml(const Tag& tag) const {
        switch (tag.element()) {
        case Element::Applet:
            return depth_ > 0;
        case Element::P:
        case Element::Div:
        case Element::Center:
            return !applet_.found && openCount(tag.element()) > 0;
        case Element::Template:
            return templates_ > 0;
        case Element::Table:
        case Element::Cell:
        case Element::Caption:
        case Element::TableSection:
            return !tables_.empty() || (depth_ > 0 && appletInTable_);
        default:
            return false;
        }
    }

    // --- Tables --------------------------------------------------------------

    void openTable() {
        if (depth_ > 0) {
            ++nestedTables_; // inside the chosen applet
            return;
        }
        if (!quirks_ && !applet_.found)
            close(Element::P);
        tables_.push_back({false, blocks_.size(), {openP_, openDiv_, openCenter_}, aligning()});
    }

    void closeTable() {
        if (tables_.back().inCell && !applet_.found)
            closeBlocksFrom(tables_.back().blocksAtCell);
        tables_.pop_back();
        lowestTable_ = std::min(lowestTable_, tables_.size());
    }

    // A cell, caption or row start tag.
    void tableStructure(const Tag& tag, bool opensCell) {
        if (depth_ > 0) {
            if (nestedTables_ == 0 && appletInTable_)
                closeApplet(tag.begin); // the cell around the applet ends it
            else
                return;
        }
        if (tables_.empty())
            return;
        OpenTable& table = tables_.back();
        if (table.inCell && !applet_.found)
            closeBlocksFrom(table.blocksAtCell);
        table.inCell = opensCell;
        table.blocksAtCell = blocks_.size();
        table.countsAtCell = {openP_, openDiv_, openCenter_};
    }

    // An end tag of a cell, caption, row or table.
    void endOfCell(const Tag& tag) {
        if (depth_ > 0) {
            if (nestedTables_ == 0 && appletInTable_)
                closeApplet(tag.begin);
            else
                return;
        }
        if (tables_.empty())
            return;
        OpenTable& table = tables_.back();
        if (table.inCell && tag.element() != Element::Table && !applet_.found)
            closeBlocksFrom(table.blocksAtCell);
        if (tag.element() != Element::Table)
            table.inCell = false;
    }

    // A bar applet right inside a table, outside its cells, is moved before the
    // table: when that table holds the chosen applet, this one comes first.
    bool fosteredBeforeChosen() const {
        return depth_ == 0 && templates_ == 0 && !tables_.empty() && !tables_.back().inCell &&
               tables_.size() <= lowestTable_ && tables_.size() <= chosenTables_;
    }

    // --- The chosen applet -------------------------------------------------------

    void closeApplet(const char* end) {
        applet_.closed = true;
        applet_.blockEnd = end - start_;
        depth_ = 0;
        nestedTables_ = 0;
    }

    void choose(const Tag& tag) {
        applet_.found = true;
        applet_.hiddenApplet.clear();
        applet_.blockBegin = tag.begin - start_;
        if (tag.values[kWidth].set)
            applet_.width = text(tag.values[kWidth], true);
        if (tag.values[kHeight].set)
            applet_.height = text(tag.values[kHeight], true);
        // The nearest enclosing block that says how to align wins; an applet moved
        // out of a table stands in the table's place.
        const bool fostered = !tables_.empty() && !tables_.back().inCell;
        setAlignment(fostered ? tables_.back().aligning : aligning());
        appletInTable_ = !tables_.empty();
        chosenTables_ = fostered ? tables_.size() - 1 : tables_.size();
        lowestTable_ = tables_.size();
        depth_ = 1;
    }

    // The applet moved before a table that holds the one chosen so far.
    void chooseInstead(const Tag& tag) {
        ++applet_.otherApplets;
        applet_.closed = false;
        applet_.params.clear();
        applet_.width.reset();
        applet_.height.reset();
        applet_.alignment.reset();
        choose(tag);
    }

    void setAlignment(int index) {
        if (index < 0)
            return;
        const Aligner& aligner = aligners_.at(size_t(index));
        applet_.alignment = aligner.element == Element::Center ? QStringLiteral("center")
                                                               : text(aligner.align, true);
    }

    // The innermost open block that says how to align, as an index into the
    // aligners (-1: none).
    int aligning() const { return int(aligners_.size()) - 1; }

    static size_t countIndex(Element element) {
        return element == Element::P ? 0 : element == Element::Div ? 1 : 2;
    }

    int openCount(Element element) const {
        return element == Element::P ? openP_ : element == Element::Div ? openDiv_ : openCenter_;
    }

    int& openCount(Element element) {
        return element == Element::P ? openP_ : element == Element::Div ? openDiv_ : openCenter_;
    }

    void open(Element element, const Value& align) {
        if (element == Element::Center || align.set)
            aligners_.push_back({blocks_.size(), element, align});
        blocks_.push_back(element);
        ++openCount(element);
    }

    // Closes the innermost open block of this kind and all opened after it, but
    // none opened before the innermost open table cell; the counts keep a close
    // of something not open from searching.
    void close(Element element) {
        size_t floor = 0;
        int openBelow = 0;
        if (!tables_.empty()) {
            const OpenTable& table = tables_.back();
            floor = table.inCell ? table.blocksAtCell : blocks_.size();
            openBelow = table.inCell ? table.countsAtCell[countIndex(element)] : openCount(element);
        }
        if (openCount(element) <= openBelow)
            return;
        for (size_t i = blocks_.size(); i > floor; --i) {
            if (blocks_[i - 1] == element) {
                closeBlocksFrom(i - 1);
                return;
            }
        }
    }

    void closeBlocksFrom(size_t index) {
        while (blocks_.size() > index) {
            --openCount(blocks_.back());
            blocks_.pop_back();
        }
        while (!aligners_.empty() && aligners_.back().block >= index)
            aligners_.pop_back();
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
    const bool scripting_; // <noscript> is text, as where script runs
    const bool probe_;     // only looking into skipped text for an applet
    int probes_ = 16;      // applet tags in skipped text still to look at
    ImportedApplet applet_;
    std::vector<Element> blocks_;   // the open <p>, <div> and <center>, innermost last
    std::vector<Aligner> aligners_; // those of them that say how to align
    int openP_ = 0;
    int openDiv_ = 0;
    int openCenter_ = 0;
    int depth_ = 0; // inside the chosen applet: 1 + the applets nested where we stand
    std::vector<ForeignElement> foreign_;
    std::unordered_map<std::string, int> nameNumbers_; // foreign names as numbers
    std::vector<int> openByName_;                      // how many of each are open
    int integrationPoints_ = 0;                        // of them, where HTML goes on
    QString foreignRoot_;                              // where svg or math content began
    int templates_ = 0;                                // <template> elements open
    bool quirks_ = true;                               // until a doctype says otherwise
    bool seenContent_ = false;                         // a doctype after content counts for nothing
    bool framesetOk_ = true;                           // no body content yet
    bool frameset_ = false;                            // a frameset replaces the body
    std::vector<OpenTable> tables_;                    // open tables outside the chosen applet
    bool appletInTable_ = false; // the chosen applet stands in a table or its cell
    int nestedTables_ = 0;       // tables open inside the chosen applet
    size_t chosenTables_ = 0;    // the tables around the chosen applet (in a cell)
    size_t lowestTable_ = 0;     // the fewest tables open since the applet was chosen
};

} // namespace

bool isButtonBarCode(QStringView code) {
    code = code.trimmed();
    const qsizetype slash = std::max(code.lastIndexOf(u'/'), code.lastIndexOf(u'\\'));
    const QStringView name = code.mid(slash + 1);
    return name.compare(QLatin1String("button.class"), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String("button"), Qt::CaseInsensitive) == 0;
}

ImportedApplet readAppletPage(QByteArrayView page, PageScripting scripting) {
    // A page in UTF-16 (its byte order mark first) is read from its UTF-8 form;
    // its places then lie in that form, not in the page's bytes.
    if (page.size() >= 2 && ((uchar(page[0]) == 0xFF && uchar(page[1]) == 0xFE) ||
                             (uchar(page[0]) == 0xFE && uchar(page[1]) == 0xFF))) {
        const bool little = uchar(page[0]) == 0xFF;
        QString decoded;
        decoded.reserve((page.size() - 2) / 2);
        for (qsizetype i = 2; i + 1 < page.size(); i += 2) {
            const char16_t low = uchar(page[little ? i : i + 1]);
            const char16_t high = uchar(page[little ? i + 1 : i]);
            decoded += QChar(char16_t(high << 8 | low));
        }
        const QByteArray utf8 = decoded.toUtf8();
        ImportedApplet applet = readAppletPage(utf8, scripting);
        applet.utf16 = true;
        return applet;
    }
    return PageReader(page, scripting == PageScripting::On, false).read();
}

} // namespace brivane
