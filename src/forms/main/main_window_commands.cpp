// The commands that act on the whole: Make, Copy and Save HTML, Reset All, Exit
// and the two help topics.
#include "forms/main/main_window.h"

#include "model/page_generator.h"
#include "platform/failure_boundary.h"
#include "platform/program_names.h"
#include "ui_main_window.h"

#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QPlainTextEdit>

namespace brivane {

namespace {

// The "HTML" tab as the generator sees it. The text arrives whole and goes into
// the box in one operation: appending 130 000 lines one by one would take seconds.
class PlainTextHtmlTab : public HtmlTab {
public:
    explicit PlainTextHtmlTab(QPlainTextEdit* box) : box_(box) {}
    void clear() override { box_->clear(); }
    // The box would take each CR LF as one break too, but a third slower than '\n'.
    void setLines(QByteArrayView lines) override { box_->setPlainText(tabTextFromLines(lines)); }

private:
    QPlainTextEdit* box_;
};

// Help topics by context number.
constexpr int kHelpContextUsing = 10;
constexpr int kHelpContextTroubleshooting = 60;

} // namespace

void Tmain_window::wireCommands() {
    connectGuarded(ui->SpeedButton4, &QAbstractButton::clicked, this,
                   [this] { SpeedButton4Click(); });
    connectGuarded(ui->SpeedButton9, &QAbstractButton::clicked, this,
                   [this] { SpeedButton9Click(); });
    connectGuarded(ui->SpeedButton10, &QAbstractButton::clicked, this,
                   [this] { SpeedButton10Click(); });
    connectGuarded(ui->SpeedButton2, &QAbstractButton::clicked, this,
                   [this] { SpeedButton2Click(); });
    connectGuarded(ui->Exit1, &QAction::triggered, this, [this] { Exit1Click(); });
    connectGuarded(ui->Help1, &QAction::triggered, this, [this] { Help1Click(); });
    connectGuarded(ui->Troubleshooting1, &QAction::triggered, this,
                   [this] { Troubleshooting1Click(); });
}

// Make HTML: the page file into WorkingDirectory and its applet part into the tab.
// Also the first step of Save HTML and Test Applet.
void Tmain_window::SpeedButton4Click() {
    captureControls();
    PlainTextHtmlTab tab(ui->html_box);
    generatePage(tab);
}

// Copy HTML: what the tab holds from the last generation, never a fresh one.
void Tmain_window::SpeedButton9Click() {
    ui->html_box->selectAll();
    QGuiApplication::clipboard()->setText(ui->html_box->toPlainText());
}

// Save HTML: ask first, so a cancel leaves even the page file alone.
void Tmain_window::SpeedButton10Click() {
    FileDialogOptions options;
    options.filter = QStringLiteral("HTML File (*.html);;Text File (*.txt)");
    options.defaultSuffix = QStringLiteral("html");
    options.initialPath = saveBox2Path;
    options.confirmOverwrite = true;
    const std::optional<QString> path = platform_.dialogs.saveFile(this, options);
    if (!path)
        return;
    saveBox2Path = *path;
    SpeedButton4Click();
    SaveAppletHtml(ui->html_box->toPlainText(), *path);
}

// Reset All. Every field is set through its control, so its change handling
// runs exactly as if the user had typed the value.
void Tmain_window::SpeedButton2Click() {
    if (!platform_.dialogs.askYesNo(this, QStringLiteral("Information"),
                                    QStringLiteral("Are you sure you want to reset all values?")))
        return;

    settings.table.clearAll();

    ui->font_size->setCurrentIndex(2);
    ui->font_box->setCurrentIndex(0);
    ui->align->setCurrentIndex(0);

    CurrentButton = 1;
    ui->Label14->setText(QStringLiteral("1"));

    ui->link_box->setText(QString());
    ui->button_label->setText(QString());
    ui->image_box->setText(QString());
    ui->frame_box->setText(QString());

    ui->f_offset->setText(QStringLiteral("4"));
    ui->border->setText(QStringLiteral("3"));
    ui->degree->setText(QStringLiteral("20"));
    ui->buttons->setText(QStringLiteral("4"));

    // Pure blue, not the start-up "0000A0": the reset has always given this one.
    settings.buttonColour = AppletColour::fromRgb(0, 0, 255);
    settings.fontColour = AppletColour::fromRgb(255, 255, 255);
    settings.clickColour = AppletColour::fromRgb(255, 0, 0);
    updateSwatches();

    ui->title->setText(QStringLiteral("untitled"));
    ui->width->setText(QStringLiteral("100"));
    ui->height->setText(QStringLiteral("26"));

    SettingsFileName.clear();
}

// Exit: ends the event loop after this event, asking nothing and saving nothing.
void Tmain_window::Exit1Click() {
    QCoreApplication::exit(0);
}

void Tmain_window::Help1Click() {
    platform_.helpViewer.showHelp(helpFileName(), kHelpContextUsing);
}

void Tmain_window::Troubleshooting1Click() {
    platform_.helpViewer.showHelp(helpFileName(), kHelpContextTroubleshooting);
}

} // namespace brivane
