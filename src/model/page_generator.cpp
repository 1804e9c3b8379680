#include "model/page_generator.h"

#include "model/errors.h"
#include "model/text_file.h"

#include <QStringEncoder>

#include <algorithm>
#include <cstring>
#include <utility>

namespace brivane {

namespace {

// A fixed text of the page in both forms the sinks need, with its length known
// when compiling, so that copying it is a few moves rather than a call.
template <size_t N> struct Lit {
    const char (&bytes)[N];
    const char16_t (&units)[N];
};
#define BRIVANE_LIT(text)                                                                          \
    Lit<sizeof(text)> {                                                                            \
        text, u"" text                                                                             \
    }

// The number in a per-button param name, kept as its decimal digits and counted
// up in place: formatting 131 thousand numbers afresh was a tenth of the run.
class DecimalCounter {
public:
    const char* digits() const { return digits_; }
    qsizetype size() const { return size_; }
    void increment() {
        qsizetype i = size_ - 1;
        while (i >= 0 && digits_[i] == '9')
            digits_[i--] = '0';
        if (i >= 0) {
            ++digits_[i];
        } else {
            std::memmove(digits_ + 1, digits_, size_t(size_));
            digits_[0] = '1';
            ++size_;
        }
    }

private:
    char digits_[12] = {'0'};
    qsizetype size_ = 1;
};

// The page is written by one set of functions into either of two sinks: UTF-16
// text (the page's parts and the tab) or the page file's UTF-8 bytes. So the tab
// and the file come from the same lines, and neither is converted from the other
// afterwards, which for the largest bar would mean 131 thousand lines once more.
class Utf16Sink {
public:
    // capacity: an estimate of the size; a short estimate only costs a regrowth.
    Utf16Sink(qsizetype capacity, bool crlf)
        : text_(capacity, Qt::Uninitialized), out_(text_.data()), crlf_(crlf) {}

    template <size_t N> void put(const Lit<N>& lit) {
        reserve(N - 1);
        std::memcpy(static_cast<void*>(out_), lit.units, (N - 1) * sizeof(char16_t));
        out_ += N - 1;
    }
    void put(const QString& value) {
        reserve(value.size());
        std::memcpy(static_cast<void*>(out_), value.constData(),
                    size_t(value.size()) * sizeof(QChar));
        out_ += value.size();
    }
    void putDigits(const char* digits, qsizetype size) {
        reserve(size);
        for (qsizetype i = 0; i < size; ++i)
            out_[i] = QLatin1Char(digits[i]);
        out_ += size;
    }
    void endLine() {
        reserve(2);
        if (crlf_)
            *out_++ = u'\r';
        *out_++ = u'\n';
    }
    QString take() {
        text_.truncate(out_ - text_.constData());
        return std::move(text_);
    }
    // Room for `size` units, to be filled directly and handed back with release().
    char16_t* claim(qsizetype size) {
        reserve(size);
        return reinterpret_cast<char16_t*>(out_);
    }
    void release(char16_t* end) { out_ = reinterpret_cast<QChar*>(end); }

private:
    void reserve(qsizetype size) {
        if (text_.constData() + text_.size() - out_ < size) {
            const qsizetype used = out_ - text_.constData();
            text_.resize(std::max(text_.size() * 2, used + size));
            out_ = text_.data() + used;
        }
    }

    QString text_;
    QChar* out_;
    bool crlf_;
};

// The page file's UTF-8 bytes, in a buffer sized up front like the text's. (Streaming
// them to the file in small pieces while the tab is built was measured slower:
// the writes push the per-button texts out of the cache.)
class Utf8Sink {
public:
    explicit Utf8Sink(qsizetype capacity)
        : bytes_(capacity, Qt::Uninitialized), out_(bytes_.data()),
          encoder_(QStringEncoder::Utf8, QStringConverter::Flag::Stateless) {}

    template <size_t N> void put(const Lit<N>& lit) {
        reserve(N - 1);
        std::memcpy(out_, lit.bytes, N - 1);
        out_ += N - 1;
    }
    void put(const QString& value) {
        reserve(encodedSizeBound(value));
        // Most texts are ASCII: copy those units straight and hand the rest, from
        // the first other character on, to the encoder. (A local pointer: stores
        // through a char pointer could alias the member, which would make the
        // compiler reload it for every byte.)
        const char16_t* in = reinterpret_cast<const char16_t*>(value.constData());
        const char16_t* const end = in + value.size();
        char* out = out_;
        while (in != end && *in < 0x80)
            *out++ = char(*in++);
        if (in != end)
            out = encoder_.appendToBuffer(
                out, QStringView(reinterpret_cast<const QChar*>(in), end - in));
        out_ = out;
    }
    void putDigits(const char* digits, qsizetype size) {
        reserve(size);
        std::memcpy(out_, digits, size_t(size));
        out_ += size;
    }
    void endLine() {
        reserve(2);
        std::memcpy(out_, "\r\n", 2);
        out_ += 2;
    }
    QByteArray take() {
        bytes_.truncate(out_ - bytes_.constData());
        return std::move(bytes_);
    }
    char* claim(qsizetype size) {
        reserve(size);
        return out_;
    }
    void release(char* end) { out_ = end; }
    // The most bytes a text can take.
    qsizetype encodedSizeBound(const QString& value) const {
        return encoder_.requiredSpace(value.size());
    }
    // Encodes what is left of a text that is not all ASCII.
    char* encode(char* out, const char16_t* begin, const char16_t* end) {
        return encoder_.appendToBuffer(
            out, QStringView(reinterpret_cast<const QChar*>(begin), end - begin));
    }

private:
    void reserve(qsizetype size) {
        if (bytes_.constData() + bytes_.size() - out_ < size) {
            const qsizetype used = out_ - bytes_.constData();
            bytes_.resize(std::max(bytes_.size() * 2, used + size));
            out_ = bytes_.data() + used;
        }
    }

    QByteArray bytes_;
    char* out_;
    QStringEncoder encoder_;
};

// The applet part goes to the tab and the file in the same pass: the per-button
// texts are separate blocks all over the heap, and reading them once instead of
// twice is most of the cost of the largest pages.
class TabAndFileSink {
public:
    TabAndFileSink(Utf16Sink& tab, Utf8Sink& file) : tab_(tab), file_(file) {}
    template <size_t N> void put(const Lit<N>& lit) {
        tab_.put(lit);
        file_.put(lit);
    }
    void put(const QString& value) {
        tab_.put(value);
        file_.put(value);
    }
    void putDigits(const char* digits, qsizetype size) {
        tab_.putDigits(digits, size);
        file_.putDigits(digits, size);
    }
    void endLine() {
        tab_.endLine();
        file_.endLine();
    }

    // A per-button line, written into both buffers at once through local pointers:
    // this is the line the largest bar has 131 thousand of.
    template <size_t P, size_t S>
    void putButtonLine(const Lit<P>& prefix, const DecimalCounter& number, const Lit<S>& separator,
                       const QString& value) {
        const char* const digits = number.digits();
        const qsizetype digitCount = number.size();
        const qsizetype fixed = qsizetype(P - 1) + digitCount + qsizetype(S - 1) + 4;
        char16_t* t = tab_.claim(fixed + value.size());
        char* f = file_.claim(fixed + file_.encodedSizeBound(value));

        std::memcpy(t, prefix.units, (P - 1) * sizeof(char16_t));
        t += P - 1;
        std::memcpy(f, prefix.bytes, P - 1);
        f += P - 1;
        for (qsizetype i = 0; i < digitCount; ++i) {
            t[i] = char16_t(digits[i]);
            f[i] = digits[i];
        }
        t += digitCount;
        f += digitCount;
        std::memcpy(t, separator.units, (S - 1) * sizeof(char16_t));
        t += S - 1;
        std::memcpy(f, separator.bytes, S - 1);
        f += S - 1;

        const char16_t* in = reinterpret_cast<const char16_t*>(value.constData());
        const char16_t* const end = in + value.size();
        while (in != end && *in < 0x80) {
            *t++ = *in;
            *f++ = char(*in++);
        }
        if (in != end) {
            std::memcpy(t, in, size_t(end - in) * sizeof(char16_t));
            t += end - in;
            f = file_.encode(f, in, end);
        }

        std::memcpy(t, u"\">\n", 3 * sizeof(char16_t));
        t += 3;
        std::memcpy(f, "\">\r\n", 4);
        f += 4;
        tab_.release(t);
        file_.release(f);
    }

private:
    Utf16Sink& tab_;
    Utf8Sink& file_;
};

// The same line for a single sink.
template <typename Sink, size_t P, size_t S>
void putButtonLine(Sink& out, const Lit<P>& prefix, const DecimalCounter& number,
                   const Lit<S>& separator, const QString& value) {
    out.put(prefix);
    out.putDigits(number.digits(), number.size());
    out.put(separator);
    out.put(value);
    out.put(BRIVANE_LIT("\">"));
    out.endLine();
}
template <size_t P, size_t S>
void putButtonLine(TabAndFileSink& out, const Lit<P>& prefix, const DecimalCounter& number,
                   const Lit<S>& separator, const QString& value) {
    out.putButtonLine(prefix, number, separator, value);
}

// The number of per-button lines of each group: the button count, never more
// than the table holds (the window's number check keeps it in 1..32767 anyway).
// N is converted afresh for each group; it is the same number each time, so one
// conversion serves all four.
int groupSize(const QString& buttonsText) {
    const qint32 n = StrToInt(buttonsText);
    return std::clamp<qint32>(n, 0, kMaxButtons);
}

// Items 1 to 8.
template <typename Sink> void putHead(Sink& out, const AppletSettings& s) {
    out.put(BRIVANE_LIT("<html>"));
    out.endLine();
    out.endLine();
    out.put(BRIVANE_LIT("<head>"));
    out.endLine();
    out.put(BRIVANE_LIT("<title>"));
    out.put(s.title);
    out.put(BRIVANE_LIT("</title>"));
    out.endLine();
    out.put(BRIVANE_LIT("</head>"));
    out.endLine();
    out.endLine();
    out.put(BRIVANE_LIT("<body background bgcolor=\"#000000\">"));
    out.endLine();
    out.endLine();
}

template <typename Sink, size_t N>
void putSettingLine(Sink& out, const Lit<N>& prefix, const QString& value) {
    out.put(prefix);
    out.put(value);
    out.put(BRIVANE_LIT("\">"));
    out.endLine();
}

// One group of per-button lines; button k's params are numbered k - 1.
template <typename Sink, size_t P, size_t S>
void putGroup(Sink& out, const AppletSettings& s, int n, const Lit<P>& prefix,
              const Lit<S>& separator, ButtonField field) {
    DecimalCounter number; // k - 1
    for (int k = 1; k <= n; ++k) {
        putButtonLine(out, prefix, number, separator, s.table.entry(field, k));
        number.increment();
    }
}

// Items 9 to 26: the applet part, which the tab shows.
template <typename Sink> void putAppletPart(Sink& out, const AppletSettings& s, int n) {
    out.put(BRIVANE_LIT("<p align="));
    out.put(s.align);
    out.put(BRIVANE_LIT(">"));
    out.endLine();
    out.put(BRIVANE_LIT("<applet code=\"button.class\" width="));
    out.put(s.AppletWidth);
    out.put(BRIVANE_LIT(" height="));
    out.put(s.AppletHeight);
    out.put(BRIVANE_LIT(">"));
    out.endLine();

    // The prefixes pad `value="` into two columns (36 and 35 characters); the
    // blanks are part of the page the applet reads.
    putSettingLine(out, BRIVANE_LIT("<param name=\"buttons\"        value=\""), s.buttons);
    putSettingLine(out, BRIVANE_LIT("<param name=\"color\"          value=\""), s.buttonColour.hex);
    putSettingLine(out, BRIVANE_LIT("<param name=\"direction\"      value=\""), s.DirectionCode);
    putSettingLine(out, BRIVANE_LIT("<param name=\"border width\"   value=\""), s.border);
    putSettingLine(out, BRIVANE_LIT("<param name=\"degree\"         value=\""), s.degree);
    putSettingLine(out, BRIVANE_LIT("<param name=\"style\"          value=\""), s.StyleCode);
    putSettingLine(out, BRIVANE_LIT("<param name=\"f_size\"         value=\""), s.fontSize);
    putSettingLine(out, BRIVANE_LIT("<param name=\"f_style\"        value=\""), s.FontStyleCode);
    putSettingLine(out, BRIVANE_LIT("<param name=\"f_color\"       value=\""), s.fontColour.hex);
    putSettingLine(out, BRIVANE_LIT("<param name=\"f_color2\"      value=\""), s.clickColour.hex);
    putSettingLine(out, BRIVANE_LIT("<param name=\"position\"      value=\""), s.PositionCode);
    putSettingLine(out, BRIVANE_LIT("<param name=\"f_offset\"      value=\""), s.fOffset);
    putSettingLine(out, BRIVANE_LIT("<param name=\"font\"          value=\""), s.font);

    // The frame separator is the link one, one blank longer than the label and
    // image separators, so for one-digit numbers a frame's value stands one column
    // further right than the others'.
    putGroup(out, s, n, BRIVANE_LIT("<param name=\"label "), BRIVANE_LIT("\"         value=\""),
             ButtonField::Label);
    putGroup(out, s, n, BRIVANE_LIT("<param name=\"link "), BRIVANE_LIT("\"          value=\""),
             ButtonField::Link);
    putGroup(out, s, n, BRIVANE_LIT("<param name=\"image "), BRIVANE_LIT("\"         value=\""),
             ButtonField::Image);
    putGroup(out, s, n, BRIVANE_LIT("<param name=\"frame "), BRIVANE_LIT("\"          value=\""),
             ButtonField::Frame);
    out.put(BRIVANE_LIT("</applet>"));
    out.endLine();
    out.put(BRIVANE_LIT("</p>"));
    out.endLine();
}

// Items 27 to 31.
template <typename Sink> void putTail(Sink& out) {
    out.endLine();
    out.put(BRIVANE_LIT("</body>"));
    out.endLine();
    out.endLine();
    out.put(BRIVANE_LIT("</html>"));
    out.endLine();
    out.endLine();
}

// The characters the settings put into the page (each counted by a factor for
// its encoding), and the fixed characters, as upper bounds for the sinks.
qsizetype valueSize(const AppletSettings& s, int n) {
    qsizetype size = s.title.size();
    for (const QString* text :
         {&s.align, &s.AppletWidth, &s.AppletHeight, &s.buttons, &s.buttonColour.hex,
          &s.DirectionCode, &s.border, &s.degree, &s.StyleCode, &s.fontSize, &s.FontStyleCode,
          &s.fontColour.hex, &s.clickColour.hex, &s.PositionCode, &s.fOffset, &s.font})
        size += text->size();
    for (ButtonField field :
         {ButtonField::Label, ButtonField::Link, ButtonField::Image, ButtonField::Frame})
        for (int k = 1; k <= n; ++k)
            size += s.table.entry(field, k).size();
    return size;
}

qsizetype fixedSize(int n) {
    // Per-button line: prefix (19) + number (5) + separator (18) + `">` + CR LF.
    return 1024 + qsizetype(n) * 4 * 48;
}

} // namespace

QByteArray AppletPage::fileBytes() const {
    QByteArray bytes;
    bytes.reserve(head.size() + appletPart.size() + tail.size());
    bytes.append(head.toUtf8());
    bytes.append(appletPart.toUtf8());
    bytes.append(tail.toUtf8());
    return bytes;
}

QString AppletPage::tabText() const {
    // Every line of the applet part ends in CR LF; the tab takes a plain '\n'.
    QString text(appletPart.size(), Qt::Uninitialized);
    const QChar* in = appletPart.constData();
    const QChar* const end = in + appletPart.size();
    QChar* out = text.data();
    QChar* const start = out;
    while (in != end) {
        const QChar* cr = std::find(in, end, QChar(u'\r'));
        out = std::copy(in, cr, out);
        if (cr == end)
            break;
        if (cr + 1 != end && cr[1] == u'\n') {
            *out++ = u'\n';
            in = cr + 2;
        } else {
            *out++ = *cr;
            in = cr + 1;
        }
    }
    text.truncate(out - start);
    return text;
}

QString appletPagePath(const QString& workingDirectory, const QString& title) {
    return workingDirectory + title + QLatin1String(".html");
}

AppletPage BuildAppletPage(const AppletSettings& s) {
    const int n = groupSize(s.buttons);
    const bool crlf = true;
    AppletPage page;
    Utf16Sink head(256 + s.title.size(), crlf);
    putHead(head, s);
    page.head = head.take();
    Utf16Sink applet(fixedSize(n) + valueSize(s, n), crlf);
    putAppletPart(applet, s, n);
    page.appletPart = applet.take();
    Utf16Sink tail(64, crlf);
    putTail(tail);
    page.tail = tail.take();
    return page;
}

void GenerateAppletPage(AppletSettings& settings, const QString& workingDirectory, HtmlTab& tab) {
    DeriveAppletValues(settings);
    // Cannot fail after a successful derivation: it converted the button count already.
    const int n = groupSize(settings.buttons);
    const qsizetype values = valueSize(settings, n);
    Utf16Sink tabSink(fixedSize(n) + values, false);
    // Untouched capacity costs nothing, so the bound can be generous.
    Utf8Sink fileSink(fixedSize(n) + 3 * values);
    putHead(fileSink, settings);
    TabAndFileSink both(tabSink, fileSink);
    putAppletPart(both, settings, n);
    putTail(fileSink);
    const QString tabText = tabSink.take();
    const QByteArray bytes = fileSink.take();

    tab.clear();
    AtomicFileWriter writer(appletPagePath(workingDirectory, settings.title));
    tab.setText(tabText);
    writer.write(bytes);
    writer.commit();
}

void SaveAppletHtml(const QString& tabText, const QString& path) {
    // The tab's lines up to the first empty one; that one and all after it are left out.
    QString text;
    text.reserve(tabText.size() + tabText.size() / 16 + 2);
    qsizetype start = 0;
    while (start < tabText.size()) {
        qsizetype end = tabText.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = tabText.size();
        if (end == start)
            break;
        text.append(QStringView(tabText).mid(start, end - start));
        text.append(QLatin1String("\r\n"));
        start = end + 1;
    }
    writeFileAtomically(path, text.toUtf8());
}

} // namespace brivane
