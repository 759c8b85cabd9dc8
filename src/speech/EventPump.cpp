#include "EventPump.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <chrono>

namespace lectern::speech {

EventPump::EventPump(int intervalMs) : m_intervalMs(intervalMs) {
    m_timer.start();
}

void EventPump::pump() {
    QCoreApplication::processEvents();
}

void wait(float waitsecond) {
    // QDeadlineTimer counts on the monotonic clock. A nested loop that wakes
    // when events come or the time is up, rather than a spin that would take
    // a whole core for the second.
    if (!(waitsecond > 0)) {
        QCoreApplication::processEvents();
        return;
    }
    const QDeadlineTimer deadline(qint64(double(waitsecond) * 1000.0), Qt::PreciseTimer);
    while (!deadline.hasExpired()) {
        QEventLoop loop;
        QTimer::singleShot(std::chrono::milliseconds(std::max<qint64>(deadline.remainingTime(), 0)),
                           Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }
}

} // namespace lectern::speech
