#include "app/ScreenFit.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>
#include <algorithm>

namespace pv {

namespace {

QRect availableAreaOf(const QWidget& window) {
    const QScreen* screen = window.screen();
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect();
}

// Asked of the window system each time: the widget's own copy can lag behind the frame.
QMargins frameMarginsOf(const QWidget& window) {
    const QWindow* handle = window.windowHandle();
    return handle != nullptr ? handle->frameMargins() : QMargins();
}

class OnScreenKeeper : public QObject {
  public:
    OnScreenKeeper(QWidget& window, bool centre)
        : QObject(&window), window_(window), centre_(centre) {
        window.installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != &window_)
            return false;
        if (event->type() == QEvent::Show && !shown_) {
            shown_ = true;
            keepFrameOnScreen(window_, centre_);
        } else if (event->type() == QEvent::WindowActivate && shown_ && !framed_) {
            framed_ = true;
            keepFrameOnScreen(window_, centre_);
        }
        return false;
    }

  private:
    QWidget& window_;
    bool centre_;
    bool shown_ = false;
    bool framed_ = false;
};

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
    const QMargins margins = frameMarginsOf(window);
    const QRect placed = frameWithin(window.geometry().marginsAdded(margins), available, centre)
                             .marginsRemoved(margins);
    if (placed.size() != window.size()) {
        if (window.minimumSize() == window.maximumSize())
            window.setFixedSize(placed.size());
        else
            window.resize(placed.size());
    }
    window.setGeometry(QRect(placed.topLeft(), window.size()));
}

void keepFrameOnScreenWhenShown(QWidget& window, bool centre) {
    new OnScreenKeeper(window, centre);
}

QSize sizeWithinScreen(const QWidget& window, const QSize& wanted) {
    const QRect available = availableAreaOf(window);
    return available.isEmpty() ? wanted : wanted.boundedTo(available.size());
}

}  // namespace pv
