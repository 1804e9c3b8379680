#pragma once

#include <QColor>
#include <QString>

#include <optional>

class QWidget;

namespace brivane {

// A file dialog as a window defines it. The filter is in Qt's form
// ("Text File (*.txt)"); the dialog opens at initialPath.
struct FileDialogOptions {
    QString filter;
    QString defaultSuffix; // without the dot; empty for none
    QString initialPath;
    bool confirmOverwrite = false;
    bool mustExist = false;
    // Choose an existing folder instead of a file (open dialogs only).
    bool folder = false;
    QString caption; // empty: the toolkit's own
};

// Every modal dialog the windows use. Widgets never open QMessageBox, QFileDialog
// or QColorDialog themselves: they ask this, so tests can answer for the user.
class Dialogs {
public:
    virtual ~Dialogs() = default;
    // Plain message: application title as caption, no icon, one "OK" button.
    virtual void showMessage(QWidget* parent, const QString& text) = 0;
    // Error box: application title as caption, critical icon, one OK button.
    virtual void showError(QWidget* parent, const QString& text) = 0;
    // Yes/No question of the information kind; Enter answers Yes, Escape No.
    virtual bool askYesNo(QWidget* parent, const QString& caption, const QString& text) = 0;
    // The chosen path, or nothing when cancelled.
    virtual std::optional<QString> openFile(QWidget* parent, const FileDialogOptions& options) = 0;
    virtual std::optional<QString> saveFile(QWidget* parent, const FileDialogOptions& options) = 0;
    // The shared colour dialog, opened at `initial` with the custom colours shown.
    virtual std::optional<QColor> pickColor(QWidget* parent, const QColor& initial) = 0;
    // One line of text, asked with `label` under `caption` and opened at
    // `initial`; the text as typed, or nothing when cancelled.
    virtual std::optional<QString> askText(QWidget* parent, const QString& caption,
                                           const QString& label, const QString& initial) = 0;
};

} // namespace brivane
