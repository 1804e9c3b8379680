#include "model/web_page.h"

#include "model/atomic_file_writer.h"
#include "model/bar_look.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <array>
#include <cstring>
#include <string_view>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace brivane {

namespace {

// The most bytes one UTF-16 unit of a text can become: three UTF-8 bytes, each
// as "%XX" in an address.
constexpr qsizetype kMaxBytesPerUnit = 9;

// The controls a page may not hold (NUL among them, which browsers read as
// U+FFFD anyway, and which would cut the text short in many tools): all C0
// controls but the blanks (tab, line feed, form feed, carriage return), DEL and
// the C1 controls. In text they become U+FFFD; in an address they are
// percent-encoded like every other byte outside the URI syntax.
constexpr bool isForbiddenControl(char32_t c) {
    return (c < 0x20 && c != 0x09 && c != 0x0A && c != 0x0C && c != 0x0D) ||
           (c >= 0x7F && c <= 0x9F);
}

// The code points Unicode keeps out of interchange, which a page may not hold.
constexpr bool isNoncharacter(char32_t c) {
    return (c >= 0xFDD0 && c <= 0xFDEF) || (c & 0xFFFE) == 0xFFFE;
}

// The ASCII characters that go into the page as they are: all but & < > " in
// text; in an address also not blanks and controls, the backslash and the
// characters outside the URI syntax (` { } | ^ [ ]), which browsers would
// percent-encode themselves.
template <bool Address> constexpr std::array<bool, 128> plainAscii() {
    std::array<bool, 128> plain{};
    for (int c = 0; c < 128; ++c) {
        plain[c] = c != '&' && c != '<' && c != '>' && c != '"' && !isForbiddenControl(char32_t(c));
        if (Address && (c <= 0x20 || c == 0x7F || c == '\\' || c == '`' || c == '{' || c == '}' ||
                        c == '|' || c == '^' || c == '[' || c == ']'))
            plain[c] = false;
    }
    return plain;
}

template <std::size_t N> char* copy(char* out, const char (&text)[N]) {
    std::memcpy(out, text, N - 1);
    return out + N - 1;
}

char* percent(char* out, unsigned byte) {
    static const char digits[] = "0123456789ABCDEF";
    *out++ = '%';
    *out++ = digits[byte >> 4];
    *out++ = digits[byte & 0xF];
    return out;
}

#ifdef __SSE2__
// Copies the plain ASCII units from `in` on, eight at a time: most of any text is
// plain, and a bar's texts are megabytes. Gives where the run ends. (Units that
// are plain only in text, tabs and line breaks, are left to the caller.)
template <bool Address>
const char16_t* plainRun(const char16_t* in, const char16_t* end, char*& out) {
    const auto is = [](__m128i units, short c) {
        return _mm_cmpeq_epi16(units, _mm_set1_epi16(c));
    };
    const auto within = [](__m128i units, short first, short last) {
        return _mm_and_si128(_mm_cmpgt_epi16(units, _mm_set1_epi16(short(first - 1))),
                             _mm_cmpgt_epi16(_mm_set1_epi16(short(last + 1)), units));
    };
    const auto plain = [&](__m128i units) {
        // Signed compares: units from 0x8000 on count as below the range.
        __m128i bad = _mm_or_si128(_mm_cmpgt_epi16(_mm_set1_epi16(Address ? 0x21 : 0x20), units),
                                   _mm_cmpgt_epi16(units, _mm_set1_epi16(0x7E)));
        bad = _mm_or_si128(bad, _mm_or_si128(_mm_or_si128(is(units, '"'), is(units, '&')),
                                             _mm_or_si128(is(units, '<'), is(units, '>'))));
        if constexpr (Address) // [ \ ] ^, `, { | }
            bad = _mm_or_si128(bad,
                               _mm_or_si128(_mm_or_si128(within(units, '[', '^'), is(units, '`')),
                                            within(units, '{', '}')));
        return _mm_movemask_epi8(bad) == 0;
    };
    const char16_t* const start = in;
    while (end - in >= 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in));
        if (!plain(units))
            return in;
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(units, units));
        in += 8;
        out += 8;
    }
    // The last few units: the eight that end the text, when the run already
    // holds those before them (their bytes are written again, the same).
    const qsizetype left = end - in;
    if (left > 0 && in - start >= 8 - left) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(end - 8));
        if (plain(units)) {
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out - (8 - left)),
                             _mm_packus_epi16(units, units));
            out += left;
            return end;
        }
    }
    return in;
}
#else
template <bool Address> const char16_t* plainRun(const char16_t* in, const char16_t*, char*&) {
    return in;
}
#endif

// Writes `text` escaped for where it stands; `out` has room for
// kMaxBytesPerUnit bytes a unit. A carriage return kept as it is (text may hold
// one; an address percent-encodes it) sets `carriageReturn`.
template <bool Address> char* escape(char* out, QStringView text, bool* carriageReturn = nullptr) {
    static constexpr std::array<bool, 128> plain = plainAscii<Address>();
    const char16_t* in = text.utf16();
    const char16_t* const end = in + text.size();
    while (in != end) {
        in = plainRun<Address>(in, end, out);
        if (in == end)
            break;
        const char16_t c = *in++;
        if (c < 0x80) {
            if (plain[c]) {
                *out++ = char(c);
                if (c == u'\r' && carriageReturn)
                    *carriageReturn = true;
            } else if (c == u'&')
                out = copy(out, "&amp;");
            else if (Address && c == u'\\')
                *out++ = '/'; // as browsers read it
            else if (Address)
                out = percent(out, c);
            else if (isForbiddenControl(c))
                out = copy(out, "\xEF\xBF\xBD"); // U+FFFD
            else if (c == u'<')
                out = copy(out, "&lt;");
            else if (c == u'>')
                out = copy(out, "&gt;");
            else
                out = copy(out, "&quot;");
            continue;
        }
        char32_t code = c;
        if (QChar::isHighSurrogate(c) && in != end && QChar::isLowSurrogate(*in))
            code = QChar::surrogateToUcs4(c, *in++);
        else if (QChar::isSurrogate(c))
            code = 0xFFFD;
        if (!Address && (isForbiddenControl(code) || isNoncharacter(code)))
            code = 0xFFFD;
        unsigned char bytes[4];
        int count = 0;
        if (code < 0x800) {
            bytes[count++] = 0xC0 | (code >> 6);
        } else if (code < 0x10000) {
            bytes[count++] = 0xE0 | (code >> 12);
            bytes[count++] = 0x80 | ((code >> 6) & 0x3F);
        } else {
            bytes[count++] = 0xF0 | (code >> 18);
            bytes[count++] = 0x80 | ((code >> 12) & 0x3F);
            bytes[count++] = 0x80 | ((code >> 6) & 0x3F);
        }
        bytes[count++] = 0x80 | (code & 0x3F);
        for (int i = 0; i < count; ++i) {
            if (Address)
                out = percent(out, bytes[i]);
            else
                *out++ = char(bytes[i]);
        }
    }
    return out;
}

// The page's bytes in one buffer that grows rarely: each piece asks for room
// once and is written straight in.
class PageBuffer {
public:
    explicit PageBuffer(qsizetype capacity) : bytes_(capacity, Qt::Uninitialized) {}

    char* room(qsizetype size) {
        if (bytes_.size() - used_ < size)
            bytes_.resize(std::max(bytes_.size() * 2, used_ + size));
        return bytes_.data() + used_;
    }
    void advance(const char* end) { used_ = end - bytes_.constData(); }
    void put(QByteArrayView bytes) {
        std::memcpy(room(bytes.size()), bytes.data(), size_t(bytes.size()));
        used_ += bytes.size();
    }
    template <bool Address> void putEscaped(QStringView text) {
        advance(escape<Address>(room(text.size() * kMaxBytesPerUnit), text));
    }
    qsizetype size() const { return used_; }
    QByteArray take() {
        bytes_.truncate(used_);
        return std::move(bytes_);
    }

    // Where each CR LF of the bytes stands, as linesOf finds them: the tab shows
    // the part's lines, and noting them while building saves searching
    // megabytes again. Notes the pairs among the bytes put since the last note.
    void noteLineEnds() {
        appendLineEnds(QByteArrayView(bytes_.constData(), used_), noted_, lineEnds_);
        noted_ = used_;
    }
    // The same where the bytes put since the last note hold one CR, the CR LF
    // they end with.
    void noteLineEnd() {
        lineEnds_.append(used_ - 2);
        noted_ = used_;
    }
    void reserveLineEnds(qsizetype count) { lineEnds_.reserve(count); }
    QList<qsizetype> takeLineEnds() { return std::move(lineEnds_); }

private:
    QByteArray bytes_;
    qsizetype used_ = 0;
    qsizetype noted_ = 0;
    QList<qsizetype> lineEnds_;
};

QByteArray px(qint64 value) {
    return QByteArray::number(value) + "px";
}

QByteArray colour(LookColour c) {
    return c.css().toLatin1();
}

// The rings as box-shadows, ring 1 first, each ring's top/left L before its
// bottom/right L (see the header). Rings that come out in the face colour on
// all sides are left out only at the inside end: a shadow further in would
// otherwise show through where they were.
QByteArray ringShadows(const BarLook& look, bool down) {
    int drawn = look.rings;
    while (drawn > 0 && look.ring(drawn, down).topLeft == look.face &&
           look.ring(drawn, down).bottomRight == look.face)
        --drawn;
    if (drawn == 0)
        return "none";
    QByteArray shadows;
    shadows.reserve(drawn * 48);
    for (int k = 1; k <= drawn; ++k) {
        const RingColours ring = look.ring(k, down);
        const QByteArray n = QByteArray::number(k);
        if (k > 1)
            shadows += ',';
        shadows += "inset " + n + "px " + n + "px 0 0 " + colour(ring.topLeft) + ",inset -" + n +
                   "px -" + n + "px 0 0 " + colour(ring.bottomRight);
    }
    return shadows;
}

// The family the look names first, then faces with the same metrics that other
// systems have, then the generic family.
QByteArray fontStack(const LookFont& font) {
    const char* equivalents = "\"Times New Roman\",Times";
    if (font.kind == FontKind::SansSerif)
        equivalents = "Arial,Helvetica";
    else if (font.kind == FontKind::Monospace)
        equivalents = "\"Courier New\",Courier";
    return '"' + font.family.toLatin1() + "\"," + equivalents + ',' + font.genericFamily.toLatin1();
}

// True when a title is the page's own: not empty and not the start-up "untitled".
bool hasOwnTitle(const QString& title) {
    const QString trimmed = title.trimmed();
    return !trimmed.isEmpty() && trimmed.compare(QLatin1String("untitled"), Qt::CaseInsensitive);
}

// Leading and trailing blanks and control characters dropped.
QStringView trimmedLink(const QString& link) {
    qsizetype begin = 0;
    qsizetype end = link.size();
    while (begin < end && link.at(begin).unicode() <= 0x20)
        ++begin;
    while (end > begin && link.at(end - 1).unicode() <= 0x20)
        --end;
    return QStringView(link).sliced(begin, end - begin);
}

// A link as browsers read it before resolving it: leading and trailing blanks
// and control characters dropped, tabs and line breaks inside removed, a
// backslash read as a slash.
QString linkAsRead(const QString& link) {
    const QStringView kept = trimmedLink(link);
    QString read;
    read.reserve(kept.size());
    for (const QChar c : kept) {
        if (c == u'\t' || c == u'\n' || c == u'\r')
            continue;
        read.append(c == u'\\' ? QChar(u'/') : c);
    }
    return read;
}

// The page a bar stands in, and which of its links name that page.
class CurrentPage {
public:
    explicit CurrentPage(const QString& pagePath) {
        if (pagePath.isEmpty())
            return;
        const QFileInfo info(pagePath);
        path_ = QDir::cleanPath(info.absoluteFilePath());
        fileName_ = info.fileName();
        folder_ = QDir::cleanPath(info.absolutePath());
        folderName_ = QFileInfo(folder_).fileName();
        index_ = fileName_ == QLatin1String("index.html");
        base_ = QUrl::fromLocalFile(path_);
    }

    // A link names the page when, resolved against the page's folder, it is
    // the page's file; query and fragment aside, and a folder standing for its
    // index.html.
    bool isNamedBy(const QString& link) const {
        if (path_.isEmpty() || link.isEmpty())
            return false;
        // Most links hold nothing a browser drops or turns: those are looked at
        // where they stand, in one pass. The others are read as a browser reads
        // them first.
        QStringView read = trimmedLink(link);
        bool readAsItStands = true;
        if (!mayName(read, &readAsItStands) && readAsItStands)
            return false;
        QString changed;
        if (!readAsItStands) {
            changed = linkAsRead(link);
            read = changed;
            if (!mayName(read, nullptr))
                return false;
        }
        if (read.isEmpty())
            return false;
        const QUrl target = base_.resolved(QUrl(read.toString(), QUrl::TolerantMode));
        if (!target.isLocalFile() || !target.host().isEmpty())
            return false;
        const QString path = target.toLocalFile();
        if (path.endsWith(u'/'))
            return index_ && QDir::cleanPath(path) == folder_;
        const QString clean = QDir::cleanPath(path);
        return clean == path_ || (index_ && clean == folder_);
    }

private:
    // Most links in a bar name other pages, and resolving is slow: a link
    // whose last path segment plainly names another file is passed over. With
    // `asItStands`, a link holding what a browser would drop or turn (a tab, a
    // line break, a backslash) sets it false instead, and its answer does not count.
    bool mayName(QStringView read, bool* asItStands) const {
        // One pass to the query or fragment: where the last segment begins, and
        // whether it holds a '%'. The characters that matter are all below '@'
        // but the backslash, so one test passes over most characters.
        constexpr quint64 kMarks = 1ull << '#' | 1ull << '%' | 1ull << '/' | 1ull << '?';
        constexpr quint64 kTurned = 1ull << '\t' | 1ull << '\n' | 1ull << '\r';
        const char16_t* const begin = read.utf16();
        const char16_t* const stop = begin + read.size();
        const char16_t* end = begin;
        const char16_t* segment = begin;
        bool percent = false;
        for (; end != stop; ++end) {
            const char16_t c = *end;
            if (asItStands && (c == u'\\' || (c < 64 && ((kTurned >> c) & 1)))) {
                *asItStands = false;
                return true;
            }
            if (c >= 64 || !((kMarks >> c) & 1))
                continue;
            if (c == u'?' || c == u'#')
                break;
            if (c == u'/') {
                segment = end + 1;
                percent = false;
            } else {
                percent = true;
            }
        }
        const QStringView last(segment, end);
        // The lengths first: comparing strings is a call each.
        if (last.size() <= 2 && (last.isEmpty() || last == u"." || last == u".."))
            return true;
        if (percent)
            return true;
        return (last.size() == fileName_.size() && last == fileName_) ||
               (index_ && last.size() == folderName_.size() && last == folderName_);
    }

    QString path_;
    QString fileName_;
    QString folder_;
    QString folderName_;
    bool index_ = false;
    QUrl base_;
};

// The bar's rules, one a line, without the <style> element around them. `bar`
// is the selector of the bar element; its one child is the list, the list's
// children the items, each holding one button.
QByteArray barRules(const BarLook& look, const QByteArray& bar) {
    const QByteArray button = bar + " a";
    const QByteArray content = button + ">span>*";
    const QRect face = look.faceRect();
    QByteArray font;
    if (look.font.italic)
        font += "italic ";
    if (look.font.bold)
        font += "bold ";
    font += px(look.font.pixelSize) + ' ' + fontStack(look.font);
    const char* justify = look.align == ContentAlign::Left    ? "flex-start"
                          : look.align == ContentAlign::Right ? "flex-end"
                                                              : "center";
    // The button of the page the visitor is on stays down, whatever the pointer does.
    const QByteArray current = button + "[aria-current]";
    QByteArray down = button + ":active," + current;
    QByteArray downContent = button + ":active>span>*," + current + ">span>*";
    if (look.downOnHover) {
        down = button + ":hover," + down;
        downContent = button + ":hover>span>*," + downContent;
    }

    QByteArray rules;
    // The bar is as wide as its buttons wherever there is room for them; where
    // there is not (a phone, a narrow column), it takes the room there is and
    // the row wraps, so no visitor has to scroll sideways to reach a button.
    rules += bar + "{display:inline-block;vertical-align:top;box-sizing:content-box;max-width:100%;"
                   "margin:0;padding:0;border:0}\r\n";
    rules += bar + ">*{display:flex;flex-direction:" + (look.vertical ? "column" : "row") +
             ";flex-wrap:wrap;box-sizing:content-box;width:" + px(look.barWidth()) +
             ";max-width:100%;margin:0;padding:0;border:0;list-style:none}\r\n";
    rules += bar + ">*>*{display:block;flex:none;max-width:100%;margin:0;padding:0;border:0}\r\n";
    // A button wider than the room shrinks to it; its face clips the content.
    rules += button + "{position:relative;display:block;box-sizing:border-box;width:" +
             px(look.buttonWidth) + ";height:" + px(look.buttonHeight) +
             ";max-width:100%;margin:0;padding:0;border:0;background:" + colour(look.face) +
             ";box-shadow:" + ringShadows(look, false) + ";color:" + colour(look.fontColour) +
             ";font:" + font +
             ";letter-spacing:normal;word-spacing:normal;text-decoration:none;"
             "text-transform:none;text-shadow:none;outline:none}\r\n";
    // The face clips the content; the content row sits on it per the position code.
    rules += button + ">span{position:absolute;left:" + px(face.left()) + ";top:" + px(face.top()) +
             ";width:" + px(face.width()) + ";max-width:calc(100% - " + px(2 * look.rings) +
             ");height:" + px(face.height()) +
             ";display:flex;align-items:center;justify-content:" + justify +
             ";gap:" + px(look.offset) + ";overflow:hidden}\r\n";
    // Centring may leave half a pixel; browsers round that half down the page
    // and to the right, the look rounds it up and to the left. A tenth of a
    // pixel up and left makes the browsers' rounding agree, and changes nothing
    // where the position is whole.
    rules += content + "{position:relative;left:-0.1px;top:-0.1px;flex:none;display:block;"
                       "margin:0;padding:0;border:0;max-width:none;width:auto;height:auto;"
                       "white-space:pre}\r\n";
    if (look.align == ContentAlign::Left)
        rules += button + ">span>:first-child{margin-left:" + px(look.offset) + "}\r\n";
    else if (look.align == ContentAlign::Right)
        rules += button + ">span>:last-child{margin-right:" + px(look.offset) + "}\r\n";
    rules += down + "{box-shadow:" + ringShadows(look, true) +
             ";color:" + colour(look.clickColour) + "}\r\n";
    rules += downContent + "{left:0.9px;top:0.9px}\r\n";
    // The applet had no focus mark; keyboard users need one. Drawn inside the
    // button, so a neighbour never covers it, and only for keyboard focus.
    rules += button + ":focus-visible{outline:2px solid currentColor;outline-offset:-2px}\r\n";
    // High contrast themes drop backgrounds and shadows, and with them the
    // rings: a border in the theme's own colours keeps each button's edge, and
    // the down state and the focus show in its highlight colour.
    rules += "@media (forced-colors:active){\r\n";
    rules += button + "{border:1px solid LinkText}\r\n";
    rules += down + "{border:2px solid Highlight}\r\n";
    rules += button + ":focus-visible{outline:2px solid Highlight;outline-offset:-4px}\r\n";
    rules += "}\r\n";
    return rules;
}

// The class that scopes a bar's rules: one for each look, so bars of different
// settings on one page keep their own looks, and the same settings always give
// the same class. Named by a hash of the rules the look gives (FNV-1a, 32 bits).
QString barClassName(const BarLook& look) {
    const QByteArray rules = barRules(look, QByteArrayLiteral(".brivane-bar"));
    quint32 hash = 2166136261u;
    for (const char c : rules) {
        hash ^= quint8(c);
        hash *= 16777619u;
    }
    return QStringLiteral("brivane-bar-%1").arg(hash, 8, 16, QLatin1Char('0'));
}

QByteArray styleElement(const QByteArray& rules) {
    return "<style>\r\n" + rules + "</style>\r\n";
}

// The most bytes of a button's line that are not its texts.
constexpr qsizetype kButtonFixed = 192;

// One line per button: the link with its face, the image and the label, in the
// list item of the bar's form.
void putButton(PageBuffer& out, bool phrasing, const QString& link, const QString& frame,
               const QString& image, const QString& label, bool current) {
    bool carriageReturn = false; // in the frame or the label
    char* p = out.room(kButtonFixed + kMaxBytesPerUnit * (link.size() + frame.size() +
                                                          image.size() + label.size()));
    if (phrasing)
        p = copy(p, "<span role=\"listitem\"><a");
    else
        p = copy(p, "<li><a");
    if (!link.isEmpty()) {
        p = copy(p, " href=\"");
        p = escape<true>(p, link);
        *p++ = '"';
    }
    if (!frame.isEmpty()) {
        p = copy(p, " target=\"");
        p = escape<false>(p, frame, &carriageReturn);
        *p++ = '"';
        // Browsers take target keywords in any case.
        if (frame.size() == 6 && frame.compare(QLatin1String("_blank"), Qt::CaseInsensitive) == 0)
            p = copy(p, " rel=\"noopener\"");
    }
    if (current)
        p = copy(p, " aria-current=\"page\"");
    p = copy(p, "><span>");
    if (!image.isEmpty()) {
        // The label says what the button is; the image adds nothing to say.
        p = copy(p, "<img alt=\"\" src=\"");
        p = escape<true>(p, image);
        p = copy(p, "\">");
    }
    if (!label.isEmpty()) {
        p = copy(p, "<span>");
        p = escape<false>(p, label, &carriageReturn);
        p = copy(p, "</span>");
    }
    // An empty face still shows the button. The empty element keeps checkers
    // from taking the face for a leftover to be trimmed; a comment would do
    // that too, but its "-->" could close a comment the page around it opened.
    if (image.isEmpty() && label.isEmpty())
        p = copy(p, "<wbr>");
    if (phrasing)
        p = copy(p, "</span></a></span>\r\n");
    else
        p = copy(p, "</span></a></li>\r\n");
    out.advance(p);
    if (carriageReturn)
        out.noteLineEnds();
    else
        out.noteLineEnd();
}

void putBar(PageBuffer& out, const AppletSettings& settings, const BarLook& look,
            const WebBarOptions& options) {
    out.put(options.phrasing ? "<span class=\"" : "<nav class=\"");
    out.putEscaped<false>(options.className.isEmpty() ? barClassName(look) : options.className);
    out.put("\"");
    if (options.phrasing)
        out.put(" role=\"navigation\"");
    // Screen readers name the bar by the page title; a page without a title of
    // its own leaves the bar unnamed rather than announce "untitled".
    if (hasOwnTitle(settings.title)) {
        out.put(" aria-label=\"");
        out.putEscaped<false>(settings.title);
        out.put("\"");
    }
    // Announced as a list of N links; a <ul> cannot stand inside a paragraph,
    // so the phrasing form says the same with roles.
    out.put(options.phrasing ? ">\r\n<span role=\"list\">\r\n" : ">\r\n<ul>\r\n");
    out.noteLineEnds();
    const ButtonTable& table = settings.table;
    const int n = look.buttonCount;
    out.reserveLineEnds(out.size() / 16 + n + 4); // the style's lines, a line a button
    const CurrentPage currentPage(options.currentPage);
    // The texts are not prefetched by hand: they lie on the heap in the order
    // they were made, which the processor's own prefetching follows.
    for (int k = 1; k <= n; ++k) {
        const QString& link = table.entry(ButtonField::Link, k);
        putButton(out, options.phrasing, link, table.entry(ButtonField::Frame, k),
                  table.entry(ButtonField::Image, k), table.entry(ButtonField::Label, k),
                  currentPage.isNamedBy(link));
    }
    out.put(options.phrasing ? "</span>\r\n</span>\r\n" : "</ul>\r\n</nav>\r\n");
    out.noteLineEnds();
}

// Room for the bar when its texts need no escaping, and for the longest button
// at its worst: then the buffer is allocated once. (Growing it would copy it and
// take twice its size for a moment: the largest bar is megabytes.) Texts that
// escape to more than they hold may still make it grow.
qsizetype barCapacity(const AppletSettings& settings, const BarLook& look) {
    constexpr qsizetype kFixed = 4096; // the list around the buttons, the bar's names
    qsizetype units = 0;
    qsizetype longest = 0;
    for (int k = 1; k <= look.buttonCount; ++k) {
        qsizetype size = 0;
        for (ButtonField field :
             {ButtonField::Link, ButtonField::Frame, ButtonField::Image, ButtonField::Label})
            size += settings.table.entry(field, k).size();
        units += size;
        longest = std::max(longest, size);
    }
    return kFixed + settings.title.size() * kMaxBytesPerUnit +
           qsizetype(look.buttonCount) * kButtonFixed + units + kMaxBytesPerUnit * longest;
}

// The body rule of a page of its own: the applet page's black, and the bar
// placed as the "Align Applet" list says, in the body's default margin.
QByteArray bodyRule(const AppletSettings& settings) {
    const QString align = settings.align.trimmed();
    const char* textAlign = align == QLatin1String("Left")    ? "left"
                            : align == QLatin1String("Right") ? "right"
                                                              : "center";
    return QByteArray("body{background-color:#000000;text-align:") + textAlign + "}\r\n";
}

} // namespace

bool isLanguageTag(QStringView tag) {
    // The tag's grammar: language (with up to three extended subtags), script,
    // region, variants, extensions, private use; or private use alone; or one
    // of the old irregular tags the grammar keeps by name.
    static const QRegularExpression form(
        QStringLiteral(
            "^(?:"
            "(?:[a-z]{2,3}(?:-[a-z]{3}){0,3}|[a-z]{4,8})"
            "(?:-[a-z]{4})?"
            "(?:-(?:[a-z]{2}|[0-9]{3}))?"
            "(?:-(?:[a-z0-9]{5,8}|[0-9][a-z0-9]{3}))*"
            "(?:-[a-wyz0-9](?:-[a-z0-9]{2,8})+)*"
            "(?:-x(?:-[a-z0-9]{1,8})+)?"
            "|x(?:-[a-z0-9]{1,8})+"
            "|en-gb-oed|i-(?:ami|bnn|default|enochian|hak|klingon|lux|mingo|navajo|pwn|tao|"
            "tay|tsu)|sgn-(?:be-fr|be-nl|ch-de)"
            ")\\z"),
        QRegularExpression::CaseInsensitiveOption);
    // The pattern's letters are ASCII; no other letter may pass as one.
    for (const QChar c : tag)
        if (c.unicode() > 0x7F)
            return false;
    return form.match(tag).hasMatch();
}

void appendHtmlText(QByteArray& out, QStringView text) {
    const qsizetype used = out.size();
    out.resize(used + text.size() * kMaxBytesPerUnit);
    out.truncate(escape<false>(out.data() + used, text) - out.constData());
}

void appendHtmlAddress(QByteArray& out, QStringView address) {
    const qsizetype used = out.size();
    out.resize(used + address.size() * kMaxBytesPerUnit);
    out.truncate(escape<true>(out.data() + used, address) - out.constData());
}

bool linkNamesPage(const QString& link, const QString& pagePath) {
    return CurrentPage(pagePath).isNamedBy(link);
}

WebBar BuildWebBar(const AppletSettings& settings, const WebBarOptions& options) {
    const BarLook look = lookOf(settings);
    WebBarOptions named = options;
    if (named.className.isEmpty())
        named.className = barClassName(look);
    PageBuffer markup(barCapacity(settings, look));
    putBar(markup, settings, look, named);
    return {styleElement(barRules(look, '.' + named.className.toUtf8())), markup.take()};
}

namespace {

// A page as it is built: everything before the bar, and the part to paste (the
// bar's own rules in a style element, then the bar from barBegin on). The page's
// bytes are the head, the bar and kPageEnd; Make HTML writes them as they are,
// without joining them into another copy of the bar, which is nearly all the page.
struct PagePieces {
    QByteArray head;
    QByteArray part;
    QList<qsizetype> partLineEnds;
    qsizetype barBegin = 0;
    QByteArrayView bar() const { return QByteArrayView(part).sliced(barBegin); }
};

constexpr QByteArrayView kPageEnd("</body>\r\n</html>\r\n");

PagePieces buildPagePieces(const AppletSettings& settings, const QString& language,
                           const QString& pagePath) {
    const BarLook look = lookOf(settings);
    WebBarOptions options;
    options.className = barClassName(look);
    options.currentPage = pagePath;
    const QByteArray rules = barRules(look, '.' + options.className.toUtf8());

    PageBuffer head(1024 + rules.size());
    head.put("<!DOCTYPE html>\r\n<html lang=\"");
    head.putEscaped<false>(language);
    head.put("\">\r\n<head>\r\n<meta charset=\"utf-8\">\r\n"
             "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\r\n"
             "<title>");
    head.putEscaped<false>(settings.title);
    head.put("</title>\r\n<style>\r\n");
    head.put(bodyRule(settings));
    head.put(rules);
    head.put("</style>\r\n</head>\r\n<body>\r\n");

    const QByteArray style = styleElement(rules);
    PageBuffer part(style.size() + barCapacity(settings, look));
    part.put(style);
    PagePieces pieces;
    pieces.barBegin = part.size();
    putBar(part, settings, look, options);
    pieces.head = head.take();
    pieces.part = part.take();
    pieces.partLineEnds = part.takeLineEnds();
    return pieces;
}

} // namespace

WebPage BuildWebPage(const AppletSettings& settings, const QString& language,
                     const QString& pagePath) {
    const PagePieces pieces = buildPagePieces(settings, language, pagePath);
    const QByteArrayView bar = pieces.bar();
    WebPage page;
    page.bytes.reserve(pieces.head.size() + bar.size() + kPageEnd.size());
    page.bytes.append(pieces.head).append(bar).append(kPageEnd);
    page.part = pieces.part;
    return page;
}

void GenerateWebPage(AppletSettings& settings, const QString& workingDirectory,
                     const QString& language, HtmlTab& tab) {
    DeriveAppletValues(settings);
    const QString path = appletPagePath(workingDirectory, settings.title);
    // Built before anything is touched: a number the look cannot read stops
    // the run with tab and file as they were.
    const PagePieces pieces = buildPagePieces(settings, language, path);

    tab.clear();
    AtomicFileWriter writer(path);
    AppletPage lines;
    lines.bytes = pieces.part;
    lines.appletEnd = pieces.part.size();
    lines.lineEnds = pieces.partLineEnds;
    tab.setLines(lines);
    const QByteArrayView bar = pieces.bar();
    writer.write(pieces.head);
    writer.write(bar.data(), bar.size());
    writer.write(kPageEnd.data(), kPageEnd.size());
    writer.commit();
}

} // namespace brivane
