#pragma once
// One notification-area icon. While it shows, its owner window is hidden and
// an event filter on the owner answers the icon's callback: a left-button
// press shows the owner maximised. Every other event passes on untouched.

#include "TrayBackend.h"

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>

namespace lectern::shell {

class Nicon : public QObject {
    Q_OBJECT
public:
    // The tip, owner and icon come from the active window, else `fallback`.
    explicit Nicon(TrayBackend& backend, QWidget* fallback = nullptr, QObject* parent = nullptr);
    ~Nicon() override;

    QString Tip() const { return m_tip; }
    void setTip(const QString& tip) { m_tip = tip; }
    int32_t MsgNo() const { return m_message - UserMessage; }
    // Throws TrayOverflow above 2147482623 and keeps the old number.
    void setMsgNo(int32_t msgNo);
    int32_t ID() const { return m_id; }
    void setID(int32_t id) { m_id = id; }
    void setIcon(const QIcon& icon) { m_icon = icon; }

    // False when already added or refused by the tray; on success the owner
    // is hidden.
    bool AddNIcon(QWidget* form);
    // Removes the icon and the filter; does nothing when nothing was added.
    void DelNIcon();
    // Refreshes picture and tip of the icon that shows.
    bool ModNIcon();

    bool added() const { return m_added; }
    QWidget* owner() const { return m_owner; }
    int32_t callbackMessage() const { return m_message; }

    // The callback message of the icon added last, process-wide.
    static int32_t TrayCallbackMessage;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static constexpr int32_t UserMessage = 1024;
    TrayRecord filledRecord() const;

    TrayBackend& m_backend;
    QString m_tip;
    int32_t m_message = UserMessage;
    int32_t m_id = 9999;
    QIcon m_icon;
    QPointer<QWidget> m_owner;
    TrayRecord m_record;
    bool m_added = false;
    QPointer<QWidget> m_filtered;
};

} // namespace lectern::shell
