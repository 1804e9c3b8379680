#include "forms/about/about_window.h"

#include "forms/window_placement.h"
#include "platform/failure_boundary.h"

#include "ui_about_window.h"

#include <QMouseEvent>

namespace brivane {

void openAddress(Platform& platform, const QString& address) {
    // The shell's answer is not looked at: a desktop without a handler for web
    // or mail addresses says so itself, if at all.
    platform.shell.execute({QStringLiteral("open"), address, QString()});
}

TAboutWindow::TAboutWindow(Platform& platform, QWidget* parent)
    : QDialog(parent), ui(new Ui::TAboutWindow), platform_(platform) {
    ui->setupUi(this);
    setWindowFlags(kFixedToolDialogFlags);
    setFixedSize(size());
    // Labels have no click signal; a release over the label counts as a click.
    ui->Label1->installEventFilter(this);
    ui->Label2->installEventFilter(this);
}

TAboutWindow::~TAboutWindow() = default;

void TAboutWindow::Label1Click() {
    openAddress(platform_, weblinks::kHomePage);
    hide();
}

void TAboutWindow::Label2Click() {
    openAddress(platform_, weblinks::kMailLink);
    hide();
}

bool TAboutWindow::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(e);
        auto* label = qobject_cast<QWidget*>(watched);
        if (mouse->button() == Qt::LeftButton && label &&
            label->rect().contains(mouse->position().toPoint())) {
            if (watched == ui->Label1) {
                runGuarded([this] { Label1Click(); });
                return true;
            }
            if (watched == ui->Label2) {
                runGuarded([this] { Label2Click(); });
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, e);
}

void TAboutWindow::setVisible(bool visible) {
    centreOnFirstShow(this, visible, placed_);
    QDialog::setVisible(visible);
}

} // namespace brivane
