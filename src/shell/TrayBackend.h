#pragma once
// The notification area as the tray icon sees it: add, change or remove one
// icon described by a record. The real back end is the desktop's tray; tests
// use their own.

#include <QEvent>
#include <QIcon>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace lectern::shell {

// What one icon is made of. A default record describes no icon.
struct TrayRecord {
    QPointer<QWidget> window; // receives the callback events
    int id = 0;
    int callbackMessage = 0;
    QIcon icon;
    QString tip; // already cut to fit
};

// The mouse codes the callback carries.
enum TrayMouse : int {
    TrayMouseMove = 512,
    TrayLeftButtonDown = 513,
    TrayLeftButtonDoubleClick = 515,
    TrayRightButtonDown = 516,
    TrayMiddleButtonDown = 519,
};

// Posted to the record's window when the user acts on its icon.
class TrayCallbackEvent : public QEvent {
public:
    TrayCallbackEvent(int message, int mouse)
        : QEvent(type()), m_message(message), m_mouse(mouse) {}
    static QEvent::Type type() {
        static const auto registered = static_cast<QEvent::Type>(QEvent::registerEventType());
        return registered;
    }
    int message() const { return m_message; }
    int mouse() const { return m_mouse; }

private:
    int m_message;
    int m_mouse;
};

class TrayBackend {
public:
    virtual ~TrayBackend() = default;
    // False when the desktop has no notification area at all.
    virtual bool isAvailable() const = 0;
    // Each returns true when the tray did what was asked; an icon is known
    // by its window and id.
    virtual bool add(const TrayRecord& record) = 0;
    virtual bool modify(const TrayRecord& record) = 0;
    virtual bool remove(const TrayRecord& record) = 0;
};

} // namespace lectern::shell
