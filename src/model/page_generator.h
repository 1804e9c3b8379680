#pragma once

#include "model/applet_settings.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace brivane {

// Where the applet part of the page is shown ("HTML" tab). The generator empties
// it before the page file is created and fills it in one go.
class HtmlTab {
public:
    virtual ~HtmlTab() = default;
    virtual void clear() = 0;
    // The applet part exactly as the page file holds it: UTF-8 lines, each
    // ending in CR LF. tabTextFromLines() gives the text the tab shows.
    virtual void setLines(QByteArrayView lines) = 0;
};

// The applet part's lines as the tab shows them: decoded, each followed by '\n'.
QString tabTextFromLines(QByteArrayView lines);

// The page file's bytes (UTF-8, CR LF after every line, 30 + 4N lines) and where
// in them the applet part lies: items 9 to 26, the lines the tab shows.
struct AppletPage {
    QByteArray bytes;
    qsizetype appletBegin = 0;
    qsizetype appletEnd = 0;

    QByteArrayView appletLines() const {
        return QByteArrayView(bytes).sliced(appletBegin, appletEnd - appletBegin);
    }
    QString tabText() const { return tabTextFromLines(appletLines()); }
};

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

// Save HTML: the tab's lines up to the first empty one, CR LF each, written
// atomically to path.
void SaveAppletHtml(const QString& tabText, const QString& path);

} // namespace brivane
