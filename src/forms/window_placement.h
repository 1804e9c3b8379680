#pragma once

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace brivane {

// The small secondary windows open in the middle of the screen the first time
// they are shown, whatever window created them; afterwards they stay where the
// user moved them.
inline void centreOnScreen(QWidget* window) {
    QScreen* screen = window->screen();
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

// For a window's setVisible(): centres it when it is shown for the first time.
inline void centreOnFirstShow(QWidget* window, bool visible, bool& placed) {
    if (visible && !placed && !window->isVisible()) {
        centreOnScreen(window);
        placed = true;
    }
}

// A fixed-size dialog frame without a resize grip or help button that stays
// above the program's other windows.
inline constexpr Qt::WindowFlags kFixedToolDialogFlags =
    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
    Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowStaysOnTopHint;

} // namespace brivane
