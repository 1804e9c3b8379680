#include "model/page_generator.h"

#include "model/atomic_file_writer.h"
#include "model/errors.h"
#include "model/settings_file.h"

#include <QStringEncoder>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>
#include <utility>

namespace brivane {

using namespace std::string_view_literals;

namespace {

// What ends every per-button line: the value's closing quote, the tag's end, CR LF.
constexpr std::string_view kButtonLineEnd = "\">\r\n"sv;

// The page file's bytes, built line by line in one buffer sized beforehand, so
// it is allocated once and never copied: fixed texts are copied, setting texts
// encoded in place. Where each applet line ends is written down on the way.
class PageBuffer {
public:
    PageBuffer(qsizetype capacity, qsizetype appletLines)
        : bytes_(capacity, Qt::Uninitialized), ends_(appletLines), end_(ends_.data()) {}

    void put(std::string_view text) {
        std::memcpy(room(qsizetype(text.size())), text.data(), text.size());
        used_ += qsizetype(text.size());
    }
    void put(const QString& text) {
        used_ = encode(room(encodedRoom(text.size())), text) - bytes_.constData();
    }
    // The CR LF just put ends an applet line.
    void endAppletLine() { *end_++ = used_ - 2; }

    // A per-button line, the line the largest bar has 131 thousand of: one check
    // for room, then everything written straight in.
    void putButtonLine(std::string_view prefix, int number, std::string_view separator,
                       const QString& value) {
        char* out =
            room(qsizetype(prefix.size() + kNumberRoom + separator.size() + kButtonLineEnd.size()) +
                 encodedRoom(value.size()));
        out = copyMedium(out, prefix);
        out = std::to_chars(out, out + kNumberRoom, number).ptr;
        out = copyMedium(out, separator);
        out = encode(out, value);
        out = std::copy(kButtonLineEnd.begin(), kButtonLineEnd.end(), out);
        used_ = out - bytes_.constData();
        *end_++ = used_ - 2;
    }

    qsizetype size() const { return used_; }
    // Whether every byte put is ASCII, known without reading the page again.
    bool ascii() const { return ascii_; }
    QByteArray takeBytes() {
        bytes_.truncate(used_);
        return std::move(bytes_);
    }
    QList<qsizetype> takeLineEnds() { return std::move(ends_); }

    static constexpr qsizetype kNumberRoom = 11; // any int in decimal
    // UTF-8 takes at most three bytes for a UTF-16 unit (four for a pair). Asked
    // of the encoder, it is a call through a pointer for each line.
    static constexpr qsizetype encodedRoom(qsizetype units) { return 3 * units; }

    // The per-button lines' prefixes and separators are 16 to 32 bytes long: two
    // overlapping 16-byte copies, which stay inline, where a call to memmove for
    // each of them took a tenth of the largest page's build.
    static constexpr size_t kMediumMin = 16;
    static constexpr size_t kMediumMax = 32;
    static char* copyMedium(char* out, std::string_view text) {
        std::memcpy(out, text.data(), kMediumMin);
        std::memcpy(out + text.size() - kMediumMin, text.data() + text.size() - kMediumMin,
                    kMediumMin);
        return out + text.size();
    }

private:
    // Short texts are copied unit by unit while they are ASCII, which beats a call
    // into the encoder; longer ones go to the encoder, which copies ASCII in bulk,
    // and what it wrote is checked while it is still in the cache. (The fixed
    // texts are all ASCII.)
    char* encode(char* out, const QString& text) {
        const char16_t* in = reinterpret_cast<const char16_t*>(text.constData());
        const char16_t* const end = in + text.size();
        if (text.size() < 16) {
            while (in != end && *in < 0x80)
                *out++ = char(*in++);
            if (in == end)
                return out;
        }
        char* const encoded = encoder_.appendToBuffer(out, QStringView(in, end - in));
        ascii_ = ascii_ && isAscii(QByteArrayView(out, encoded - out));
        return encoded;
    }

    char* room(qsizetype size) {
        if (bytes_.size() - used_ < size)
            bytes_.resize(std::max(bytes_.size() * 2, used_ + size));
        return bytes_.data() + used_;
    }

    QByteArray bytes_;
    qsizetype used_ = 0;
    bool ascii_ = true;
    QList<qsizetype> ends_;
    qsizetype* end_;
    QStringEncoder encoder_{QStringEncoder::Utf8, QStringConverter::Flag::Stateless};
};

// One line: its parts, then CR LF.
template <typename... Parts> void line(PageBuffer& out, const Parts&... parts) {
    (out.put(parts), ...);
    out.put("\r\n"sv);
}

// A line of the applet part, the part the tab shows.
template <typename... Parts> void appletLine(PageBuffer& out, const Parts&... parts) {
    line(out, parts...);
    out.endAppletLine();
}

// The number of per-button lines of each group. N is converted afresh for each
// group; it is the same number each time, so one conversion serves all four.
// Never more than the table holds (the window's check keeps it in 1..32767).
int groupSize(const QString& buttonsText) {
    return std::clamp<qint32>(StrToInt(buttonsText), 0, kMaxButtons);
}

// The four groups of per-button lines, in page order. The frame separator is the
// link one, one blank longer than the label and image separators, so for
// one-digit numbers a frame's value stands one column further right than the
// others'.
struct ButtonGroup {
    ButtonField field;
    std::string_view prefix;
    std::string_view separator;
};
constexpr ButtonGroup kButtonGroups[] = {
    {ButtonField::Label, "<param name=\"label "sv, "\"         value=\""sv},
    {ButtonField::Link, "<param name=\"link "sv, "\"          value=\""sv},
    {ButtonField::Image, "<param name=\"image "sv, "\"         value=\""sv},
    {ButtonField::Frame, "<param name=\"frame "sv, "\"          value=\""sv},
};
constexpr bool copiedInline(std::string_view text) {
    return text.size() >= PageBuffer::kMediumMin && text.size() <= PageBuffer::kMediumMax;
}
constexpr bool groupsCopiedInline() {
    for (const ButtonGroup& group : kButtonGroups) {
        if (!copiedInline(group.prefix) || !copiedInline(group.separator))
            return false;
    }
    return true;
}
static_assert(groupsCopiedInline(), "copyMedium takes 16 to 32 bytes");

// Room enough for the whole page when every text is ASCII, so the buffer is
// allocated once at its final size: a buffer that grows is copied, and the
// largest bar's page of 14 MB would briefly take three times that. Every text
// is asked room for at the encoder's bound (three bytes a unit), so the longest
// one's excess is added; texts beyond ASCII may still make the buffer grow.
qsizetype pageCapacity(const AppletSettings& s, int n) {
    constexpr qsizetype kFixed = 1024; // the fixed lines, with the longest prefixes
    qsizetype units = 0;
    qsizetype longest = 0;
    for (const QString* text :
         {&s.title, &s.align, &s.AppletWidth, &s.AppletHeight, &s.buttons, &s.buttonColour.hex,
          &s.DirectionCode, &s.border, &s.degree, &s.StyleCode, &s.fontSize, &s.FontStyleCode,
          &s.fontColour.hex, &s.clickColour.hex, &s.PositionCode, &s.fOffset, &s.font}) {
        units += text->size();
        longest = std::max(longest, text->size());
    }
    qsizetype fixed = 0;
    for (const ButtonGroup& group : kButtonGroups) {
        fixed += qsizetype(group.prefix.size() + group.separator.size() + kButtonLineEnd.size());
        for (int k = 1; k <= n; ++k) {
            const qsizetype size = s.table.entry(group.field, k).size();
            units += size;
            longest = std::max(longest, size);
        }
    }
    // The numbers 0 to n - 1 once in each group, and the room a line asks beyond
    // its own for the longest number.
    qsizetype digits = PageBuffer::kNumberRoom;
    for (qsizetype from = 0, to = 10, width = 1; from < n; from = to, to *= 10, ++width)
        digits += 4 * (std::min<qsizetype>(n, to) - from) * width;
    return kFixed + units + qsizetype(n) * fixed + digits + 2 * longest;
}

// One group of per-button lines; button k's params are numbered k - 1.
void putGroup(PageBuffer& out, const AppletSettings& s, int n, const ButtonGroup& group) {
    // Reading the texts is most of the work: each is a block of its own somewhere
    // on the heap, so ask for the one a few lines ahead while writing this one.
    constexpr int kAhead = 8;
    for (int k = 1; k <= n; ++k) {
        if (k + kAhead <= n)
            __builtin_prefetch(s.table.entry(group.field, k + kAhead).constData());
        out.putButtonLine(group.prefix, k - 1, group.separator, s.table.entry(group.field, k));
    }
}

} // namespace

QString AppletPage::text(qsizetype first, qsizetype last) const {
    if (first >= last)
        return QString();
    // One decoder call a line into one buffer: UTF-8 never has fewer bytes than
    // the UTF-16 units it decodes to, so the bytes and a '\n' a line are room enough.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const qsizetype begin = first == 0 ? appletBegin : lineEnds[first - 1] + 2;
    QString text(lineEnds[last - 1] - begin + 1, Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = first; i < last; ++i) {
        out = decoder.appendToBuffer(out, line(i));
        *out++ = u'\n';
    }
    text.truncate(out - text.constData());
    return text;
}

void appendLineEnds(QByteArrayView bytes, qsizetype from, QList<qsizetype>& ends) {
    // Each CR found by memchr, which takes the bytes many at a time: a general
    // search for the pair took most of Make HTML's time beside the writing.
    const char* const begin = bytes.data();
    const char* const end = begin + bytes.size();
    const char* cr = begin + from;
    while ((cr = static_cast<const char*>(std::memchr(cr, '\r', size_t(end - cr))))) {
        if (cr + 1 < end && cr[1] == '\n')
            ends.append(cr - begin);
        ++cr;
    }
}

AppletPage linesOf(const QByteArray& lines) {
    AppletPage page;
    page.bytes = lines;
    page.appletEnd = lines.size();
    appendLineEnds(lines, 0, page.lineEnds);
    return page;
}

QString appletPagePath(const QString& workingDirectory, const QString& title) {
    return workingDirectory + title + QLatin1String(".html");
}

namespace {

// The page, and whether all of it is ASCII (then it needs no byte order mark).
AppletPage buildAppletPage(const AppletSettings& s, bool& ascii) {
    const int n = groupSize(s.buttons);
    // The applet part: the <p align= line, the applet line, 13 setting lines, the
    // per-button lines, </applet> and </p>.
    PageBuffer out(pageCapacity(s, n), 2 + 13 + qsizetype(n) * 4 + 2);
    AppletPage page;

    line(out, "<html>"sv);
    line(out);
    line(out, "<head>"sv);
    line(out, "<title>"sv, s.title, "</title>"sv);
    line(out, "</head>"sv);
    line(out);
    line(out, "<body background bgcolor=\"#000000\">"sv);
    line(out);

    page.appletBegin = out.size();
    appletLine(out, "<p align="sv, s.align, ">"sv);
    appletLine(out, "<applet code=\"button.class\" width="sv, s.AppletWidth, " height="sv,
               s.AppletHeight, ">"sv);
    // The prefixes pad `value="` into two columns (36 and 35 characters); the
    // blanks are part of the page the applet reads.
    appletLine(out, "<param name=\"buttons\"        value=\""sv, s.buttons, "\">"sv);
    appletLine(out, "<param name=\"color\"          value=\""sv, s.buttonColour.hex, "\">"sv);
    appletLine(out, "<param name=\"direction\"      value=\""sv, s.DirectionCode, "\">"sv);
    appletLine(out, "<param name=\"border width\"   value=\""sv, s.border, "\">"sv);
    appletLine(out, "<param name=\"degree\"         value=\""sv, s.degree, "\">"sv);
    appletLine(out, "<param name=\"style\"          value=\""sv, s.StyleCode, "\">"sv);
    appletLine(out, "<param name=\"f_size\"         value=\""sv, s.fontSize, "\">"sv);
    appletLine(out, "<param name=\"f_style\"        value=\""sv, s.FontStyleCode, "\">"sv);
    appletLine(out, "<param name=\"f_color\"       value=\""sv, s.fontColour.hex, "\">"sv);
    appletLine(out, "<param name=\"f_color2\"      value=\""sv, s.clickColour.hex, "\">"sv);
    appletLine(out, "<param name=\"position\"      value=\""sv, s.PositionCode, "\">"sv);
    appletLine(out, "<param name=\"f_offset\"      value=\""sv, s.fOffset, "\">"sv);
    appletLine(out, "<param name=\"font\"          value=\""sv, s.font, "\">"sv);
    for (const ButtonGroup& group : kButtonGroups)
        putGroup(out, s, n, group);
    appletLine(out, "</applet>"sv);
    appletLine(out, "</p>"sv);
    page.appletEnd = out.size();

    line(out);
    line(out, "</body>"sv);
    line(out);
    line(out, "</html>"sv);
    line(out);

    ascii = out.ascii();
    page.bytes = out.takeBytes();
    page.lineEnds = out.takeLineEnds();
    return page;
}

} // namespace

AppletPage BuildAppletPage(const AppletSettings& s) {
    bool ascii = true;
    return buildAppletPage(s, ascii);
}

void GenerateAppletPage(AppletSettings& settings, const QString& workingDirectory, HtmlTab& tab) {
    DeriveAppletValues(settings);
    // Emptied first, so the tab lets go of the previous page before the next one
    // is built: the largest bar's page is 14 MB.
    tab.clear();
    bool ascii = true;
    // Cannot fail after a successful derivation: it converted the button count already.
    const AppletPage page = buildAppletPage(settings, ascii);

    AtomicFileWriter writer(appletPagePath(workingDirectory, settings.title));
    tab.setLines(page);
    // The page declares no character set, so a browser guesses it, and guesses
    // UTF-8 text wrong often enough ("CafÃ©"). The byte order mark settles it in
    // every browser; a page of ASCII alone reads the same in all of them and is
    // written without it.
    if (!ascii)
        writer.write(kUtf8ByteOrderMark.data(), qsizetype(kUtf8ByteOrderMark.size()));
    writer.write(page.bytes);
    writer.commit();
}

void SaveAppletHtml(const AppletPage& page, const QString& path) {
    const QByteArrayView lines = page.appletLines();
    AtomicFileWriter writer(path);
    writer.write(lines.data(), lines.size());
    writer.commit();
}

} // namespace brivane
