#include "forms/main/up_down.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

namespace brivane {

namespace {

QToolButton* makeArrow(QWidget* parent, Qt::ArrowType type) {
    auto* arrow = new QToolButton(parent);
    arrow->setArrowType(type);
    arrow->setFocusPolicy(Qt::NoFocus);
    arrow->setAutoRepeat(true); // holding an arrow keeps stepping
    arrow->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    arrow->setMinimumSize(1, 1);
    return arrow;
}

// Reads decimal digits with an optional sign and surrounding blanks, the way an
// up-down control reads its edit. Anything else is not a number to step from.
bool readNumber(const QString& text, int& value) {
    bool ok = false;
    const qlonglong number = text.trimmed().toLongLong(&ok, 10);
    if (!ok)
        return false;
    value = int(std::clamp<qlonglong>(number, INT_MIN, INT_MAX));
    return true;
}

} // namespace

UpDown::UpDown(QWidget* parent)
    : QWidget(parent), up_(makeArrow(this, Qt::UpArrow)), down_(makeArrow(this, Qt::DownArrow)) {
    setFocusPolicy(Qt::NoFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(up_);
    layout->addWidget(down_);
    connect(up_, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(down_, &QToolButton::clicked, this, [this] { stepBy(-1); });
}

void UpDown::setBuddy(QLineEdit* edit) {
    if (buddy_)
        buddy_->removeEventFilter(this);
    buddy_ = edit;
    if (!buddy_)
        return;
    buddy_->installEventFilter(this); // the Up and Down keys step too
    int value = 0;
    if (readNumber(buddy_->text(), value))
        position_ = clamped(value);
    setAccessibleName(buddy_->accessibleName());
}

void UpDown::setRange(int minimum, int maximum) {
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
    position_ = clamped(position_);
}

void UpDown::setPosition(int position) {
    position_ = clamped(position);
}

int UpDown::clamped(int value) const {
    return std::clamp(value, minimum_, maximum_);
}

int UpDown::startingPosition() const {
    int value = 0;
    if (buddy_ && readNumber(buddy_->text(), value))
        return clamped(value);
    return position_;
}

void UpDown::stepBy(int steps) {
    const int from = startingPosition();
    const int to = clamped(from + steps);
    position_ = to;
    // Writing the number runs the edit's change handler, like typing it would.
    // At an end the text may still change (e.g. "+5" or an out-of-range number
    // becomes plain digits); an unchanged text changes nothing.
    if (buddy_)
        buddy_->setText(QString::number(to));
}

bool UpDown::eventFilter(QObject* watched, QEvent* event) {
    // The event type first: comparing with the guarded pointer casts it, which is
    // undefined while the edit is being destroyed and still sends events.
    if (event->type() == QEvent::KeyPress && watched == buddy_ && isEnabled()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
            if (key->key() == Qt::Key_Up) {
                stepBy(1);
                return true;
            }
            if (key->key() == Qt::Key_Down) {
                stepBy(-1);
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace brivane
