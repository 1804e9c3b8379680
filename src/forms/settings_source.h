#pragma once

#include "model/applet_settings.h"

#include <QObject>
#include <QString>

#include <vector>

namespace brivane {

// A number field whose text is no number: its caption as the window shows it
// (trimmed) and the text it holds.
struct FieldNotANumber {
    QString caption;
    QString text;
};

// What a window beside the main window may know of the settings being edited,
// and the one thing it may ask of it. The main window implements it; a window
// that draws from the settings (the Preview) sees only this, so it never
// reaches into another window's controls and can be tried on a stand-in.
class SettingsSource : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // The settings as the controls show them now, derived on a copy (the
    // owner's own record is left as it is). Call only while fieldsNotNumbers()
    // is empty: the derivation needs the numbers. The copy's button table is
    // left empty and must not be read; the texts are in buttonTable().
    virtual AppletSettings snapshot() const = 0;
    // The number fields whose text is no number, in the order the window shows them.
    virtual std::vector<FieldNotANumber> fieldsNotNumbers() const = 0;
    // The per-button texts; the reference stays valid as long as the source.
    virtual const ButtonTable& buttonTable() const = 0;
    // The folder that relative image names are found in.
    virtual QString workingDirectory() const = 0;
    // Moves the per-button editor to button k; a k outside the bar changes nothing.
    virtual void selectButton(int k) = 0;

signals:
    // Anything above may have changed: a control, a colour, an opened file, a reset.
    void changed();
};

} // namespace brivane
