#include "WebView.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QUuid>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

namespace lectern::browser {

SilentPage::SilentPage(QObject* parent)
    : QWebEnginePage(parent), m_frameToken(QStringLiteral("lectern-frame-loaded-") +
                                           QUuid::createUuid().toString(QUuid::Id128)) {
    // Qt reports only the top document's load; each inline frame says when
    // its own load ends through the console, with a token no page can know.
    QWebEngineScript script;
    script.setName(QStringLiteral("lectern-frame-load"));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setRunsOnSubFrames(true);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setSourceCode(
        QStringLiteral("if (window.top !== window) window.addEventListener('load', "
                       "function () { console.log('%1'); });")
            .arg(m_frameToken));
    scripts().insert(script);
}

void SilentPage::javaScriptAlert(const QUrl&, const QString&) {}

bool SilentPage::javaScriptConfirm(const QUrl&, const QString&) {
    return false;
}

bool SilentPage::javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) {
    return false;
}

void SilentPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString& message,
                                          int, const QString&) {
    if (message == m_frameToken)
        emit frameLoadFinished();
}

WebView::WebView(QWidget* parent) : QWebEngineView(parent), m_page(new SilentPage(this)) {
    setPage(m_page);
}

void WebView::contextMenuEvent(QContextMenuEvent* event) {
    // Without a request from the page there are no standard entries to
    // start from.
    QMenu* menu = lastContextMenuRequest() ? createStandardContextMenu() : new QMenu(this);
    if (!m_contextActions.isEmpty()) {
        menu->addSeparator();
        menu->addActions(m_contextActions);
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

} // namespace lectern::browser
