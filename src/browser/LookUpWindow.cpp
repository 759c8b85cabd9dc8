#include "LookUpWindow.h"

#include "WebView.h"

#include <QResizeEvent>

namespace lectern::browser {

LookUpWindow::LookUpWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Dictionary"));
    WebBrowser1 = new WebView(this);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setAccessibleName(QStringLiteral("Dictionary page"));
    // Shown modeless on every load, failed ones included: the browser's own
    // error page says what went wrong.
    connect(WebBrowser1, &QWebEngineView::loadFinished, this, [this] { show(); });
    resize(800, 600);
}

void LookUpWindow::lookUp(const QUrl& url) {
    hide();
    WebBrowser1->setUrl(url);
}

void LookUpWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int width = event->size().width() - 100 * logicalDpiX() / 1440;
    const int height = event->size().height() - 400 * logicalDpiY() / 1440;
    // A window too small for the margins keeps the view as it was.
    if (width > 0 && height > 0)
        WebBrowser1->setGeometry(0, 0, width, height);
}

} // namespace lectern::browser
