#pragma once
// A key watcher driven by the test: it reports the keys the test presses and
// says whichever window the test puts in front.

#include "KeyWatcher.h"

class TestKeyWatcher : public lectern::keys::KeyWatcher {
public:
    bool canWatch = true;
    bool lecternInFront = false;

    bool available() const override { return canWatch; }
    void start() override {
        if (!canWatch)
            throw lectern::keys::KeyWatcherError(lectern::keys::noX11SessionMessage());
        m_running = true;
    }
    void stop() override { m_running = false; }
    bool running() const override { return m_running; }
    bool ownWindowInFront() const override { return lecternInFront; }

    void pressF9() {
        if (m_running)
            emit f9Pressed();
    }
    void pressPause() {
        if (m_running)
            emit pausePressed();
    }

private:
    bool m_running = false;
};
