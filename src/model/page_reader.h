#pragma once

#include "model/html_references.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>
#include <utility>

namespace brivane {

// The applet code that names a button bar: "button.class" in any case, with or
// without a folder before it and with or without the ".class".
bool isButtonBarCode(QStringView code);

// What a web page holds for its first button bar applet, read as a browser reads
// the page: tag and attribute names in any case, values in double, single or no
// quotes with their character references decoded, comments and the contents of
// <script> (in all its states), <style> and the like skipped; applets inside
// svg or math, <template>, raw text or a frameset page are not shown, so not
// taken; table cells and rows end an applet in them, and one that a table
// moves before itself comes first. The page's bytes are UTF-16 with a byte
// order mark, UTF-8, or Windows-1252 when they are not valid UTF-8 (whatever a
// meta says: that salvages mislabelled pages). Params deeper than the applet's
// children are taken, as old applet viewers did. Reading takes time in
// proportion to the page's size, whatever it holds.
struct ImportedApplet {
    bool found = false;
    // Where the applet block lies in the page's bytes: from the '<' of its
    // "<applet" to just past the '>' of its "</applet>", or to the '<' of the
    // table tag that ends the cell it stands in (which ends it too). An applet
    // that is never closed runs to the end of the page (closed is then false).
    qsizetype blockBegin = -1;
    qsizetype blockEnd = -1;
    bool closed = false;
    // Where the page's first </head> tag begins (none: -1), outside comments and
    // scripts alike.
    qsizetype headEnd = -1;

    // The text of the page's first <title> (none: no title element).
    std::optional<QString> title;
    // The alignment that the applet stands in: the align attribute of the nearest
    // enclosing <p> or <div> that has one, or "center" for a nearer <center>
    // (none: nothing aligns it).
    std::optional<QString> alignment;
    // The applet tag's width and height attributes.
    std::optional<QString> width;
    std::optional<QString> height;
    // The applet's own params (not those of an applet nested in it), in page
    // order, as name and value; a param without a value has an empty one.
    QList<std::pair<QString, QString>> params;
    // The button bar applets after the first one, nested ones included.
    int otherApplets = 0;

    // Where a bar applet lies that the page holds but a browser does not show as
    // part of it, when no shown one was found: "inside <svg>", "inside a
    // comment", "in a frameset page"... (empty: none).
    QString hiddenApplet;
    // The page is UTF-16 (its byte order mark first): it was read from its UTF-8
    // form, and the block and head places lie in that form.
    bool utf16 = false;
};

// Whether the page is read as by a browser that runs script, where <noscript>
// holds text, or as by one that does not, where it holds markup.
enum class PageScripting { Off, On };

ImportedApplet readAppletPage(QByteArrayView page, PageScripting scripting = PageScripting::Off);

} // namespace brivane
