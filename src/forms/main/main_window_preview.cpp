// View > Preview, and the preview's way into the per-button editor.
#include "forms/main/main_window.h"

#include "forms/preview/preview_window.h"
#include "model/errors.h"
#include "platform/failure_boundary.h"
#include "ui_main_window.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

namespace brivane {

// The View menu sits between Options and Help; the other menus stay as laid out.
void Tmain_window::wirePreview() {
    auto* View1 = new QMenu(QStringLiteral("&View"), this);
    View1->setObjectName(QStringLiteral("View1"));
    QAction* Preview1 = View1->addAction(QStringLiteral("&Preview"));
    Preview1->setObjectName(QStringLiteral("Preview1"));
    Preview1->setShortcut(QKeySequence(Qt::Key_F5));
    menuBar()->insertMenu(ui->help_meue->menuAction(), View1);
    connectGuarded(Preview1, &QAction::triggered, this, [this] { Preview1Click(); });
}

void Tmain_window::Preview1Click() {
    if (preview_)
        preview_->showPreview();
}

void Tmain_window::SelectButton(int k) {
    // The preview never shows a message: with no count to go by, nothing moves.
    qint32 count = 0;
    try {
        count = StrToInt(ui->buttons->text());
    } catch (const ConversionError&) {
        return;
    }
    if (k < 1 || k > count)
        return;
    CurrentButton = k;
    ShowButtonEntry();
}

} // namespace brivane
