#include "BrowserPage.h"

#include "WebView.h"

#include <QComboBox>
#include <QEvent>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineScript>

#include <limits>
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

    auto* addressRow = new QHBoxLayout;
    txtUrl = new QComboBox(this);
    txtUrl->setObjectName(QStringLiteral("txtUrl"));
    txtUrl->setEditable(true);
    // The history is written by the page loads alone: Enter adds nothing,
    // and a typed address equal to an entry is not taken for that entry.
    txtUrl->setInsertPolicy(QComboBox::NoInsert);
    txtUrl->setDuplicatesEnabled(true);
    txtUrl->setMaxCount(std::numeric_limits<int>::max());
    txtUrl->setAccessibleName(QStringLiteral("Address"));
    // The combo box takes the focus for its line edit; both are watched.
    txtUrl->installEventFilter(this);
    txtUrl->lineEdit()->installEventFilter(this);
    addressRow->addWidget(txtUrl, 1);
    cmdLink = new QToolButton(this);
    cmdLink->setObjectName(QStringLiteral("cmdLink"));
    cmdLink->setIcon(
        QIcon::fromTheme(QStringLiteral("go-jump"), style()->standardIcon(QStyle::SP_ArrowRight)));
    cmdLink->setToolTip(QStringLiteral("Go"));
    cmdLink->setAccessibleName(QStringLiteral("Go"));
    addressRow->addWidget(cmdLink);
    layout->addLayout(addressRow);

    auto* pageRow = new QHBoxLayout;
    WebBrowser1 = new WebView(this);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setAccessibleName(QStringLiteral("Web page"));
    pageRow->addWidget(WebBrowser1, 1);
    List1 = new QListWidget(this);
    List1->setObjectName(QStringLiteral("List1"));
    List1->setAccessibleName(QStringLiteral("Favourites"));
    // About 2400 twips at the usual 96 dots per inch.
    List1->setFixedWidth(logicalDpiX() * 2400 / 1440);
    List1->hide();
    pageRow->addWidget(List1);
    layout->addLayout(pageRow, 1);
}

bool BrowserPage::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == txtUrl || watched == txtUrl->lineEdit()) &&
        (event->type() == QEvent::FocusIn || event->type() == QEvent::MouseButtonDblClick)) {
        // After the click that gave the focus has placed the caret.
        QTimer::singleShot(0, txtUrl->lineEdit(), &QLineEdit::selectAll);
    }
    return QWidget::eventFilter(watched, event);
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
