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
        maybePump([] {});
    }
    // Runs `beforeEvents` first when events are about to run, so a loop can
    // bring state up to date only when someone can look at it.
    template <typename BeforeEvents> void maybePump(BeforeEvents&& beforeEvents) {
        if (++m_calls < 64)
            return;
        m_calls = 0;
        if (m_timer.elapsed() >= m_intervalMs) {
            beforeEvents();
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

// Waits `waitsecond` seconds on a clock that never jumps, letting window
// events run meanwhile.
void wait(float waitsecond);

} // namespace lectern::speech
