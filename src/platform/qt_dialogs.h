#pragma once

#include "platform/dialogs.h"

#include <QPointer>

class QColorDialog;

namespace brivane {

// The real dialogs: Qt's message boxes, file dialogs and one colour dialog that
// is kept for the whole run, so its custom colours survive between uses.
class QtDialogs : public Dialogs {
public:
    // Starts the run with blank custom colours: they belong to this run only.
    QtDialogs();
    ~QtDialogs() override;
    QtDialogs(const QtDialogs&) = delete;
    QtDialogs& operator=(const QtDialogs&) = delete;

    void showMessage(QWidget* parent, const QString& text) override;
    void showError(QWidget* parent, const QString& text) override;
    bool askYesNo(QWidget* parent, const QString& caption, const QString& text) override;
    std::optional<QString> openFile(QWidget* parent, const FileDialogOptions& options) override;
    std::optional<QString> saveFile(QWidget* parent, const FileDialogOptions& options) override;
    std::optional<QColor> pickColor(QWidget* parent, const QColor& initial) override;
    std::optional<QString> askText(QWidget* parent, const QString& caption, const QString& label,
                                   const QString& initial) override;

    // The shared colour dialog (created on first use).
    QColorDialog* colorDialog();

private:
    std::optional<QString> runFileDialog(QWidget* parent, const FileDialogOptions& options,
                                         bool save);

    QPointer<QColorDialog> colorDialog_;
};

} // namespace brivane
