#pragma once
// The look-up window: its own web view, shown once a look-up has loaded.

#include <QWidget>

namespace lectern::browser {

class WebView;

class LookUpWindow : public QWidget {
    Q_OBJECT
public:
    explicit LookUpWindow(QWidget* parent = nullptr);

    WebView* WebBrowser1 = nullptr;

    // Hides the window until `url` has loaded.
    void lookUp(const QUrl& url);

protected:
    void resizeEvent(QResizeEvent* event) override;
};

} // namespace lectern::browser
