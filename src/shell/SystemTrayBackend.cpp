#include "SystemTrayBackend.h"

#include <QApplication>
#include <QCoreApplication>
#include <QStyle>
#include <QSystemTrayIcon>

namespace lectern::shell {

SystemTrayBackend::~SystemTrayBackend() {
    for (auto& [key, icon] : m_icons)
        delete icon;
}

bool SystemTrayBackend::isAvailable() const {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool SystemTrayBackend::add(const TrayRecord& record) {
    if (!record.window || !isAvailable())
        return false;
    const Key key{record.window.data(), record.id};
    if (m_icons.count(key))
        return false;
    auto* icon = new QSystemTrayIcon;
    QIcon picture = record.icon;
    if (picture.isNull())
        picture = QApplication::windowIcon();
    if (picture.isNull())
        picture = QApplication::style()->standardIcon(QStyle::SP_ComputerIcon);
    icon->setIcon(picture);
    icon->setToolTip(record.tip);
    const QPointer<QWidget> window = record.window;
    const int message = record.callbackMessage;
    connect(icon, &QSystemTrayIcon::activated, icon,
            [window, message](QSystemTrayIcon::ActivationReason reason) {
                int mouse = 0;
                switch (reason) {
                case QSystemTrayIcon::Trigger:
                    mouse = TrayLeftButtonDown;
                    break;
                case QSystemTrayIcon::DoubleClick:
                    mouse = TrayLeftButtonDoubleClick;
                    break;
                case QSystemTrayIcon::Context:
                    mouse = TrayRightButtonDown;
                    break;
                case QSystemTrayIcon::MiddleClick:
                    mouse = TrayMiddleButtonDown;
                    break;
                default:
                    return;
                }
                if (window)
                    QCoreApplication::postEvent(window, new TrayCallbackEvent(message, mouse));
            });
    icon->show();
    m_icons[key] = icon;
    return true;
}

bool SystemTrayBackend::modify(const TrayRecord& record) {
    const auto found = m_icons.find(Key{record.window.data(), record.id});
    if (found == m_icons.end())
        return false;
    if (!record.icon.isNull())
        found->second->setIcon(record.icon);
    found->second->setToolTip(record.tip);
    return true;
}

bool SystemTrayBackend::remove(const TrayRecord& record) {
    const auto found = m_icons.find(Key{record.window.data(), record.id});
    if (found == m_icons.end())
        return false;
    QSystemTrayIcon* icon = found->second;
    m_icons.erase(found);
    icon->hide();
    // The icon may be the sender of the click being handled right now.
    icon->deleteLater();
    return true;
}

QList<QSystemTrayIcon*> SystemTrayBackend::icons() const {
    QList<QSystemTrayIcon*> shown;
    for (const auto& [key, icon] : m_icons)
        shown << icon;
    return shown;
}

} // namespace lectern::shell
