#pragma once
// The key watcher of an X11 desktop: the RECORD extension reports every key
// of the desktop on a connection and thread of its own, without taking the
// key from the program that has the focus.

#include "KeyWatcher.h"

#include <memory>

namespace lectern::keys {

class X11KeyWatcher : public KeyWatcher {
    Q_OBJECT
public:
    explicit X11KeyWatcher(QObject* parent = nullptr);
    ~X11KeyWatcher() override;

    bool available() const override;
    void start() override;
    void stop() override;
    bool running() const override;
    bool ownWindowInFront() const override;

    // The window the user works in: the window manager's active window when
    // it names one, else the X input focus; 0 when none or not running.
    quintptr windowInFront() const;

private:
    struct Session;
    std::unique_ptr<Session> m_session;
};

} // namespace lectern::keys
