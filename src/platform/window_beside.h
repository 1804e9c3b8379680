#pragma once

class QWidget;

namespace brivane {

// Moves a window that is about to be shown for the first time beside `anchor`
// (to its right, else to its left) where the screen has room, else centred over
// it; with no anchor, into the middle of the screen. Never off the screen.
void placeBeside(QWidget* window, const QWidget* anchor);

} // namespace brivane
