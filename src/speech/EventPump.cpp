#include "EventPump.h"

#include <QCoreApplication>

namespace lectern::speech {

EventPump::EventPump(int intervalMs) : m_intervalMs(intervalMs) {
    m_timer.start();
}

void EventPump::pump() {
    QCoreApplication::processEvents();
}

} // namespace lectern::speech
