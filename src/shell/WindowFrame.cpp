#include "WindowFrame.h"

#include "Failure.h"
#include "Nicon.h"

#include <QApplication>
#include <QEvent>
#include <QLayout>
#include <QMainWindow>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTimer>

#include <cmath>

namespace lectern::shell {

using speech::guarded;

namespace {

constexpr int TwipsPerInch = 1440;
// Room between the tool bar and the page strip.
constexpr int StripGapTwips = 60;

// The page of the strip that holds `widget`, or null.
QWidget* pageOf(QWidget* widget, QTabWidget& pages) {
    for (int i = 0; i < pages.count(); ++i) {
        QWidget* page = pages.widget(i);
        if (page == widget || page->isAncestorOf(widget))
            return page;
    }
    return nullptr;
}

} // namespace

WindowFrame::WindowFrame(QMainWindow& window, QTabWidget& pages, QWidget& settings,
                         bool& settingsHidden, TrayBackend& tray)
    : QObject(&window), m_window(window), m_pages(pages), m_settings(settings),
      m_settingsHidden(settingsHidden), m_tray(tray) {
    m_window.installEventFilter(this);
}

WindowFrame::~WindowFrame() = default;

int WindowFrame::toPixels(int twips, Qt::Orientation orientation) const {
    const int dpi = orientation == Qt::Horizontal ? m_window.logicalDpiX() : m_window.logicalDpiY();
    return int(std::lround(double(twips) * dpi / TwipsPerInch));
}

int WindowFrame::toTwips(int pixels, Qt::Orientation orientation) const {
    const int dpi = orientation == Qt::Horizontal ? m_window.logicalDpiX() : m_window.logicalDpiY();
    return int(std::lround(double(pixels) * TwipsPerInch / dpi));
}

bool WindowFrame::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &m_window) {
        switch (event->type()) {
        case QEvent::Resize:
            // Placing the controls at once avoids a frame drawn at the old
            // positions; a resize started by the pass itself is left alone.
            if (m_inPass)
                schedule();
            else
                Form_Resize();
            break;
        case QEvent::WindowStateChange:
        case QEvent::Show:
        case QEvent::ScreenChangeInternal:
            // Hiding windows from inside their own state change is unsafe;
            // the pass runs as soon as the event is done.
            schedule();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void WindowFrame::schedule() {
    if (m_scheduled)
        return;
    m_scheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_scheduled = false;
        Form_Resize();
    });
}

void WindowFrame::Form_Resize() {
    if (m_inPass)
        return;
    m_inPass = true;
    guarded([&] { applyLayout(); });
    guarded([&] { minimiseToTray(); });
    m_inPass = false;
}

void WindowFrame::place(QWidget* widget, const TwipRect& rect, int headerTwips) {
    // A widget that a layout manager places belongs to that manager.
    QWidget* parent = widget->parentWidget();
    if (!parent || (parent->layout() && parent->layout()->indexOf(widget) >= 0))
        return;
    QPoint origin(0, 0);
    if (QWidget* page = pageOf(widget, m_pages); page && page != parent)
        origin = parent->mapTo(page, QPoint(0, 0));
    const int x = toPixels(rect.left, Qt::Horizontal) - origin.x();
    const int y = toPixels(rect.top - headerTwips, Qt::Vertical) - origin.y();
    widget->setGeometry(x, y, std::max(0, toPixels(rect.width, Qt::Horizontal)),
                        std::max(0, toPixels(rect.height, Qt::Vertical)));
}

void WindowFrame::applyLayout() {
    QWidget* central = m_window.centralWidget();
    if (!central)
        return;
    // What decorations and frame add to the client size, in pixels.
    const QSize frameExtra = m_window.frameGeometry().size() - m_window.size();
    m_window.setMinimumSize(toPixels(MinimumWindowWidth, Qt::Horizontal) - frameExtra.width(),
                            toPixels(MinimumWindowHeight, Qt::Vertical) - frameExtra.height());
    if (m_window.isMinimized())
        return;

    LayoutInput input;
    const QSize outer = m_window.frameGeometry().size();
    input.windowWidth = toTwips(outer.width(), Qt::Horizontal);
    input.windowHeight = toTwips(outer.height(), Qt::Vertical);
    input.settingsHidden = m_settingsHidden;
    if (auto* favourites = m_pages.findChild<QWidget*>(QStringLiteral("List1")))
        input.favouritesVisible = !favourites->isHidden();
    // The strip starts below the tool bar, however tall the bar's icons are.
    TwipRect strip = designPositions().value(QStringLiteral("SSTab1"));
    strip.top = toTwips(central->y(), Qt::Vertical) + StripGapTwips;
    input.controls.insert(QStringLiteral("SSTab1"), strip);

    m_last = computeWindowLayout(input);

    if (m_last.windowWidth > input.windowWidth || m_last.windowHeight > input.windowHeight) {
        // Springs back; the resize this causes runs its own pass.
        m_window.resize(std::max(m_window.width(),
                                 toPixels(m_last.windowWidth, Qt::Horizontal) - frameExtra.width()),
                        std::max(m_window.height(), toPixels(m_last.windowHeight, Qt::Vertical) -
                                                        frameExtra.height()));
    }

    // The strips sit in the central widget, below the tool bar.
    const int top = toTwips(central->y(), Qt::Vertical);
    auto inClient = [&](TwipRect rect) {
        rect.top -= top;
        return rect;
    };
    const TwipRect pages = inClient(m_last.controls.value(QStringLiteral("SSTab1")));
    m_pages.setGeometry(toPixels(pages.left, Qt::Horizontal), toPixels(pages.top, Qt::Vertical),
                        toPixels(pages.width, Qt::Horizontal),
                        toPixels(pages.height, Qt::Vertical));
    if (m_last.settingsStripVisible) {
        const TwipRect settings = inClient(m_last.controls.value(QStringLiteral("SSTab2")));
        m_settings.setGeometry(
            toPixels(settings.left, Qt::Horizontal), toPixels(settings.top, Qt::Vertical),
            toPixels(settings.width, Qt::Horizontal), toPixels(settings.height, Qt::Vertical));
        m_settings.show();
    } else {
        m_settings.hide();
    }

    // Every page control that exists; the others arrive with their pages.
    for (auto it = m_last.controls.cbegin(); it != m_last.controls.cend(); ++it) {
        if (it.key() == QLatin1String("SSTab1") || it.key() == QLatin1String("SSTab2"))
            continue;
        if (auto* widget = m_pages.findChild<QWidget*>(it.key()))
            guarded([&] { place(widget, it.value(), PageHeaderTwips); });
    }
}

void WindowFrame::minimiseToTray() {
    if (m_window.isVisible()) {
        if (!m_trayIcon)
            m_trayIcon = std::make_unique<Nicon>(m_tray, &m_window);
        const bool backFromTray = m_trayIcon->added();
        guarded([&] { m_trayIcon->DelNIcon(); });
        // A display without a window manager still calls the window
        // minimised when it comes back; it must not go straight back.
        if (backFromTray) {
            if (m_window.isMinimized())
                m_window.setWindowState(Qt::WindowMaximized);
            return;
        }
    }
    if (!m_window.isMinimized() || !m_window.isVisible() || !m_trayIcon)
        return;
    // Without a notification area the window stays on the task bar,
    // minimised, rather than vanish with nothing to bring it back.
    if (!m_tray.isAvailable())
        return;
    QList<QWidget*> hidden;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = top->windowType();
        if (top->isVisible() && (type == Qt::Window || type == Qt::Dialog)) {
            top->hide();
            hidden << top;
        }
    }
    m_window.setWindowState(m_window.windowState() & ~Qt::WindowMinimized);
    guarded([&] { m_trayIcon->setID(9998); });
    guarded([&] { m_trayIcon->setMsgNo(0); });
    bool added = false;
    guarded([&] { added = m_trayIcon->AddNIcon(&m_window); });
    if (!added) {
        // The tray refused the icon: nothing could bring the windows back.
        for (QWidget* top : hidden)
            top->show();
    }
}

} // namespace lectern::shell
