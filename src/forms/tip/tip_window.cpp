#include "forms/tip/tip_window.h"

#include "forms/window_placement.h"
#include "platform/failure_boundary.h"

#include "ui_tip_window.h"

namespace brivane {

Ttip_window::Ttip_window(QWidget* parent) : QDialog(parent), ui(new Ui::Ttip_window) {
    ui->setupUi(this);
    setWindowFlags(kFixedToolDialogFlags);
    setFixedSize(size());
    connectGuarded(ui->Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

Ttip_window::~Ttip_window() = default;

void Ttip_window::setLines(const Lines& lines) {
    QLabel* labels[] = {ui->Label1, ui->Label2, ui->Label3, ui->Label4, ui->Label5, ui->Label6};
    for (std::size_t i = 0; i < lines.size(); ++i)
        labels[i]->setText(lines[i]);
}

Ttip_window::Lines Ttip_window::lines() const {
    return {ui->Label1->text(), ui->Label2->text(), ui->Label3->text(),
            ui->Label4->text(), ui->Label5->text(), ui->Label6->text()};
}

void Ttip_window::showTip() {
    show();
    raise();
    activateWindow();
    ui->Button1->setFocus(Qt::ActiveWindowFocusReason);
}

void Ttip_window::Button1Click() {
    hide();
}

void Ttip_window::setVisible(bool visible) {
    centreOnFirstShow(this, visible, placed_);
    QDialog::setVisible(visible);
}

} // namespace brivane
