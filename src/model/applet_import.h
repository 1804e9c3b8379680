#pragma once

#include "model/applet_settings.h"
#include "model/page_reader.h"
#include "model/settings_file.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

namespace brivane {

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

// A value of the page that the import did not use, or a note on the page.
struct ImportProblem {
    enum class Kind {
        Unusable,     // a value that cannot be used, and why
        Missing,      // the one line naming what the page lacks
        OtherApplets, // the count of the button bar applets not read
        DroppedLink,  // a link that would run script, left out
    };
    Kind kind = Kind::Unusable;
    QString text;

    friend bool operator==(const ImportProblem& a, const ImportProblem& b) {
        return a.kind == b.kind && a.text == b.text;
    }
};
using ImportProblems = QList<ImportProblem>;

// The problems' texts, in order.
QStringList problemTexts(const ImportProblems& problems);

// Puts what an applet holds into the target as a settings file would give it,
// line by line in the settings file's order, with the alignment after the title
// and the per-button entries last (param "label k" goes to entry k + 1, also
// beyond the page's `buttons`). The button size comes from the applet's width
// and height and the number of buttons. A value that cannot be used is not
// applied: what it was and why is one line of the result, in the order applied,
// followed by the params the page lacks and the count of other applets.
ImportProblems applyImportedApplet(const ImportedApplet& applet, ImportTarget& target);

// The problems a report shows of one page: the first kShownProblems and then
// "… and N more", so a page made of bad values still gives a short report.
constexpr int kShownProblems = 20;
QStringList shownProblems(const QStringList& texts);

// The one message after an import with problems: a line naming the page, then
// the problems shown, one a line.
QString importProblemsMessage(const QString& path, const ImportProblems& problems);

// The message when a page holds no button bar applet.
QString noAppletMessage(const QString& path);

} // namespace brivane
