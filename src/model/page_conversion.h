#pragma once

#include "model/errors.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include "model/applet_import.h"

namespace brivane {

// An old page whose button bar applet has been replaced by the web bar.
struct ConvertedPage {
    QByteArray bytes;
    int buttons = 0;
    // Values of the applet that could not be used (the import's list).
    ImportProblems problems;
};

// What convertAppletPage throws for a page that holds no button bar applet at
// all, as opposed to one whose applet cannot be converted: a site keeps such a
// page as it is.
class NoAppletError : public Error {
public:
    using Error::Error;
};

// Replaces the page's first button bar applet block (<applet ...> to </applet>)
// by the web bar, placed inline so the page's own alignment still applies, and
// puts the bar's <style> at the end of the head (before the bar when the page
// has no head). Every byte outside the block stays as it was. What is inserted
// is ASCII, with character references for anything beyond it, so it reads
// the same in a UTF-8 and in a Windows-1252 page. Throws Error with the reason
// when the page holds no such applet (as NoAppletError), when its block is never
// closed, or when a number the bar needs is not a number. `pagePath` is the
// page's own file: the button whose link names it is marked as the current page
// (empty: none).
ConvertedPage convertAppletPage(QByteArrayView page, const QString& pagePath = QString());

// The name of the converted page: the page's extension (any case) replaced by
// ".web.html": "a.htm" -> "a.web.html", "b.HTML" -> "b.web.html", "c" -> "c.web.html".
QString webPageFileName(const QString& pageFileName);

} // namespace brivane
