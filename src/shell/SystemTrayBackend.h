#pragma once
// The desktop's notification area through QSystemTrayIcon.

#include "TrayBackend.h"

#include <QObject>

#include <map>
#include <utility>

class QSystemTrayIcon;

namespace lectern::shell {

class SystemTrayBackend : public QObject, public TrayBackend {
    Q_OBJECT
public:
    explicit SystemTrayBackend(QObject* parent = nullptr) : QObject(parent) {}
    ~SystemTrayBackend() override;

    bool isAvailable() const override;
    bool add(const TrayRecord& record) override;
    bool modify(const TrayRecord& record) override;
    bool remove(const TrayRecord& record) override;

    // The icons shown now (for tests and diagnostics).
    QList<QSystemTrayIcon*> icons() const;

private:
    using Key = std::pair<QWidget*, int>;
    std::map<Key, QSystemTrayIcon*> m_icons;
};

} // namespace lectern::shell
