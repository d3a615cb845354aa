#pragma once
// Top-level windows kept whole on the screen they open on, at any scale factor: what must fit is
// the frame (title bar and borders), not only the client area.
#include <QRect>
#include <QSize>

class QWidget;

namespace pv {

// Where a frame of this size goes in `available`: centred there when `centre`, else at
// `frame`'s place; then moved as little as needed to lie inside, and cut to it only when larger.
QRect frameWithin(const QRect& frame, const QRect& available, bool centre);

// Places a shown window's frame as frameWithin() says, on the available area of its screen.
// The client area shrinks only where the frame cannot fit whole; a fixed-size window stays
// fixed at the size it gets.
void keepFrameOnScreen(QWidget& window, bool centre);

// keepFrameOnScreen() when `window` is first shown, and once more when it is first activated:
// some window systems tell the frame only once they have framed the window.
void keepFrameOnScreenWhenShown(QWidget& window, bool centre);

// `wanted`, cut to the available area of the screen `window` opens on (before it is shown, its
// frame is not known yet: keepFrameOnScreen() settles that).
QSize sizeWithinScreen(const QWidget& window, const QSize& wanted);

}  // namespace pv
