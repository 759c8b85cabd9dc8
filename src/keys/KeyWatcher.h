#pragma once
// A watcher of the keys pressed anywhere on the desktop. It only looks: the
// program a key was meant for still receives it. Each desktop has its own
// back end; the reading commands see only this interface.

#include <QObject>
#include <QString>

#include <stdexcept>

namespace lectern::keys {

inline QString noX11SessionMessage() {
    return QStringLiteral(
        "Global keys need an X11 session; F9 and Pause work inside Lectern only.");
}

// Why the watcher could not start, in words for the user.
class KeyWatcherError : public std::runtime_error {
public:
    explicit KeyWatcherError(const QString& description)
        : std::runtime_error(description.toStdString()) {}
};

class KeyWatcher : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Whether this desktop can offer the watcher at all.
    virtual bool available() const = 0;
    // Throws KeyWatcherError when it cannot watch; starting twice is harmless.
    virtual void start() = 0;
    // Once it returns, no further key is reported. Harmless when stopped.
    virtual void stop() = 0;
    virtual bool running() const = 0;

    // Lectern's main window, as the desktop names it.
    void setOwnWindow(quintptr window) { m_ownWindow = window; }
    quintptr ownWindow() const { return m_ownWindow; }
    // Whether the window the user works in is Lectern's.
    virtual bool ownWindowInFront() const = 0;

signals:
    // Key-downs only (a held key repeats them); not with Alt held.
    void f9Pressed();
    void pausePressed();

private:
    quintptr m_ownWindow = 0;
};

} // namespace lectern::keys
