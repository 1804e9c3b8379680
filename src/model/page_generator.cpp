#include "model/page_generator.h"

#include "model/errors.h"
#include "model/text_file.h"

#include <algorithm>

namespace brivane {

namespace {

constexpr char kCrLf[] = "\r\n";
constexpr char kLineEnd[] = "\">\r\n";

// Per-button groups in page order. The frame separator is the link one, one blank
// longer than the label and image separators, so for one-digit numbers a frame's
// value stands one column further right than the others'.
struct ButtonGroup {
    QLatin1String prefix;
    QLatin1String separator;
    ButtonField field;
};

const ButtonGroup kButtonGroups[] = {
    {QLatin1String("<param name=\"label "), QLatin1String("\"         value=\""),
     ButtonField::Label},
    {QLatin1String("<param name=\"link "), QLatin1String("\"          value=\""),
     ButtonField::Link},
    {QLatin1String("<param name=\"image "), QLatin1String("\"         value=\""),
     ButtonField::Image},
    {QLatin1String("<param name=\"frame "), QLatin1String("\"          value=\""),
     ButtonField::Frame},
};

// Appends k in decimal without building a temporary string.
void appendNumber(QString& out, int k) {
    char16_t digits[12];
    int count = 0;
    unsigned value = static_cast<unsigned>(k);
    do {
        digits[count++] = char16_t(u'0' + value % 10);
        value /= 10;
    } while (value != 0);
    std::reverse(digits, digits + count);
    out.append(reinterpret_cast<const QChar*>(digits), count);
}

void appendLine(QString& out, QLatin1String prefix, const QString& value) {
    out.append(prefix);
    out.append(value);
    out.append(QLatin1String(kLineEnd));
}

// The number of per-button lines of each group: the button count, never more
// than the table holds (the window's number check keeps it in 1..32767 anyway).
int groupSize(const QString& buttonsText) {
    const qint32 n = StrToInt(buttonsText);
    return std::clamp<qint32>(n, 0, kMaxButtons);
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
    AppletPage page;
    page.head.reserve(128 + s.title.size());
    page.head += QLatin1String("<html>\r\n\r\n<head>\r\n<title>");
    page.head += s.title;
    page.head +=
        QLatin1String("</title>\r\n</head>\r\n\r\n<body background bgcolor=\"#000000\">\r\n"
                      "\r\n");

    // N is converted afresh for each group; it is the same number each time, so
    // one conversion serves all four.
    const int n = groupSize(s.buttons);

    // Reserve the whole applet part at once: 131 thousand lines for the largest bar.
    qsizetype size = 1024;
    for (const QString* text :
         {&s.align, &s.AppletWidth, &s.AppletHeight, &s.buttons, &s.buttonColour.hex,
          &s.DirectionCode, &s.border, &s.degree, &s.StyleCode, &s.fontSize, &s.FontStyleCode,
          &s.fontColour.hex, &s.clickColour.hex, &s.PositionCode, &s.fOffset, &s.font})
        size += text->size();
    for (const ButtonGroup& group : kButtonGroups) {
        size += qsizetype(n) * (group.prefix.size() + group.separator.size() + 5 + 4);
        for (int k = 1; k <= n; ++k)
            size += s.table.entry(group.field, k).size();
    }

    QString& out = page.appletPart;
    out.reserve(size);
    out += QLatin1String("<p align=");
    out += s.align;
    out += QLatin1String(">\r\n<applet code=\"button.class\" width=");
    out += s.AppletWidth;
    out += QLatin1String(" height=");
    out += s.AppletHeight;
    out += QLatin1String(">\r\n");

    // The prefixes pad `value="` into two columns (36 and 35 characters); the
    // blanks are part of the page the applet reads.
    appendLine(out, QLatin1String("<param name=\"buttons\"        value=\""), s.buttons);
    appendLine(out, QLatin1String("<param name=\"color\"          value=\""), s.buttonColour.hex);
    appendLine(out, QLatin1String("<param name=\"direction\"      value=\""), s.DirectionCode);
    appendLine(out, QLatin1String("<param name=\"border width\"   value=\""), s.border);
    appendLine(out, QLatin1String("<param name=\"degree\"         value=\""), s.degree);
    appendLine(out, QLatin1String("<param name=\"style\"          value=\""), s.StyleCode);
    appendLine(out, QLatin1String("<param name=\"f_size\"         value=\""), s.fontSize);
    appendLine(out, QLatin1String("<param name=\"f_style\"        value=\""), s.FontStyleCode);
    appendLine(out, QLatin1String("<param name=\"f_color\"       value=\""), s.fontColour.hex);
    appendLine(out, QLatin1String("<param name=\"f_color2\"      value=\""), s.clickColour.hex);
    appendLine(out, QLatin1String("<param name=\"position\"      value=\""), s.PositionCode);
    appendLine(out, QLatin1String("<param name=\"f_offset\"      value=\""), s.fOffset);
    appendLine(out, QLatin1String("<param name=\"font\"          value=\""), s.font);

    for (const ButtonGroup& group : kButtonGroups) {
        for (int k = 1; k <= n; ++k) {
            out += group.prefix;
            appendNumber(out, k - 1);
            out += group.separator;
            out += s.table.entry(group.field, k);
            out += QLatin1String(kLineEnd);
        }
    }
    out += QLatin1String("</applet>\r\n</p>\r\n");

    page.tail = QLatin1String("\r\n</body>\r\n\r\n</html>\r\n\r\n");
    return page;
}

void GenerateAppletPage(AppletSettings& settings, const QString& workingDirectory, HtmlTab& tab) {
    DeriveAppletValues(settings);
    // Cannot fail after a successful derivation: it converted the button count already.
    const AppletPage page = BuildAppletPage(settings);

    tab.clear();
    AtomicFileWriter writer(appletPagePath(workingDirectory, settings.title));
    tab.setText(page.tabText());
    writer.write(page.head.toUtf8());
    writer.write(page.appletPart.toUtf8());
    writer.write(page.tail.toUtf8());
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
        text.append(QLatin1String(kCrLf));
        start = end + 1;
    }
    writeFileAtomically(path, text.toUtf8());
}

} // namespace brivane
