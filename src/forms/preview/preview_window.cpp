#include "forms/preview/preview_window.h"

#include "forms/main/main_window.h"
#include "forms/preview/bar_view.h"
#include "model/errors.h"
#include "platform/failure_boundary.h"
#include "platform/window_beside.h"
#include "prefs/preferences.h"
#include "ui_main_window.h"
#include "ui_preview_window.h"

#include <QAction>
#include <QEvent>
#include <QFontMetrics>
#include <QListWidget>

namespace brivane {

namespace {

// Keeps a settings record's button table aside while the rest of it is copied:
// 131 thousand texts are not copied on every keystroke, and the look never
// reads them. The table is put back however the copy ends.
class TableAside {
public:
    explicit TableAside(AppletSettings& settings)
        : settings_(settings), table_(std::move(settings.table)) {}
    ~TableAside() { settings_.table = std::move(table_); }
    TableAside(const TableAside&) = delete;
    TableAside& operator=(const TableAside&) = delete;

private:
    AppletSettings& settings_;
    ButtonTable table_;
};

} // namespace

Tpreview_window::Tpreview_window(Tmain_window& main, Preferences& preferences, QWidget* parent)
    : QWidget(parent, Qt::Window), ui(std::make_unique<Ui::Tpreview_window>()), main_(main),
      preferences_(preferences) {
    ui->setupUi(this);
    ui->message_label->hide();
    ui->Splitter1->setStretchFactor(0, 3);
    ui->Splitter1->setStretchFactor(1, 1);

    // Ctrl + and Ctrl - zoom from anywhere in the window, Ctrl + wheel on the bar.
    auto* zoomIn = new QAction(this);
    zoomIn->setShortcuts({QKeySequence::ZoomIn, QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    auto* zoomOut = new QAction(this);
    zoomOut->setShortcuts(QKeySequence::ZoomOut);
    addActions({zoomIn, zoomOut});
    connectGuarded(zoomIn, &QAction::triggered, this,
                   [this] { bar()->setZoom(bar()->zoom() + 1); });
    connectGuarded(zoomOut, &QAction::triggered, this,
                   [this] { bar()->setZoom(bar()->zoom() - 1); });
    // These signals carry the button or row; each still runs in its own boundary.
    connect(bar(), &BarView::zoomChanged, this, [this](int zoom) {
        setWindowTitle(zoom == 1 ? QStringLiteral("Preview")
                                 : QStringLiteral("Preview (%1 x)").arg(zoom));
    });
    // A click on a button, or Space on it, selects it in the per-button editor.
    connect(bar(), &BarView::buttonChosen, this,
            [this](int k) { runGuarded([this, k] { main_.SelectButton(k); }); });
    auto choose = [this](QListWidgetItem* item) {
        const int row = ui->check_list->row(item);
        runGuarded([this, row] { check_listClick(row); });
    };
    connect(ui->check_list, &QListWidget::itemClicked, this, choose);
    connect(ui->check_list, &QListWidget::itemActivated, this, choose);

    checkTimer_.setSingleShot(true);
    checkTimer_.setInterval(0);
    connectGuarded(&checkTimer_, &QTimer::timeout, this, [this] {
        if (checkPending_ && !checkStep())
            checkTimer_.start();
    });

    wireControls();
    // A stored place that cannot be read is reported, and the window still comes.
    runGuarded([this] { restoreGeometry(); });
}

Tpreview_window::~Tpreview_window() {
    // The program ends with the window open: its place is kept all the same.
    if (isVisible())
        runGuarded([this] { storeGeometry(); });
}

BarView* Tpreview_window::bar() const {
    return ui->bar;
}

// Every control the bar depends on, and the swatches the colour choosers and
// Open paint. Open and Reset All also change button texts that no box shows:
// the bar is drawn again after them.
void Tpreview_window::wireControls() {
    Ui::Tmain_window* c = main_.controls();
    auto follow = [this](auto* sender, auto signal) {
        connectGuarded(sender, signal, this, [this] { refresh(); });
    };
    for (QLineEdit* edit : {c->width, c->height, c->buttons, c->border, c->degree, c->f_offset,
                            c->link_box, c->frame_box, c->button_label, c->image_box})
        follow(edit, &QLineEdit::textChanged);
    for (QComboBox* list : {c->font_box, c->font_size})
        follow(list, &QComboBox::currentIndexChanged);
    for (QRadioButton* option : {c->style0, c->style1, c->vert_check_box, c->Horz_check_box,
                                 c->plain, c->bold, c->italic, c->left, c->center, c->right})
        follow(option, &QAbstractButton::toggled);
    follow(c->Open1, &QAction::triggered);
    follow(c->SpeedButton2, &QAbstractButton::clicked);
    for (QWidget* swatch :
         {static_cast<QWidget*>(c->Color_Panel), static_cast<QWidget*>(c->font_color_panel),
          static_cast<QWidget*>(c->click_color_box)})
        swatch->installEventFilter(this);
}

bool Tpreview_window::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::PaletteChange)
        runGuarded([this] { refresh(); });
    return QWidget::eventFilter(watched, event);
}

AppletSettings Tpreview_window::settingsOf(Tmain_window& main) {
    main.captureControls();
    TableAside aside(main.settings);
    AppletSettings copy = main.settings;
    return copy;
}

void Tpreview_window::refresh() {
    // A hidden window catches up when it is shown.
    if (!isVisible())
        return;
    // A field that holds no number keeps the last good bar and is named.
    Ui::Tmain_window* c = main_.controls();
    const std::pair<QLineEdit*, QLabel*> numbers[] = {
        {c->width, c->Label1},   {c->height, c->Label2}, {c->buttons, c->Label3},
        {c->border, c->Label17}, {c->degree, c->Label5}, {c->f_offset, c->Spacing}};
    for (const auto& [field, caption] : numbers) {
        try {
            StrToInt(field->text());
        } catch (const ConversionError&) {
            ui->message_label->setText(QStringLiteral("%1: '%2' is not a number")
                                           .arg(caption->text().trimmed(), field->text()));
            ui->message_label->show();
            return;
        }
    }
    AppletSettings settings = settingsOf(main_);
    DeriveAppletValues(settings);
    const BarLook look = lookOf(settings);
    ui->message_label->clear();
    ui->message_label->hide();
    bar()->setBar(look, &main_.settings.table, main_.WorkingDirectory);
    startCheck();
}

// The check follows once the burst of changes (an Open sets twenty fields) is
// over, a part of the bar at a time.
void Tpreview_window::startCheck() {
    checkedLook_ = bar()->look();
    checkNext_ = 1;
    checking_.clear();
    checkPending_ = true;
    checkTimer_.start();
}

bool Tpreview_window::checkStep() {
    const int count = checkedLook_.buttonCount;
    const int last = std::min(count, checkNext_ + kCheckStep - 1);
    checkButtons(checkedLook_, main_.settings.table, main_.WorkingDirectory,
                 measuresFor(checkedLook_), checkNext_, last, checking_);
    checkNext_ = last + 1;
    if (checkNext_ <= count) {
        ui->check_label->setText(
            QStringLiteral("Check: %1 of %2 buttons checked...").arg(last).arg(count));
        return false;
    }
    checkPending_ = false;
    checkTimer_.stop();
    findings_ = std::move(checking_);
    checking_ = {};
    showFindings();
    return true;
}

QString Tpreview_window::message() const {
    return ui->message_label->text();
}

BarMeasures Tpreview_window::measuresFor(const BarLook& look) {
    BarMeasures measures;
    measures.labelWidth = [metrics = QFontMetrics(BarView::fontFor(look.font))](
                              const QString& label) { return metrics.horizontalAdvance(label); };
    measures.localImageSize = &BarView::localImageSize;
    return measures;
}

const std::vector<BarFinding>& Tpreview_window::findings() {
    while (checkPending_)
        checkStep();
    return findings_;
}

void Tpreview_window::showFindings() {
    QListWidget* list = ui->check_list;
    list->setUpdatesEnabled(false);
    list->clear();
    const int shown = std::min<int>(int(findings_.size()), kShownFindings);
    for (int i = 0; i < shown; ++i)
        list->addItem(findings_[size_t(i)].text);
    list->setUpdatesEnabled(true);
    if (findings_.empty())
        ui->check_label->setText(QStringLiteral("Check: nothing found"));
    else if (int(findings_.size()) <= kShownFindings)
        ui->check_label->setText(findings_.size() == 1
                                     ? QStringLiteral("Check: 1 finding")
                                     : QStringLiteral("Check: %1 findings").arg(findings_.size()));
    else
        ui->check_label->setText(QStringLiteral("Check: %1 findings, the first %2 shown")
                                     .arg(findings_.size())
                                     .arg(kShownFindings));
}

void Tpreview_window::check_listClick(int row) {
    if (row < 0 || row >= int(findings_.size()))
        return;
    const int k = findings_[size_t(row)].button;
    bar()->setFocusedButton(k);
    main_.SelectButton(k);
}

void Tpreview_window::showPreview() {
    // The first time (with no place kept from an earlier run) beside the main
    // window, so the bar and the controls that change it are both in view.
    if (!placed_) {
        placeBeside(this, &main_);
        placed_ = true;
    }
    show();
    raise();
    activateWindow();
}

void Tpreview_window::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
}

void Tpreview_window::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        runGuarded([this] { storeGeometry(); });
}

// "left,top,width,height"; anything else leaves the window where it would be.
void Tpreview_window::restoreGeometry() {
    const QStringList parts = preferences_.LoadPreviewGeometry().split(u',');
    if (parts.size() != 4)
        return;
    int numbers[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        numbers[i] = parts[i].trimmed().toInt(&ok);
        if (!ok)
            return;
    }
    if (numbers[2] <= 0 || numbers[3] <= 0)
        return;
    move(numbers[0], numbers[1]);
    resize(numbers[2], numbers[3]);
    placed_ = true;
}

void Tpreview_window::storeGeometry() {
    preferences_.SavePreviewGeometry(
        QStringLiteral("%1,%2,%3,%4").arg(x()).arg(y()).arg(width()).arg(height()));
}

} // namespace brivane
