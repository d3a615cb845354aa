#pragma once
// Lets pending window events run during long work, often enough for the window to stay
// responsive, rarely enough not to slow a walk over many thousands of files.
#include <QElapsedTimer>

namespace pv {

class EventPump {
  public:
    static constexpr int kIntervalMs = 20;

    EventPump();
    void letEventsRun();

  private:
    QElapsedTimer sinceLastRun_;
};

}  // namespace pv
