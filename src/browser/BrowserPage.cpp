#include "BrowserPage.h"

#include <QEventLoop>
#include <QTimer>
#include <QVBoxLayout>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <memory>
#include <stdexcept>

namespace lectern::browser {

namespace {

// Walks the top document's elements in document order; cross-origin frames
// throw on access and are passed over. A frame whose selection is only
// blanks still ends the search (its text is not trimmed here).
constexpr auto SelectionScript = R"JS(
(function () {
    function selectionOf(doc) {
        var s = doc.getSelection();
        return s ? s.toString() : "";
    }
    var page = selectionOf(document);
    var frame = null;
    var all = document.body ? document.body.getElementsByTagName("*") : [];
    for (var i = 0; i < all.length; i++) {
        if (all[i].tagName !== "IFRAME")
            continue;
        try {
            var text = selectionOf(all[i].contentWindow.document);
            if (text.length > 0) {
                frame = text;
                break;
            }
        } catch (e) {
        }
    }
    return frame === null ? [page] : [page, frame];
})()
)JS";

} // namespace

BrowserPage::BrowserPage(QWidget* parent) : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    WebBrowser1 = new QWebEngineView(this);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    layout->addWidget(WebBrowser1);
}

void BrowserPage::Navigate(const QUrl& url) {
    WebBrowser1->setUrl(url);
}

BrowserSelection BrowserPage::readSelection(int timeoutMs) {
    // Shared with the callback, which may still arrive after a time-out.
    struct Answer {
        bool done = false;
        QVariant value;
        QEventLoop* loop = nullptr;
    };
    auto answer = std::make_shared<Answer>();
    QEventLoop loop;
    answer->loop = &loop;
    WebBrowser1->page()->runJavaScript(QString::fromUtf8(SelectionScript),
                                       QWebEngineScript::ApplicationWorld,
                                       [answer](const QVariant& value) {
                                           answer->done = true;
                                           answer->value = value;
                                           if (answer->loop)
                                               answer->loop->quit();
                                       });
    if (!answer->done) {
        QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
        loop.exec();
    }
    answer->loop = nullptr;
    if (!answer->done)
        throw std::runtime_error("The web page did not report its selection in time.");

    const QVariantList parts = answer->value.toList();
    BrowserSelection selection;
    if (!parts.isEmpty())
        selection.page = parts.at(0).toString();
    if (parts.size() > 1)
        selection.frame = parts.at(1).toString();
    return selection;
}

} // namespace lectern::browser
