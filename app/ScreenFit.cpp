#include "app/ScreenFit.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <algorithm>

namespace pv {

namespace {

QRect availableAreaOf(const QWidget& window) {
    const QScreen* screen = window.screen();
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect();
}

}  // namespace

QRect frameWithin(const QRect& frame, const QRect& available, bool centre) {
    const QSize size = frame.size().boundedTo(available.size());
    QRect placed(frame.topLeft(), size);
    if (centre)
        placed.moveCenter(available.center());
    // QRect's centre rounds down: a frame one pixel larger than the area still starts inside it.
    placed.moveLeft(
        std::clamp(placed.left(), available.left(), available.right() - size.width() + 1));
    placed.moveTop(
        std::clamp(placed.top(), available.top(), available.bottom() - size.height() + 1));
    return placed;
}

void keepFrameOnScreen(QWidget& window, bool centre) {
    const QRect available = availableAreaOf(window);
    if (available.isEmpty())
        return;
    const QRect frame = window.frameGeometry();
    const QRect placed = frameWithin(frame, available, centre);
    if (placed.size() != frame.size()) {
        const QSize client = window.size() - (frame.size() - placed.size());
        if (window.minimumSize() == window.maximumSize())
            window.setFixedSize(client);
        else
            window.resize(client);
    }
    window.move(placed.topLeft());  // a window's position is its frame's
}

QSize sizeWithinScreen(const QWidget& window, const QSize& wanted) {
    const QRect available = availableAreaOf(window);
    return available.isEmpty() ? wanted : wanted.boundedTo(available.size());
}

}  // namespace pv
