#include "model/web_page.h"

#include "model/bar_look.h"
#include "model/text_file.h"

#include <algorithm>

namespace brivane {

namespace {

// Room for `extra` more bytes at the end of `out`, written through the pointer
// returned; finish() trims to what was written. Growth doubles, so a bar of
// 32767 buttons costs a handful of copies, not one per text.
char* reserveTail(QByteArray& out, qsizetype extra) {
    const qsizetype used = out.size();
    if (out.capacity() - used < extra)
        out.reserve(std::max(out.capacity() * 2, used + extra));
    out.resize(used + extra);
    return out.data() + used;
}

void finish(QByteArray& out, const char* end) {
    out.resize(end - out.constData());
}

char* put(char* out, const char* text) {
    while (*text)
        *out++ = *text++;
    return out;
}

char* percent(char* out, unsigned byte) {
    static const char digits[] = "0123456789ABCDEF";
    *out++ = '%';
    *out++ = digits[byte >> 4];
    *out++ = digits[byte & 0xF];
    return out;
}

// ASCII that may not stand in an address as it is: blanks and controls, and the
// characters outside the URI syntax ("<>` and {}|^[]), which browsers would
// percent-encode themselves.
bool mustEncodeInAddress(char16_t c) {
    return c <= 0x20 || c == 0x7F || QByteArrayView("\"<>`{}|^[]").contains(char(c));
}

template <bool Address> void appendEscaped(QByteArray& out, QStringView text) {
    // The most one UTF-16 unit can become: three UTF-8 bytes, each as "%XX".
    char* p = reserveTail(out, text.size() * 9);
    const char16_t* in = text.utf16();
    const char16_t* const end = in + text.size();
    while (in != end) {
        const char16_t c = *in++;
        if (c < 0x80) {
            if (Address && mustEncodeInAddress(c))
                p = percent(p, c);
            else if (Address && c == u'\\')
                *p++ = '/';
            else if (c == u'&')
                p = put(p, "&amp;");
            else if (c == u'<')
                p = put(p, "&lt;");
            else if (c == u'>')
                p = put(p, "&gt;");
            else if (c == u'"')
                p = put(p, "&quot;");
            else
                *p++ = char(c);
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
                p = percent(p, bytes[i]);
            else
                *p++ = char(bytes[i]);
        }
    }
    finish(out, p);
}

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
void appendButtons(QByteArray& out, const AppletSettings& settings, int count) {
    for (int k = 1; k <= count; ++k) {
        const QString& link = settings.table.entry(ButtonField::Link, k);
        const QString& frame = settings.table.entry(ButtonField::Frame, k);
        const QString& image = settings.table.entry(ButtonField::Image, k);
        const QString& label = settings.table.entry(ButtonField::Label, k);
        out += "<a";
        if (!link.isEmpty()) {
            out += " href=\"";
            appendHtmlAddress(out, link);
            out += '"';
        }
        if (!frame.isEmpty()) {
            out += " target=\"";
            appendHtmlText(out, frame);
            out += '"';
            // Browsers take target keywords in any case.
            if (frame.compare(QLatin1String("_blank"), Qt::CaseInsensitive) == 0)
                out += " rel=\"noopener\"";
        }
        out += "><span>";
        if (!image.isEmpty()) {
            // The label says what the button is; the image adds nothing to say.
            out += "<img alt=\"\" src=\"";
            appendHtmlAddress(out, image);
            out += "\">";
        }
        if (!label.isEmpty()) {
            out += "<span>";
            appendHtmlText(out, label);
            out += "</span>";
        }
        // An empty face still shows the button; the comment keeps checkers
        // from taking the empty elements for leftovers to be trimmed.
        if (image.isEmpty() && label.isEmpty())
            out += "<!-- empty -->";
        out += "</span></a>\r\n";
    }
}

QByteArray barMarkup(const AppletSettings& settings, const BarLook& look,
                     const WebBarOptions& options) {
    QByteArray out;
    // About a hundred bytes a button with a link, an image and a label.
    out.reserve(256 + qsizetype(look.buttonCount) * 112);
    out += options.phrasing ? "<span class=\"" : "<nav class=\"";
    appendHtmlText(out, options.className);
    out += '"';
    if (options.phrasing)
        out += " role=\"navigation\"";
    // Screen readers name the bar by the page title.
    if (!settings.title.isEmpty()) {
        out += " aria-label=\"";
        appendHtmlText(out, settings.title);
        out += '"';
    }
    out += ">\r\n";
    appendButtons(out, settings, look.buttonCount);
    out += options.phrasing ? "</span>\r\n" : "</nav>\r\n";
    return out;
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
    appendEscaped<false>(out, text);
}

void appendHtmlAddress(QByteArray& out, QStringView address) {
    appendEscaped<true>(out, address);
}

WebBar BuildWebBar(const AppletSettings& settings, const WebBarOptions& options) {
    const BarLook look = lookOf(settings);
    QByteArray selector = ".";
    selector += options.className.toUtf8();
    return {styleElement(barRules(look, selector)), barMarkup(settings, look, options)};
}

WebPage BuildWebPage(const AppletSettings& settings) {
    const BarLook look = lookOf(settings);
    const WebBarOptions options;
    const QByteArray rules = barRules(look, '.' + options.className.toUtf8());
    const QByteArray bar = barMarkup(settings, look, options);

    WebPage page;
    page.part = styleElement(rules) + bar;
    QByteArray& out = page.bytes;
    out.reserve(512 + rules.size() + bar.size() + settings.title.size() * 9);
    out += "<!DOCTYPE html>\r\n<html>\r\n<head>\r\n<meta charset=\"utf-8\">\r\n"
           "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\r\n"
           "<title>";
    appendHtmlText(out, settings.title);
    out += "</title>\r\n";
    out += styleElement(bodyRule(settings) + rules);
    out += "</head>\r\n<body>\r\n";
    out += bar;
    out += "</body>\r\n</html>\r\n";
    return page;
}

void GenerateWebPage(AppletSettings& settings, const QString& workingDirectory, HtmlTab& tab) {
    DeriveAppletValues(settings);
    // Built before anything is touched: a number the look cannot read stops
    // the run with tab and file as they were.
    const WebPage page = BuildWebPage(settings);

    tab.clear();
    AtomicFileWriter writer(appletPagePath(workingDirectory, settings.title));
    tab.setLines(page.part);
    writer.write(page.bytes);
    writer.commit();
}

} // namespace brivane
