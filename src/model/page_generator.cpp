#include "model/page_generator.h"

#include "model/errors.h"
#include "model/text_file.h"

#include <QStringEncoder>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string_view>
#include <utility>

namespace brivane {

using namespace std::string_view_literals;

namespace {

// The page file's bytes, built line by line in one buffer. The largest bar has
// 131 thousand lines, so the buffer grows rarely and every text goes straight in:
// fixed texts are copied, setting texts encoded in place (Qt's UTF-8 encoder
// copies ASCII runs in bulk).
class PageBuffer {
public:
    explicit PageBuffer(qsizetype capacity) : bytes_(capacity, Qt::Uninitialized) {}

    void put(std::string_view text) {
        std::memcpy(room(qsizetype(text.size())), text.data(), text.size());
        used_ += qsizetype(text.size());
    }
    void put(const QString& text) {
        used_ = encode(room(encoder_.requiredSpace(text.size())), text) - bytes_.constData();
    }

    // A per-button line, the line the largest bar has 131 thousand of: one check
    // for room, then everything written straight in.
    void putButtonLine(std::string_view prefix, int number, std::string_view separator,
                       const QString& value) {
        constexpr std::string_view end = "\">\r\n";
        char* out = room(qsizetype(prefix.size() + 11 + separator.size() + end.size()) +
                         encoder_.requiredSpace(value.size()));
        out = std::copy(prefix.begin(), prefix.end(), out);
        out = std::to_chars(out, out + 11, number).ptr;
        out = std::copy(separator.begin(), separator.end(), out);
        out = encode(out, value);
        out = std::copy(end.begin(), end.end(), out);
        used_ = out - bytes_.constData();
    }

    qsizetype size() const { return used_; }
    QByteArray take() {
        bytes_.truncate(used_);
        return std::move(bytes_);
    }

private:
    // Most texts are ASCII and short: copy those units straight, and leave the
    // encoder only what follows the first other character.
    char* encode(char* out, const QString& text) {
        const char16_t* in = reinterpret_cast<const char16_t*>(text.constData());
        const char16_t* const end = in + text.size();
        while (in != end && *in < 0x80)
            *out++ = char(*in++);
        if (in != end)
            out = encoder_.appendToBuffer(out, QStringView(in, end - in));
        return out;
    }

    char* room(qsizetype size) {
        if (bytes_.size() - used_ < size)
            bytes_.resize(std::max(bytes_.size() * 2, used_ + size));
        return bytes_.data() + used_;
    }

    QByteArray bytes_;
    qsizetype used_ = 0;
    QStringEncoder encoder_{QStringEncoder::Utf8, QStringConverter::Flag::Stateless};
};

// One line: its parts, then CR LF.
template <typename... Parts> void line(PageBuffer& out, const Parts&... parts) {
    (out.put(parts), ...);
    out.put("\r\n"sv);
}

// The number of per-button lines of each group. N is converted afresh for each
// group; it is the same number each time, so one conversion serves all four.
// Never more than the table holds (the window's check keeps it in 1..32767).
int groupSize(const QString& buttonsText) {
    return std::clamp<qint32>(StrToInt(buttonsText), 0, kMaxButtons);
}

// One group of per-button lines; button k's params are numbered k - 1.
void putGroup(PageBuffer& out, const AppletSettings& s, int n, std::string_view prefix,
              std::string_view separator, ButtonField field) {
    // Reading the texts is most of the work: each is a block of its own somewhere
    // on the heap, so ask for the one a few lines ahead while writing this one.
    constexpr int kAhead = 8;
    for (int k = 1; k <= n; ++k) {
        if (k + kAhead <= n)
            __builtin_prefetch(s.table.entry(field, k + kAhead).constData());
        out.putButtonLine(prefix, k - 1, separator, s.table.entry(field, k));
    }
}

} // namespace

QString tabTextFromLines(QByteArrayView lines) {
    QString text = QString::fromUtf8(lines);
    // Only the CR LF pairs that end the lines become '\n'; nothing else changes.
    QChar* out = text.data();
    const QChar* in = out;
    const QChar* const end = in + text.size();
    while (in != end) {
        if (*in == u'\r' && in + 1 != end && in[1] == u'\n')
            ++in;
        *out++ = *in++;
    }
    text.truncate(out - text.constData());
    return text;
}

QString appletPagePath(const QString& workingDirectory, const QString& title) {
    return workingDirectory + title + QLatin1String(".html");
}

AppletPage BuildAppletPage(const AppletSettings& s) {
    const int n = groupSize(s.buttons);
    // About 50 bytes a per-button line; a short guess only costs a regrowth.
    PageBuffer out(1024 + qsizetype(n) * 4 * 50);
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
    line(out, "<p align="sv, s.align, ">"sv);
    line(out, "<applet code=\"button.class\" width="sv, s.AppletWidth, " height="sv, s.AppletHeight,
         ">"sv);
    // The prefixes pad `value="` into two columns (36 and 35 characters); the
    // blanks are part of the page the applet reads.
    line(out, "<param name=\"buttons\"        value=\""sv, s.buttons, "\">"sv);
    line(out, "<param name=\"color\"          value=\""sv, s.buttonColour.hex, "\">"sv);
    line(out, "<param name=\"direction\"      value=\""sv, s.DirectionCode, "\">"sv);
    line(out, "<param name=\"border width\"   value=\""sv, s.border, "\">"sv);
    line(out, "<param name=\"degree\"         value=\""sv, s.degree, "\">"sv);
    line(out, "<param name=\"style\"          value=\""sv, s.StyleCode, "\">"sv);
    line(out, "<param name=\"f_size\"         value=\""sv, s.fontSize, "\">"sv);
    line(out, "<param name=\"f_style\"        value=\""sv, s.FontStyleCode, "\">"sv);
    line(out, "<param name=\"f_color\"       value=\""sv, s.fontColour.hex, "\">"sv);
    line(out, "<param name=\"f_color2\"      value=\""sv, s.clickColour.hex, "\">"sv);
    line(out, "<param name=\"position\"      value=\""sv, s.PositionCode, "\">"sv);
    line(out, "<param name=\"f_offset\"      value=\""sv, s.fOffset, "\">"sv);
    line(out, "<param name=\"font\"          value=\""sv, s.font, "\">"sv);
    // The frame separator is the link one, one blank longer than the label and
    // image separators, so for one-digit numbers a frame's value stands one column
    // further right than the others'.
    putGroup(out, s, n, "<param name=\"label "sv, "\"         value=\""sv, ButtonField::Label);
    putGroup(out, s, n, "<param name=\"link "sv, "\"          value=\""sv, ButtonField::Link);
    putGroup(out, s, n, "<param name=\"image "sv, "\"         value=\""sv, ButtonField::Image);
    putGroup(out, s, n, "<param name=\"frame "sv, "\"          value=\""sv, ButtonField::Frame);
    line(out, "</applet>"sv);
    line(out, "</p>"sv);
    page.appletEnd = out.size();

    line(out);
    line(out, "</body>"sv);
    line(out);
    line(out, "</html>"sv);
    line(out);

    page.bytes = out.take();
    return page;
}

void GenerateAppletPage(AppletSettings& settings, const QString& workingDirectory, HtmlTab& tab) {
    DeriveAppletValues(settings);
    // Cannot fail after a successful derivation: it converted the button count already.
    const AppletPage page = BuildAppletPage(settings);

    tab.clear();
    AtomicFileWriter writer(appletPagePath(workingDirectory, settings.title));
    tab.setLines(page.appletLines());
    writer.write(page.bytes);
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
