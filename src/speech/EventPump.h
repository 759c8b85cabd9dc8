#pragma once
#include <QElapsedTimer>

namespace lectern::speech {

// Lets pending UI events run from inside long loops. Loops call maybePump()
// as often as they like; events actually run about every interval, so a
// long text stays fast while the window stays responsive. Re-entrancy is
// the caller's to allow for: another command may run inside maybePump().
class EventPump {
public:
    explicit EventPump(int intervalMs = 10);
    virtual ~EventPump() = default;
    void maybePump() {
        if (++m_calls < 64)
            return;
        m_calls = 0;
        if (m_timer.elapsed() >= m_intervalMs) {
            pump();
            m_timer.restart();
        }
    }
    // Runs pending events now (QCoreApplication::processEvents by default).
    virtual void pump();

private:
    int m_intervalMs;
    int m_calls = 0;
    QElapsedTimer m_timer;
};

} // namespace lectern::speech
