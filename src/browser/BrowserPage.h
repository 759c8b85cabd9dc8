#pragma once
// The browser page of the page strip: address row, web view and the
// favourites list beside it.

#include "BrowserSelection.h"
#include "WebView.h"

#include <QUrl>
#include <QWidget>

class QComboBox;
class QListWidget;
class QToolButton;

namespace lectern::browser {

class BrowserPage : public QWidget {
    Q_OBJECT
public:
    explicit BrowserPage(QWidget* parent = nullptr);

    QComboBox* txtUrl = nullptr;
    QToolButton* cmdLink = nullptr;
    WebView* WebBrowser1 = nullptr;
    QListWidget* List1 = nullptr;

    void Navigate(const QUrl& url);

    // Asks the page for its selections and waits for the answer in a local
    // event loop, so reading commands stay a straight sequence. Throws
    // std::runtime_error when the page does not answer within timeoutMs.
    BrowserSelection readSelection(int timeoutMs = 3000);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace lectern::browser
