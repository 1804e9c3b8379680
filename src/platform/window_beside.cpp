#include "platform/window_beside.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QScreen>
#include <QWidget>

#include <array>
#include <tuple>

namespace brivane {

namespace {

constexpr int kGap = 8;

// The top-left that keeps `place` inside `available`, the title bar first.
QRect onScreen(QRect place, const QRect& available) {
    place.moveLeft(
        qMax(available.left(), qMin(place.left(), available.right() + 1 - place.width())));
    place.moveTop(
        qMax(available.top(), qMin(place.top(), available.bottom() + 1 - place.height())));
    return place;
}

qint64 areaOf(const QRect& r) {
    return r.isEmpty() ? 0 : qint64(r.width()) * r.height();
}

// The start along one side of the anchor with `room` free beyond it: a gap
// between the two windows where it fits, else none.
int sideGap(int room, int extent) {
    return room >= extent + kGap ? kGap : 0;
}

} // namespace

QRect placeBesideRect(const QRect& available, const QRect& anchor, const QSize& frame,
                      const QRect& keep) {
    const QRect place(QPoint(), frame);
    const bool fitsAcross = frame.width() <= available.width();
    const bool fitsDown = frame.height() <= available.height();

    const int roomRight = available.right() - anchor.right();
    const int roomLeft = anchor.left() - available.left();
    const int roomBelow = available.bottom() - anchor.bottom();
    const int roomAbove = anchor.top() - available.top();
    if (fitsDown && roomRight >= frame.width())
        return onScreen(
            place.translated(anchor.right() + 1 + sideGap(roomRight, frame.width()), anchor.top()),
            available);
    if (fitsDown && roomLeft >= frame.width())
        return onScreen(
            place.translated(anchor.left() - sideGap(roomLeft, frame.width()) - frame.width(),
                             anchor.top()),
            available);
    if (fitsAcross && roomBelow >= frame.height())
        return onScreen(place.translated(anchor.left(),
                                         anchor.bottom() + 1 + sideGap(roomBelow, frame.height())),
                        available);
    if (fitsAcross && roomAbove >= frame.height())
        return onScreen(
            place.translated(anchor.left(),
                             anchor.top() - sideGap(roomAbove, frame.height()) - frame.height()),
            available);

    // No room: try the screen's edges and the anchor's sides, each way, and keep
    // the place that hides least of what matters most. Earlier candidates win
    // ties, so the right and below come first.
    const std::array<int, 4> lefts = {anchor.right() + 1, available.right() + 1 - frame.width(),
                                      anchor.left() - frame.width(), available.left()};
    const std::array<int, 4> tops = {anchor.top(), anchor.bottom() + 1,
                                     available.bottom() + 1 - frame.height(), available.top()};
    QRect best;
    std::tuple<qint64, qint64> bestCost{-1, -1};
    for (const int top : tops)
        for (const int left : lefts) {
            const QRect candidate = onScreen(place.translated(left, top), available);
            const std::tuple<qint64, qint64> cost{areaOf(candidate & keep),
                                                  areaOf(candidate & anchor)};
            if (std::get<0>(bestCost) < 0 || cost < bestCost) {
                best = candidate;
                bestCost = cost;
            }
        }
    return best;
}

void placeBeside(QWidget* window, const QWidget* anchor) {
    if (anchor == window)
        anchor = nullptr;
    QScreen* screen = anchor ? anchor->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    QSize frame = window->frameGeometry().size();
    // Before its first showing the window's frame is unknown: assume one like
    // the anchor's.
    if (anchor && frame == window->size())
        frame += anchor->frameGeometry().size() - anchor->size();
    if (!anchor) {
        QRect place(QPoint(), frame);
        place.moveCenter(available.center());
        window->move(onScreen(place, available).topLeft());
        return;
    }
    const QRect main = anchor->frameGeometry();
    // The title bar and the menu bar are what the user reaches for first.
    QRect keep(main.topLeft(), QSize(main.width(), anchor->geometry().top() - main.top()));
    if (const auto* mainWindow = qobject_cast<const QMainWindow*>(anchor)) {
        if (const QWidget* menu = mainWindow->menuWidget(); menu && menu->isVisible())
            keep.setBottom(menu->mapToGlobal(QPoint(0, menu->height() - 1)).y());
    }
    window->move(placeBesideRect(available, main, frame, keep).topLeft());
}

} // namespace brivane
