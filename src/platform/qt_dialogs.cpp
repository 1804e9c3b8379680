#include "platform/qt_dialogs.h"

#include "platform/program_names.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace brivane {

namespace {

// Gives focus back to the window that was active before a box took it.
class ActiveWindowKeeper {
public:
    ActiveWindowKeeper() : window_(QApplication::activeWindow()) {}
    ~ActiveWindowKeeper() {
        if (window_ && window_->isVisible())
            window_->activateWindow();
    }

private:
    QPointer<QWidget> window_;
};

} // namespace

QtDialogs::QtDialogs() {
    for (int i = 0; i < QColorDialog::customCount(); ++i)
        QColorDialog::setCustomColor(i, QColor(Qt::white));
}

QtDialogs::~QtDialogs() {
    delete colorDialog_.data();
}

void QtDialogs::showMessage(QWidget* parent, const QString& text) {
    ActiveWindowKeeper keeper;
    QMessageBox box(QMessageBox::NoIcon, applicationTitle(), text, QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
}

void QtDialogs::showError(QWidget* parent, const QString& text) {
    ActiveWindowKeeper keeper;
    QMessageBox box(QMessageBox::Critical, applicationTitle(), text, QMessageBox::Ok, parent);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

bool QtDialogs::askYesNo(QWidget* parent, const QString& caption, const QString& text) {
    ActiveWindowKeeper keeper;
    QMessageBox box(QMessageBox::Information, caption, text, QMessageBox::NoButton, parent);
    box.setTextFormat(Qt::PlainText);
    QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

std::optional<QString> QtDialogs::askText(QWidget* parent, const QString& caption,
                                          const QString& label, const QString& initial) {
    ActiveWindowKeeper keeper;
    QInputDialog dialog(parent);
    dialog.setWindowTitle(caption);
    dialog.setLabelText(label);
    dialog.setTextValue(initial);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

std::optional<QString> QtDialogs::runFileDialog(QWidget* parent, const FileDialogOptions& options,
                                                bool save) {
    // The desktop's own dialog where the platform has one.
    QFileDialog dialog(parent);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(!save && options.mustExist ? QFileDialog::ExistingFile
                                                  : QFileDialog::AnyFile);
    if (options.folder) {
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly);
    }
    if (!options.caption.isEmpty())
        dialog.setWindowTitle(options.caption);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !options.confirmOverwrite);
    if (!options.filter.isEmpty())
        dialog.setNameFilter(options.filter);
    dialog.setDefaultSuffix(options.defaultSuffix);
    if (!options.initialPath.isEmpty()) {
        const QFileInfo initial(options.initialPath);
        if (initial.isDir()) {
            dialog.setDirectory(initial.absoluteFilePath());
        } else {
            dialog.setDirectory(initial.absolutePath());
            dialog.selectFile(initial.fileName());
        }
    }
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(chosen.first());
}

std::optional<QString> QtDialogs::openFile(QWidget* parent, const FileDialogOptions& options) {
    ActiveWindowKeeper keeper;
    return runFileDialog(parent, options, false);
}

std::optional<QString> QtDialogs::saveFile(QWidget* parent, const FileDialogOptions& options) {
    ActiveWindowKeeper keeper;
    return runFileDialog(parent, options, true);
}

QColorDialog* QtDialogs::colorDialog() {
    if (!colorDialog_) {
        colorDialog_ = new QColorDialog();
        // Qt's own dialog always shows the custom colours and takes any colour.
        colorDialog_->setOption(QColorDialog::DontUseNativeDialog);
        colorDialog_->setWindowTitle(QStringLiteral("Color"));
    }
    return colorDialog_;
}

std::optional<QColor> QtDialogs::pickColor(QWidget* parent, const QColor& initial) {
    ActiveWindowKeeper keeper;
    QColorDialog* dialog = colorDialog();
    // Keep it above the window that asked while it is open.
    dialog->setParent(parent, dialog->windowFlags() | Qt::Dialog);
    dialog->setWindowModality(Qt::ApplicationModal);
    dialog->setCurrentColor(initial);
    const int result = dialog->exec();
    const QColor chosen = dialog->selectedColor();
    dialog->setParent(nullptr, dialog->windowFlags() | Qt::Dialog);
    if (result != QDialog::Accepted || !chosen.isValid())
        return std::nullopt;
    return chosen;
}

} // namespace brivane
