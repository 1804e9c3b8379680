#pragma once

#include "model/applet_settings.h"

#include <QString>

namespace brivane {

// Where the applet part of the page is shown ("HTML" tab). The generator empties
// it before the page file is created and fills it in one go.
class HtmlTab {
public:
    virtual ~HtmlTab() = default;
    virtual void clear() = 0;
    // The applet part, one line after another, each followed by '\n'.
    virtual void setText(const QString& text) = 0;
};

// The page as three runs of lines, each line ending in CR LF: items 1-8, the
// applet part (items 9-26, the part the tab shows) and items 27-31.
struct AppletPage {
    QString head;
    QString appletPart;
    QString tail;

    QByteArray fileBytes() const; // the page file's bytes (UTF-8)
    QString tabText() const;      // the applet part with '\n' line breaks
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
