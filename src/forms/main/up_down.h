#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QWidget>

class QToolButton;

namespace brivane {

// A pair of small arrows bound to an edit. A click steps the edit's number by one
// within minimum()..maximum() and writes it back as plain digits; the ends stop
// the step (no wrap-around). Unlike a spin box the edit itself accepts any text:
// the edit's own change handler judges what was typed.
//
// The number a step starts from is the edit's text when it reads as a whole
// number (clamped into the range); otherwise, when the edit holds something that
// is not a number, the step starts from the last position this control wrote or
// was given, so the arrows always land on a number in range.
class UpDown : public QWidget {
    Q_OBJECT

public:
    explicit UpDown(QWidget* parent = nullptr);

    // Binds the arrows to `edit`; the edit's current number becomes the position.
    void setBuddy(QLineEdit* edit);
    QLineEdit* buddy() const { return buddy_; }

    int minimum() const { return minimum_; }
    int maximum() const { return maximum_; }
    void setRange(int minimum, int maximum);

    // The last position written or taken over from the edit.
    int position() const { return position_; }
    void setPosition(int position);

    // One step up (+1) or down (-1), as a click on an arrow does.
    void stepBy(int steps);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int clamped(int value) const;
    // The edit's number, clamped, or the last position when the text is no number.
    int startingPosition() const;

    QPointer<QLineEdit> buddy_;
    QToolButton* up_;
    QToolButton* down_;
    int minimum_ = 1;
    int maximum_ = 32767;
    int position_ = 1;
};

} // namespace brivane
