#pragma once

#include "model/applet_settings.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <string_view>

namespace brivane {

// The page file's bytes (UTF-8, CR LF after every line, 30 + 4N lines) and its
// applet part, items 9 to 26: the lines the "HTML" tab shows and Copy HTML and
// Save HTML give out, kept exactly as the page file holds them. A value may hold
// a line break of its own, so where each applet line ends is recorded as the
// page is built rather than looked for afterwards. Copies share the bytes.
struct AppletPage {
    QByteArray bytes;
    qsizetype appletBegin = 0;
    qsizetype appletEnd = 0;
    QList<qsizetype> lineEnds; // where each applet line's CR LF stands in `bytes`

    // The applet part, every line with its CR LF: what Save HTML writes.
    QByteArrayView appletLines() const {
        return QByteArrayView(bytes).sliced(appletBegin, appletEnd - appletBegin);
    }
    qsizetype lineCount() const { return lineEnds.size(); }
    // Applet line i, without its CR LF.
    QByteArrayView line(qsizetype i) const {
        const qsizetype begin = i == 0 ? appletBegin : lineEnds[i - 1] + 2;
        return QByteArrayView(bytes).sliced(begin, lineEnds[i] - begin);
    }
    // Lines first to last - 1 decoded, each followed by '\n' (whatever the line
    // itself holds): with all lines, what Copy HTML puts on the clipboard.
    QString text(qsizetype first, qsizetype last) const;
    QString tabText() const { return text(0, lineCount()); }
};

// Text made of CR LF lines (the web page's part for the tab) as such a page: every
// CR LF ends a line. The web page's markup may keep a line break of a label inside
// a line; shown as two lines it means the same to a browser.
AppletPage linesOf(const QByteArray& lines);
// Appends where each CR LF of bytes[from, end) stands (its CR's offset in bytes).
void appendLineEnds(QByteArrayView bytes, qsizetype from, QList<qsizetype>& ends);

// Where the applet part of the page is shown ("HTML" tab). The generator empties
// it before the page file is created and hands it the new page before writing.
class HtmlTab {
public:
    virtual ~HtmlTab() = default;
    virtual void clear() = 0;
    // The tab shows page.line(0) to the last, one a line. Keeping the page is cheap.
    virtual void setLines(const AppletPage& page) = 0;
};

// What a page file that holds any character beyond ASCII begins with, before the
// page's bytes, so that browsers read it as UTF-8.
inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// WorkingDirectory + title + ".html", joined as they are.
QString appletPagePath(const QString& workingDirectory, const QString& title);

// Builds the page from settings whose derived values are up to date.
// Throws ConversionError if the button count is not a number.
AppletPage BuildAppletPage(const AppletSettings& settings);

// Derive, empty the tab, create the page file, fill the tab, write and commit.
// A derivation failure leaves tab and file untouched; a file that cannot be
// created leaves the tab empty; a later failure leaves the tab full and the
// previous page file as it was.
void GenerateAppletPage(AppletSettings& settings, const QString& workingDirectory, HtmlTab& tab);

// Save HTML: the page's applet lines, CR LF each, written atomically to path.
void SaveAppletHtml(const AppletPage& page, const QString& path);

} // namespace brivane
