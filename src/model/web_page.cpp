#include "model/web_page.h"

#include "model/bar_look.h"
#include "model/text_file.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace brivane {

namespace {

// The most bytes one UTF-16 unit of a text can become: three UTF-8 bytes, each
// as "%XX" in an address.
constexpr qsizetype kMaxBytesPerUnit = 9;

// The ASCII characters that go into the page as they are: all but & < > " in
// text; in an address also not blanks and controls, the backslash and the
// characters outside the URI syntax (` { } | ^ [ ]), which browsers would
// percent-encode themselves.
template <bool Address> constexpr std::array<bool, 128> plainAscii() {
    std::array<bool, 128> plain{};
    for (int c = 0; c < 128; ++c) {
        plain[c] = c != '&' && c != '<' && c != '>' && c != '"';
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

// Writes `text` escaped for where it stands; `out` has room for
// kMaxBytesPerUnit bytes a unit.
template <bool Address> char* escape(char* out, QStringView text) {
    static constexpr std::array<bool, 128> plain = plainAscii<Address>();
    const char16_t* in = text.utf16();
    const char16_t* const end = in + text.size();
    while (in != end) {
        const char16_t c = *in++;
        if (c < 0x80) {
            if (plain[c])
                *out++ = char(c);
            else if (c == u'&')
                out = copy(out, "&amp;");
            else if (Address && c == u'\\')
                *out++ = '/'; // as browsers read it
            else if (Address)
                out = percent(out, c);
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

private:
    QByteArray bytes_;
    qsizetype used_ = 0;
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

// The bar's rules, one a line, without the <style> element around them.
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
    QByteArray down = button + ":active";
    QByteArray downContent = button + ":active>span>*";
    if (look.downOnHover) {
        down = button + ":hover," + down;
        downContent = button + ":hover>span>*," + downContent;
    }

    QByteArray rules;
    rules += bar + "{display:inline-flex;flex-direction:" + (look.vertical ? "column" : "row") +
             ";vertical-align:top;box-sizing:content-box;width:" + px(look.barWidth()) +
             ";height:" + px(look.barHeight()) +
             ";margin:0;padding:0;border:0;overflow:hidden}\r\n";
    rules += button + "{position:relative;display:block;flex:none;box-sizing:border-box;width:" +
             px(look.buttonWidth) + ";height:" + px(look.buttonHeight) +
             ";margin:0;padding:0;border:0;background:" + colour(look.face) +
             ";box-shadow:" + ringShadows(look, false) + ";color:" + colour(look.fontColour) +
             ";font:" + font +
             ";letter-spacing:normal;word-spacing:normal;text-decoration:none;"
             "text-transform:none;text-shadow:none;outline:none}\r\n";
    // The face clips the content; the content row sits on it per the position code.
    rules += button + ">span{position:absolute;left:" + px(face.left()) + ";top:" + px(face.top()) +
             ";width:" + px(face.width()) + ";height:" + px(face.height()) +
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
    return rules;
}

QByteArray styleElement(const QByteArray& rules) {
    return "<style>\r\n" + rules + "</style>\r\n";
}

// One line per button: the link with its face, the image and the label.
void putButton(PageBuffer& out, const QString& link, const QString& frame, const QString& image,
               const QString& label) {
    // The fixed texts below come to less than this.
    constexpr qsizetype kFixed = 128;
    char* p = out.room(kFixed + kMaxBytesPerUnit *
                                    (link.size() + frame.size() + image.size() + label.size()));
    p = copy(p, "<a");
    if (!link.isEmpty()) {
        p = copy(p, " href=\"");
        p = escape<true>(p, link);
        *p++ = '"';
    }
    if (!frame.isEmpty()) {
        p = copy(p, " target=\"");
        p = escape<false>(p, frame);
        *p++ = '"';
        // Browsers take target keywords in any case.
        if (frame.compare(QLatin1String("_blank"), Qt::CaseInsensitive) == 0)
            p = copy(p, " rel=\"noopener\"");
    }
    p = copy(p, "><span>");
    if (!image.isEmpty()) {
        // The label says what the button is; the image adds nothing to say.
        p = copy(p, "<img alt=\"\" src=\"");
        p = escape<true>(p, image);
        p = copy(p, "\">");
    }
    if (!label.isEmpty()) {
        p = copy(p, "<span>");
        p = escape<false>(p, label);
        p = copy(p, "</span>");
    }
    // An empty face still shows the button; the comment keeps checkers from
    // taking the empty elements for leftovers to be trimmed.
    if (image.isEmpty() && label.isEmpty())
        p = copy(p, "<!-- empty -->");
    p = copy(p, "</span></a>\r\n");
    out.advance(p);
}

void putBar(PageBuffer& out, const AppletSettings& settings, const BarLook& look,
            const WebBarOptions& options) {
    out.put(options.phrasing ? "<span class=\"" : "<nav class=\"");
    out.putEscaped<false>(options.className);
    out.put("\"");
    if (options.phrasing)
        out.put(" role=\"navigation\"");
    // Screen readers name the bar by the page title.
    if (!settings.title.isEmpty()) {
        out.put(" aria-label=\"");
        out.putEscaped<false>(settings.title);
        out.put("\"");
    }
    out.put(">\r\n");
    const ButtonTable& table = settings.table;
    const int n = look.buttonCount;
    // Reading the texts is most of the work: each is a block of its own on the
    // heap, so ask for the ones a few buttons ahead while writing this one.
    constexpr int kAhead = 8;
    for (int k = 1; k <= n; ++k) {
        if (k + kAhead <= n)
            for (ButtonField field :
                 {ButtonField::Link, ButtonField::Frame, ButtonField::Image, ButtonField::Label})
                __builtin_prefetch(table.entry(field, k + kAhead).constData());
        putButton(out, table.entry(ButtonField::Link, k), table.entry(ButtonField::Frame, k),
                  table.entry(ButtonField::Image, k), table.entry(ButtonField::Label, k));
    }
    out.put(options.phrasing ? "</span>\r\n" : "</nav>\r\n");
}

// A first guess of a page's size: a hundred bytes or so a button with a link,
// an image and a label. A short guess only costs a regrowth.
qsizetype sizeGuess(const BarLook& look) {
    return 4096 + qsizetype(look.buttonCount) * 128;
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

WebBar BuildWebBar(const AppletSettings& settings, const WebBarOptions& options) {
    const BarLook look = lookOf(settings);
    PageBuffer markup(sizeGuess(look));
    putBar(markup, settings, look, options);
    return {styleElement(barRules(look, '.' + options.className.toUtf8())), markup.take()};
}

WebPage BuildWebPage(const AppletSettings& settings) {
    const BarLook look = lookOf(settings);
    const WebBarOptions options;
    const QByteArray rules = barRules(look, '.' + options.className.toUtf8());

    PageBuffer out(sizeGuess(look) + rules.size());
    out.put("<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"utf-8\">\r\n"
            "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\r\n"
            "<title>");
    out.putEscaped<false>(settings.title);
    out.put("</title>\r\n<style>\r\n");
    out.put(bodyRule(settings));
    out.put(rules);
    out.put("</style>\r\n</head>\r\n<body>\r\n");
    const qsizetype barBegin = out.size();
    putBar(out, settings, look, options);
    const qsizetype barEnd = out.size();
    out.put("</body>\r\n</html>\r\n");

    WebPage page;
    page.bytes = out.take();
    // The part to paste: the bar's own rules in a style element, and the bar.
    const QByteArrayView bytes(page.bytes);
    const QByteArrayView bar = bytes.sliced(barBegin, barEnd - barBegin);
    page.part.reserve(9 + rules.size() + 10 + bar.size());
    page.part.append("<style>\r\n").append(rules).append("</style>\r\n").append(bar);
    return page;
}

void GenerateWebPage(AppletSettings& settings, const QString& workingDirectory, HtmlTab& tab) {
    DeriveAppletValues(settings);
    // Built before anything is touched: a number the look cannot read stops
    // the run with tab and file as they were.
    const WebPage page = BuildWebPage(settings);

    tab.clear();
    AtomicFileWriter writer(appletPagePath(workingDirectory, settings.title));
    tab.setLines(linesOf(page.part));
    writer.write(page.bytes);
    writer.commit();
}

} // namespace brivane
