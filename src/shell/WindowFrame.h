#pragma once
// The main window's frame duties: it places every control that follows the
// window's size, keeps the minimum size, shows or hides the settings strip,
// and sends the window to the notification area when it is minimised.

#include "TrayBackend.h"
#include "WindowLayout.h"

#include <QObject>
#include <QPointer>

#include <memory>

class QMainWindow;
class QTabWidget;

namespace lectern::shell {

class Nicon;

class WindowFrame : public QObject {
    Q_OBJECT
public:
    WindowFrame(QMainWindow& window, QTabWidget& pages, QWidget& settings, bool& settingsHidden,
                TrayBackend& tray);
    ~WindowFrame() override;

    // One pass: layout, then the tray.
    void Form_Resize();

    // Twips and device-independent pixels at the window's screen.
    int toPixels(int twips, Qt::Orientation orientation) const;
    int toTwips(int pixels, Qt::Orientation orientation) const;

    // The input of the last pass and what it computed.
    const LayoutResult& lastLayout() const { return m_last; }
    Nicon* trayIcon() const { return m_trayIcon.get(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void applyLayout();
    void minimiseToTray();
    void place(QWidget* widget, const TwipRect& rect, int headerTwips);
    void schedule();

    QMainWindow& m_window;
    QTabWidget& m_pages;
    QWidget& m_settings;
    bool& m_settingsHidden;
    TrayBackend& m_tray;
    std::unique_ptr<Nicon> m_trayIcon;
    LayoutResult m_last;
    bool m_inPass = false;
    bool m_scheduled = false;
};

} // namespace lectern::shell
