#pragma once

#include "model/applet_settings.h"
#include "model/settings_file.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace brivane {

// The applet code that names a button bar: "button.class" in any case, with or
// without a folder before it and with or without the ".class".
bool isButtonBarCode(QStringView code);

// What a web page holds for its first button bar applet, read as a browser reads
// the page: tag and attribute names in any case, values in double, single or no
// quotes with their character references decoded, comments and the contents of
// <script>, <style> and the like skipped. The page's bytes are UTF-8, or
// Windows-1252 when they are not valid UTF-8 (the settings file's decision).
// Reading takes time in proportion to the page's size, whatever it holds.
struct ImportedApplet {
    bool found = false;
    // Where the applet block lies in the page's bytes: from the '<' of its
    // "<applet" to just past the '>' of its "</applet>". An applet that is never
    // closed runs to the end of the page (closed is then false).
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
};

ImportedApplet readAppletPage(QByteArrayView page);

// Resolves the character references in text as a browser does, in an attribute
// value (inAttribute) or in the text of an element: named ones (amp, lt, gt,
// quot, apos, nbsp, the Latin-1 letters and signs and the common punctuation),
// decimal and hexadecimal ones. A carriage return, alone or before a line feed,
// becomes a line feed and NUL becomes U+FFFD, as the browser's input stream has them.
QString decodeCharacterReferences(QStringView text, bool inAttribute);

// Where an import puts its values: the lines of a settings file, and the
// applet's alignment, which a settings file does not hold.
class ImportTarget : public SettingsTarget {
public:
    virtual void selectAlignment(int index) = 0; // an index into alignItems()
};

// Applies an import to a record, as the window applies it to its controls
// (without the window's number checks).
class RecordImportTarget : public ImportTarget {
public:
    explicit RecordImportTarget(AppletSettings& settings) : settings_(settings), lines_(settings) {}
    void applyLine(SettingsLine line, const QString& text) override;
    QString buttonsText() const override;
    void setButtonEntry(ButtonField field, int k, const QString& text) override;
    void selectAlignment(int index) override;

private:
    AppletSettings& settings_;
    RecordSettingsTarget lines_;
};

// Puts what an applet holds into the target as a settings file would give it,
// line by line in the settings file's order, with the alignment after the title
// and the per-button entries last (param "label k" goes to entry k + 1, also
// beyond the page's `buttons`). The button size comes from the applet's width
// and height and the number of buttons. A value that cannot be used is not
// applied: what it was and why is one line of the result, in the order applied,
// followed by the params the page lacks and the count of other applets.
QStringList applyImportedApplet(const ImportedApplet& applet, ImportTarget& target);

// The one message after an import with problems: a line naming the page, then
// the problems, one a line.
QString importProblemsMessage(const QString& path, const QStringList& problems);

// The message when a page holds no button bar applet.
QString noAppletMessage(const QString& path);

} // namespace brivane
