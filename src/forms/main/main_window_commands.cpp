// The commands that act on the whole: Make, Copy and Save HTML, Reset All, Exit
// and the two help topics.
#include "forms/main/main_window.h"

#include "model/page_generator.h"
#include "platform/failure_boundary.h"
#include "platform/program_names.h"
#include "ui_main_window.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QStringDecoder>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace brivane {

namespace {

// Help topics by context number.
constexpr int kHelpContextUsing = 10;
constexpr int kHelpContextTroubleshooting = 60;

// The box would end its line at these (a text cursor starts a new block at each);
// inside a line they are shown as a break within it, or for the two frame marks
// as the replacement character. Display only: Copy and Save take the page's lines.
void showInOneLine(QChar* begin, QChar* end) {
    for (QChar* c = begin; c != end; ++c) {
        const char16_t u = c->unicode();
        if (u == u'\n' || u == u'\r' || u == QChar::ParagraphSeparator)
            *c = QChar::LineSeparator;
        else if (u == 0xFDD0 || u == 0xFDD1)
            *c = QChar::ReplacementCharacter;
    }
}

// Lines first to last - 1 of the page as the box shows them, each followed by '\n'.
QString shownLines(const AppletPage& page, qsizetype first, qsizetype last) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const qsizetype begin = first == 0 ? page.appletBegin : page.lineEnds[first - 1] + 2;
    // UTF-8 never has fewer bytes than the UTF-16 units it decodes to.
    QString text(page.lineEnds[last - 1] - begin + 1, Qt::Uninitialized);
    QChar* out = text.data();
    for (qsizetype i = first; i < last; ++i) {
        QChar* const start = out;
        out = decoder.appendToBuffer(out, page.line(i));
        showInOneLine(start, out);
        *out++ = u'\n';
    }
    text.truncate(out - text.constData());
    return text;
}

} // namespace

// The "HTML" tab's box. It shows the last page's applet lines, but is filled only
// while the tab is shown, by a 0 ms timer a slice at a time, each well under a
// frame: the box takes a few microseconds a line, so the largest bar's 131
// thousand lines in one go froze the window for 0.3 to 1.6 s on every Make HTML,
// whether the tab was looked at or not. A box that holds many lines is given an
// empty document at once and the old one is taken apart in later slices, since
// destroying it in one go also takes tens of milliseconds.
class HtmlBox : public QObject, public HtmlTab {
public:
    HtmlBox(QPlainTextEdit* box, QTabWidget* pages, QWidget* tab, QObject* parent)
        : QObject(parent), box_(box), pages_(pages), tab_(tab) {
        timer_.setSingleShot(true);
        timer_.setInterval(0);
        connectGuarded(&timer_, &QTimer::timeout, this, [this] { runSlice(); });
        connectGuarded(pages_, &QTabWidget::currentChanged, this, [this] { schedule(); });
    }

    void clear() override {
        timer_.stop();
        page_ = AppletPage();
        filled_ = 0;
        selectAllWhenFilled_ = false;
        emptyBox();
        schedule();
    }

    void setLines(const AppletPage& page) override {
        clear();
        page_ = page;
        schedule();
    }

    const AppletPage& page() const { return page_; }

    // Copy HTML: the whole text stays selected, lines still to come included.
    void selectAll() {
        box_->selectAll();
        // A cursor at the end moves on with the lines put in there, so the
        // selection grows with them; only an empty box has its anchor there too.
        selectAllWhenFilled_ = filled_ == 0 && page_.lineCount() > 0;
    }

private:
    // A slice stops after the batch that reaches a third of a frame, leaving the
    // rest for painting and for whatever else the user does meanwhile. A batch is
    // one insertion (about a millisecond): each insertion costs a fixed amount
    // besides its lines, so single lines would take several times as long.
    static constexpr qint64 kSliceNs = 5'000'000;
    static constexpr qsizetype kBatchLines = 256;
    static constexpr int kDeleteAtOnce = 4096;   // blocks a document may have to be deleted whole
    static constexpr int kTakeApartBlocks = 512; // blocks removed from an old document a step

    bool fillDue() const { return filled_ < page_.lineCount() && pages_->currentWidget() == tab_; }

    void schedule() {
        if (fillDue() || !retired_.empty())
            timer_.start();
    }

    void runSlice() {
        QElapsedTimer clock;
        clock.start();
        if (fillDue())
            fill(clock);
        else
            takeApart(clock);
        schedule();
    }

    // The next lines, a batch at a time, until the slice's time is up. A new
    // page's first slice is one batch, so the first screenful shows at once.
    void fill(const QElapsedTimer& clock) {
        QTextDocument* document = box_->document();
        QAbstractTextDocumentLayout* layout = document->documentLayout();
        const bool first = filled_ == 0;
        do {
            const qsizetype last = std::min(page_.lineCount(), filled_ + kBatchLines);
            // Does the box show where the lines go in? Usually not: then it need not
            // repaint, only learn its new size for the scroll bars.
            const bool inView =
                filled_ <=
                box_->cursorForPosition(QPoint(0, box_->viewport()->height())).blockNumber();
            {
                const QSignalBlocker quiet(layout);
                QTextCursor cursor(document);
                cursor.movePosition(QTextCursor::End);
                cursor.insertText(shownLines(page_, filled_, last));
            }
            // What the held-back layout would have told the box about its size.
            emit layout->documentSizeChanged(layout->documentSize());
            if (inView)
                box_->viewport()->update();
            if (filled_ == 0) {
                // The box's cursor stood where the lines went in and moved past them;
                // the user reads from the top (or gets the whole text selected).
                if (selectAllWhenFilled_)
                    box_->selectAll();
                else
                    box_->setTextCursor(QTextCursor(document));
            }
            filled_ = last;
        } while (!first && filled_ < page_.lineCount() && clock.nsecsElapsed() < kSliceNs);
    }

    // An empty document in place of one with lines; a large one is kept to be
    // taken apart later.
    void emptyBox() {
        QTextDocument* old = box_->document();
        if (old->isEmpty())
            return;
        auto* fresh = new QTextDocument(this);
        fresh->setDocumentLayout(new QPlainTextDocumentLayout(fresh));
        fresh->setDefaultFont(old->defaultFont());
        fresh->setDefaultTextOption(old->defaultTextOption());
        fresh->setDocumentMargin(old->documentMargin());
        fresh->documentLayout()->setPaintDevice(box_->viewport());
        fresh->setUndoRedoEnabled(false);
        // The box deletes a document it made itself when given another one.
        old->setParent(this);
        box_->setDocument(fresh);
        if (old->blockCount() <= kDeleteAtOnce)
            delete old;
        else
            retired_.push_back(old);
    }

    // Removes the last lines of the old documents, deleting each once it is small.
    void takeApart(const QElapsedTimer& clock) {
        while (!retired_.empty() && clock.nsecsElapsed() < kSliceNs) {
            QTextDocument* old = retired_.back();
            if (old->blockCount() <= kDeleteAtOnce) {
                retired_.pop_back();
                delete old;
                continue;
            }
            QTextCursor cursor(old);
            cursor.movePosition(QTextCursor::End);
            const QTextBlock from = old->findBlockByNumber(old->blockCount() - kTakeApartBlocks);
            cursor.setPosition(from.position(), QTextCursor::KeepAnchor);
            cursor.removeSelectedText();
        }
    }

    QPlainTextEdit* box_;
    QTabWidget* pages_;
    QWidget* tab_;
    AppletPage page_;
    qsizetype filled_ = 0; // the box shows page_'s lines up to here
    bool selectAllWhenFilled_ = false;
    std::vector<QTextDocument*> retired_;
    QTimer timer_;
};

void Tmain_window::wireCommands() {
    htmlBox_ = new HtmlBox(ui->html_box, ui->PageControl1, ui->TabSheet3, this);
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
    generatePage(*htmlBox_);
}

// Copy HTML: the lines of the last generation, never a fresh one, taken from the
// page rather than read back from the box, which shows some characters otherwise
// (and may not be filled yet).
void Tmain_window::SpeedButton9Click() {
    htmlBox_->selectAll();
    QGuiApplication::clipboard()->setText(htmlBox_->page().tabText());
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
    SaveAppletHtml(htmlBox_->page(), *path);
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
