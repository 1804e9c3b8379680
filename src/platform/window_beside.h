#pragma once

#include <QRect>
#include <QSize>

class QWidget;

namespace brivane {

// Where a window of `frame` size goes beside the window `anchor` on the screen
// area `available`: to its right, else its left, else below, else above, where
// it fits without covering the anchor. Where it fits nowhere it goes, still on
// the screen, where it covers least of `keep` (the anchor's menu bar and title),
// and then least of the anchor itself.
QRect placeBesideRect(const QRect& available, const QRect& anchor, const QSize& frame,
                      const QRect& keep);

// Moves a window that is about to be shown for the first time beside `anchor`
// as placeBesideRect() finds, on the anchor's screen; with no anchor, into the
// middle of the screen. Never off the screen.
void placeBeside(QWidget* window, const QWidget* anchor);

} // namespace brivane
