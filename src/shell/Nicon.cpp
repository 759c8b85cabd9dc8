#include "Nicon.h"

#include "TrayTip.h"

#include <QApplication>

namespace lectern::shell {

int32_t Nicon::TrayCallbackMessage = 0;

Nicon::Nicon(TrayBackend& backend, QWidget* fallback, QObject* parent)
    : QObject(parent), m_backend(backend) {
    QWidget* active = QApplication::activeWindow();
    if (!active)
        active = fallback;
    if (active) {
        m_tip = active->windowTitle().trimmed();
        m_icon = active->windowIcon();
        m_owner = active;
    }
}

Nicon::~Nicon() {
    DelNIcon();
}

void Nicon::setMsgNo(int32_t msgNo) {
    m_message = trayCallbackMessage(msgNo);
}

TrayRecord Nicon::filledRecord() const {
    TrayRecord record;
    record.window = m_owner;
    record.id = m_id;
    record.callbackMessage = m_message;
    record.icon = m_icon;
    record.tip = trayTipText(m_tip);
    return record;
}

bool Nicon::AddNIcon(QWidget* form) {
    if (m_added)
        return false;
    // An icon left over from an earlier use of the record goes first.
    m_backend.remove(m_record);
    m_owner = form;
    m_record = filledRecord();
    if (!m_backend.add(m_record))
        return false;
    TrayCallbackMessage = m_message;
    if (form) {
        form->installEventFilter(this);
        m_filtered = form;
        form->hide();
    }
    m_added = true;
    return true;
}

void Nicon::DelNIcon() {
    if (m_filtered) {
        m_filtered->removeEventFilter(this);
        m_filtered = nullptr;
    }
    if (m_added) {
        m_backend.remove(m_record);
        m_added = false;
        m_owner = nullptr;
    }
}

bool Nicon::ModNIcon() {
    if (!m_added)
        return false;
    m_record.icon = m_icon;
    m_record.tip = trayTipText(m_tip);
    return m_backend.modify(m_record);
}

bool Nicon::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == TrayCallbackEvent::type()) {
        const auto* callback = static_cast<TrayCallbackEvent*>(event);
        auto* window = qobject_cast<QWidget*>(watched);
        if (window && callback->message() == TrayCallbackMessage &&
            callback->mouse() == TrayLeftButtonDown)
            window->showMaximized();
    }
    return QObject::eventFilter(watched, event);
}

} // namespace lectern::shell
