#include "model/page_reader.h"

#include "model/settings_file.h"

#include <array>
#include <cstring>
#include <string_view>
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
        return resolveCharacterReferences(decoder_.decode(value.begin, value.end - value.begin),
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

} // namespace brivane
