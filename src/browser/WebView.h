#pragma once
// A web view that never pops up script dialogs, reports the loads of its
// inline frames, and offers extra actions in its context menu.

#include <QList>
#include <QWebEnginePage>
#include <QWebEngineView>

class QAction;

namespace lectern::browser {

class SilentPage : public QWebEnginePage {
    Q_OBJECT
public:
    explicit SilentPage(QObject* parent = nullptr);

signals:
    // An inline frame of the page finished loading.
    void frameLoadFinished();

protected:
    void javaScriptAlert(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptConfirm(const QUrl& securityOrigin, const QString& msg) override;
    bool javaScriptPrompt(const QUrl& securityOrigin, const QString& msg,
                          const QString& defaultValue, QString* result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString& message,
                                  int lineNumber, const QString& sourceID) override;

private:
    QString m_frameToken;
};

class WebView : public QWebEngineView {
    Q_OBJECT
public:
    explicit WebView(QWidget* parent = nullptr);

    SilentPage* silentPage() const { return m_page; }
    // Shown below the browser's own entries of the context menu.
    void addContextAction(QAction* action) { m_contextActions.append(action); }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    SilentPage* m_page = nullptr;
    QList<QAction*> m_contextActions;
};

} // namespace lectern::browser
