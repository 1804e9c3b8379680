#pragma once

#include "model/applet_settings.h"
#include "model/page_generator.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace brivane {

// The bar as a standard HTML5 page with CSS, no applet and no script, drawn
// from the same BarLook as the Preview: every size, ring colour and offset in
// the style comes from it, so the page and the Preview cannot drift apart.
//
// Each button is a link holding one absolutely placed box on its face; the box
// clips the content to the face and lays out the image and the label as a flex
// row. The rings are inset box-shadows, two a ring (the top/left L first, then
// the bottom/right L), ring 1 first: an earlier shadow is painted over a later
// one, so each ring covers the wider ones below it and its top/left L wins the
// two corners it shares with its bottom/right L, as the look's corner rule says.
//
// The links form a list (announced as "list, N items"), without bullets or
// spacing. The bar keeps its size wherever it has room and wraps onto more
// lines where it has not; under forced colours each button gets a border.

// What a bar is built as.
struct WebBarOptions {
    // The class that scopes every rule, so a page can hold several bars. Empty:
    // the bar's own, "brivane-bar-" and eight hex digits that its look decides.
    QString className;
    // false: a <nav> element (flow content, for a page of its own or a paste);
    // true: a <span role="navigation">, phrasing content that can stand where an
    // applet stood inside a paragraph, keeping that paragraph's alignment.
    bool phrasing = false;
    // The path of the page the bar will stand in: the buttons whose links name
    // it are marked as the current page. Empty: no page is known.
    QString currentPage;
};

// The bar's two parts, UTF-8, every line ending in CR LF.
struct WebBar {
    QByteArray style;  // the <style> element
    QByteArray markup; // the bar element with one link per button
};

// The complete page: the bytes of the file and the part a user pastes into a
// page of their own (the <style> and <nav> elements), which the tab shows.
struct WebPage {
    QByteArray bytes;
    QByteArray part;
    QString tabText() const { return linesOf(part).tabText(); }
};

// From settings whose derived values are up to date. Throws ConversionError
// when a number the look needs is not a number.
WebBar BuildWebBar(const AppletSettings& settings, const WebBarOptions& options = {});
// `language` is the page's BCP 47 tag; `pagePath` the file the page is meant
// for, whose own button is marked as the current page (empty: none).
WebPage BuildWebPage(const AppletSettings& settings, const QString& language,
                     const QString& pagePath);

// Make HTML in the web format: derive, build, empty the tab, create the page
// file (WorkingDirectory + title + ".html"), fill the tab with the part, write
// and commit; failures leave tab and file as GenerateAppletPage's do.
void GenerateWebPage(AppletSettings& settings, const QString& workingDirectory,
                     const QString& language, HtmlTab& tab);

// True when `link`, resolved against the folder of the page at `pagePath` as a
// browser resolves it, names that page: query and fragment aside, and a folder
// standing for its index.html. Web addresses never name a local page; an empty
// link or page names nothing.
bool linkNamesPage(const QString& link, const QString& pagePath);

// True for a well-formed BCP 47 language tag ("en", "de-CH", "zh-Hant-TW",
// "sr-Latn-RS", "x-private", "i-klingon"), letter case aside. Only the form is
// checked, not whether the subtags are registered.
bool isLanguageTag(QStringView tag);

// Escaping, appended as UTF-8. Text for element content and attribute values:
// & < > " become character references. Addresses for href and src: blanks,
// control characters, everything beyond ASCII (as UTF-8 bytes) and the ASCII
// characters outside the URI syntax (" < > ` { } | ^ [ ]) are percent-encoded,
// a backslash becomes the slash browsers read it as, and & is a reference.
// A lone surrogate becomes U+FFFD.
void appendHtmlText(QByteArray& out, QStringView text);
void appendHtmlAddress(QByteArray& out, QStringView address);

} // namespace brivane
