#include "platform/window_beside.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace brivane {

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
    QRect place(QPoint(), frame);
    if (!anchor) {
        place.moveCenter(available.center());
    } else {
        constexpr int gap = 8;
        const QRect main = anchor->frameGeometry();
        if (main.right() + gap + place.width() <= available.right())
            place.moveTopLeft(QPoint(main.right() + 1 + gap, main.top()));
        else if (main.left() - gap - place.width() >= available.left())
            place.moveTopLeft(QPoint(main.left() - gap - place.width(), main.top()));
        else
            place.moveCenter(main.center());
    }
    // Never off the screen, the title bar least of all.
    place.moveLeft(
        qMax(available.left(), qMin(place.left(), available.right() + 1 - place.width())));
    place.moveTop(
        qMax(available.top(), qMin(place.top(), available.bottom() + 1 - place.height())));
    window->move(place.topLeft());
}

} // namespace brivane
