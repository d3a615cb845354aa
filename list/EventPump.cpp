#include "list/EventPump.h"

#include <QCoreApplication>

namespace pv {

EventPump::EventPump() {
    sinceLastRun_.start();
}

void EventPump::letEventsRun() {
    if (sinceLastRun_.elapsed() < kIntervalMs)
        return;
    QCoreApplication::processEvents();
    sinceLastRun_.restart();
}

}  // namespace pv
