#include "forms/preview/preview_window.h"

#include "forms/preview/bar_view.h"
#include "forms/settings_source.h"
#include "platform/failure_boundary.h"
#include "platform/window_beside.h"
#include "prefs/preferences.h"
#include "ui_preview_window.h"

#include <QAction>
#include <QFontMetrics>
#include <QHideEvent>
#include <QListWidget>

namespace brivane {

Tpreview_window::Tpreview_window(SettingsSource& source, QWidget* beside, Preferences& preferences,
                                 QWidget* parent)
    : QWidget(parent, Qt::Window), ui(std::make_unique<Ui::Tpreview_window>()), source_(source),
      beside_(beside), preferences_(preferences) {
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
            [this](int k) { runGuarded([this, k] { source_.selectButton(k); }); });
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

    connectGuarded(&source_, &SettingsSource::changed, this, [this] { refresh(); });
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

void Tpreview_window::refresh() {
    // A hidden window catches up when it is shown.
    if (!isVisible())
        return;
    // A field that holds no number keeps the last good bar and is named.
    const std::vector<FieldNotANumber> faults = source_.fieldsNotNumbers();
    if (!faults.empty()) {
        ui->message_label->setText(QStringLiteral("%1: '%2' is not a number")
                                       .arg(faults.front().caption, faults.front().text));
        ui->message_label->show();
        return;
    }
    const AppletSettings settings = source_.snapshot();
    const BarLook look = lookOf(settings);
    ui->message_label->clear();
    ui->message_label->hide();
    bar()->setBar(look, &source_.buttonTable(), source_.workingDirectory());
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
    checkButtons(checkedLook_, source_.buttonTable(), source_.workingDirectory(),
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
    source_.selectButton(k);
}

void Tpreview_window::showPreview() {
    // The first time (with no place kept from an earlier run) beside the main
    // window, so the bar and the controls that change it are both in view.
    if (!placed_) {
        placeBeside(this, beside_);
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
