#pragma once
// The browser page of the page strip: an embedded web view.

#include "BrowserSelection.h"

#include <QUrl>
#include <QWidget>

class QWebEngineView;

namespace lectern::browser {

class BrowserPage : public QWidget {
    Q_OBJECT
public:
    explicit BrowserPage(QWidget* parent = nullptr);

    QWebEngineView* WebBrowser1 = nullptr;

    void Navigate(const QUrl& url);

    // Asks the page for its selections and waits for the answer in a local
    // event loop, so reading commands stay a straight sequence. Throws
    // std::runtime_error when the page does not answer within timeoutMs.
    BrowserSelection readSelection(int timeoutMs = 3000);
};

} // namespace lectern::browser
