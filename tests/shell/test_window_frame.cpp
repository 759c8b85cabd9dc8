// The real main window's frame: controls placed for the window's size, the
// minimum size, the settings strip button, start-up of the document page,
// and minimising to the notification area with and without a tray host.

#include "DocumentPage.h"
#include "FakeWindow.h"
#include "MainToolBar.h"
#include "MainWindow.h"
#include "Nicon.h"
#include "SettingsPane.h"
#include "SystemTrayBackend.h"
#include "WindowFrame.h"

#include <QApplication>
#include <QComboBox>
#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QProcess>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

using namespace lectern;

namespace {

// Lectern's own windows that a user could see, the tray's icon left out.
QList<QWidget*> visibleWindows() {
    QList<QWidget*> shown;
    for (QWidget* top : QApplication::topLevelWidgets()) {
        const Qt::WindowType type = top->windowType();
        if (top->isVisible() && (type == Qt::Window || type == Qt::Dialog) &&
            !top->inherits("QSystemTrayIconSys"))
            shown << top;
    }
    return shown;
}

QWidget* trayIconWidget() {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (top->inherits("QSystemTrayIconSys") && top->isVisible())
            return top;
    return nullptr;
}

} // namespace

class WindowFrameTest : public QObject {
    Q_OBJECT

    std::unique_ptr<shell::MainWindow> window;
    QProcess windowManager;
    QProcess trayHost;

    static bool windowManagerRuns() {
        QProcess xprop;
        xprop.start(QStringLiteral("xprop"),
                    {QStringLiteral("-root"), QStringLiteral("_NET_SUPPORTING_WM_CHECK")});
        xprop.waitForFinished(5000);
        return xprop.readAllStandardOutput().contains("window id");
    }

    shell::WindowFrame& frame() { return window->frame(); }
    int px(int twips, Qt::Orientation o = Qt::Horizontal) { return frame().toPixels(twips, o); }

    // Resizes to an outer size given in twips and lets the pass run.
    void resizeTwips(int width, int height) {
        window->resize(px(width), px(height, Qt::Vertical));
        QTest::qWait(50);
    }

    // A desktop's window manager and notification area, on this display only.
    // Without a window manager the display keeps calling a window minimised
    // once it was, which no desktop with a tray does.
    void startDesktop() {
        windowManager.start(QStringLiteral("evilwm"),
                            {QStringLiteral("-fn"), QStringLiteral("fixed")});
        QVERIFY2(windowManager.waitForStarted(10000), "evilwm is not installed");
        QTRY_VERIFY_WITH_TIMEOUT(windowManagerRuns(), 30000);
        trayHost.start(QStringLiteral("trayer"),
                       {QStringLiteral("--edge"), QStringLiteral("bottom"),
                        QStringLiteral("--align"), QStringLiteral("right"),
                        QStringLiteral("--widthtype"), QStringLiteral("pixel"),
                        QStringLiteral("--width"), QStringLiteral("200"),
                        QStringLiteral("--height"), QStringLiteral("32")});
        QVERIFY2(trayHost.waitForStarted(10000), "trayer is not installed");
        QTRY_VERIFY_WITH_TIMEOUT(QSystemTrayIcon::isSystemTrayAvailable(), 30000);
    }

private slots:
    void init() {
        window = std::make_unique<shell::MainWindow>();
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    }
    void cleanup() { window.reset(); }
    void cleanupTestCase() {
        for (QProcess* started : {&trayHost, &windowManager}) {
            if (started->state() != QProcess::NotRunning) {
                started->terminate();
                started->waitForFinished(5000);
            }
        }
    }

    void controlsFollowTheWindow() {
        resizeTwips(15000, 11000);
        const QSize outer = window->frameGeometry().size();
        const int w = frame().toTwips(outer.width(), Qt::Horizontal);
        const int h = frame().toTwips(outer.height(), Qt::Vertical);
        QCOMPARE(window->SSTab1->width(), px(w - 450));
        QCOMPARE(window->SSTab1->height(), px(h - 3200, Qt::Vertical));
        QVERIFY(window->SSTab2->isVisible());
        QVERIFY(qAbs(window->SSTab2->y() - window->SSTab1->geometry().bottom() - 1 -
                     px(100, Qt::Vertical)) <= 1);
        shell::DocumentPage* page = window->documentPage;
        QCOMPARE(page->Text1->width(), px(w - 3300));
        QVERIFY(qAbs(page->Drive1->x() - (page->Text1->geometry().right() + 1) - px(50)) <= 1);
        QCOMPARE(page->Drive1->x(), page->File1->x());
        QCOMPARE(page->Dir1->x(), page->File1->x());
        QCOMPARE(page->File1->height(), px(h - 3200 - 3900, Qt::Vertical));

        // Widening by 1000 twips moves the file browser by as much.
        const int before = page->File1->x();
        const int combo = page->Combo7->x();
        resizeTwips(16000, 11000);
        QVERIFY(qAbs(page->File1->x() - before - px(1000)) <= 1);
        QVERIFY(qAbs(page->Combo7->x() - combo - px(1000)) <= 1);
    }

    void documentPageControlsStayInside() {
        resizeTwips(0, 0);
        window->SSTab1->setCurrentIndex(1);
        QTest::qWait(50);
        shell::DocumentPage* page = window->documentPage;
        const QRect inside = page->rect();
        for (QWidget* control :
             {static_cast<QWidget*>(page->Text1), static_cast<QWidget*>(page->Drive1),
              static_cast<QWidget*>(page->Dir1), static_cast<QWidget*>(page->File1),
              static_cast<QWidget*>(page->Combo6), static_cast<QWidget*>(page->Combo7)})
            QVERIFY2(inside.contains(control->geometry()), qPrintable(control->objectName()));
        // Labels are not cut off.
        for (QLabel* label : {page->Label4, page->Label12, page->Label13}) {
            QVERIFY2(inside.contains(label->geometry()), qPrintable(label->objectName()));
            QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->text()));
            QVERIFY2(label->height() >= label->fontMetrics().height(), qPrintable(label->text()));
        }
        for (QComboBox* list : {page->Drive1, page->Combo6, page->Combo7})
            QVERIFY2(list->height() >= list->fontMetrics().height() + 4,
                     qPrintable(list->objectName()));
    }

    void springsBackToMinimum() {
        window->resize(200, 150);
        QTest::qWait(50);
        QVERIFY(window->frameGeometry().width() >= px(9495) - 1);
        QVERIFY(window->frameGeometry().height() >= px(8100, Qt::Vertical) - 1);
    }

    void settingsButtonHidesAndShowsTheStrip() {
        resizeTwips(14000, 10000);
        const int shownHeight = window->SSTab1->height();
        QToolButton* button = window->Toolbar1->button(shell::MainToolBar::SettingsButton);
        QCOMPARE(button->toolTip(), QStringLiteral("Show/Hide  Setting"));
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(window->SettingsHidden);
        QVERIFY(!window->SSTab2->isVisible());
        QVERIFY(qAbs(window->SSTab1->height() - shownHeight - px(1500, Qt::Vertical)) <= 1);
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!window->SettingsHidden);
        QVERIFY(window->SSTab2->isVisible());
        QCOMPARE(window->SSTab1->height(), shownHeight);

        // The strip hides also while its format page shows.
        window->SSTab2->setCurrentIndex(1);
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!window->SSTab2->isVisible());
    }

    void startUpFillsFontsAndPointsTheBrowser() {
        // Other steps may fail on a machine without sound; they are not ours.
        RecordingPrompter prompter;
        window->setPrompter(prompter);
        window->Form_Load();
        shell::DocumentPage* page = window->documentPage;
        QCOMPARE(page->Combo6->count(), QFontDatabase::families().size());
        QCOMPARE(page->fileListPath(), QDir::homePath());
        QCOMPARE(page->Drive1->currentIndex(), 0);
    }

    // Runs before a tray host exists.
    void withoutTrayHostTheWindowStays() {
        if (QSystemTrayIcon::isSystemTrayAvailable())
            QSKIP("this display already has a notification area");
        window->showMinimized();
        QTest::qWait(200);
        QVERIFY(window->isVisible());
        QVERIFY(window->isMinimized());
        QVERIFY(window->trayBackend().icons().isEmpty());
        QVERIFY(!window->frame().trayIcon() || !window->frame().trayIcon()->added());
    }

    void minimiseGoesToTrayAndClickRestores() {
        startDesktop();
        QWidget lookup;
        lookup.setWindowTitle(QStringLiteral("look-up"));
        lookup.show();
        QVERIFY(QTest::qWaitForWindowExposed(&lookup));

        window->showMinimized();
        QTRY_VERIFY(!window->isVisible());
        QVERIFY(visibleWindows().isEmpty());
        const QList<QSystemTrayIcon*> icons = window->trayBackend().icons();
        QCOMPARE(icons.size(), 1);
        QCOMPARE(icons.first()->toolTip(), QStringLiteral("Lectern  V5.3"));
        QVERIFY(icons.first()->isVisible());
        QWidget* icon = nullptr;
        QTRY_VERIFY((icon = trayIconWidget()) != nullptr);

        // The right button and a move over the icon change nothing.
        QTest::mouseClick(icon, Qt::RightButton);
        QTest::mouseMove(icon, QPoint(2, 2));
        QTest::qWait(200);
        QVERIFY(!window->isVisible());
        QCOMPARE(window->trayBackend().icons().size(), 1);

        QTest::mouseClick(icon, Qt::LeftButton);
        QTRY_VERIFY(window->isVisible());
        QVERIFY(window->isMaximized());
        QTRY_VERIFY(window->trayBackend().icons().isEmpty());
        QVERIFY(!lookup.isVisible());
        // It stays back, rather than return to the tray on a later pass.
        QTest::qWait(500);
        QVERIFY(window->isVisible());
        QVERIFY(window->trayBackend().icons().isEmpty());

        // And again: the icon comes back on the next minimise.
        window->showMinimized();
        QTRY_VERIFY(!window->isVisible());
        QCOMPARE(window->trayBackend().icons().size(), 1);
    }
};

QTEST_MAIN(WindowFrameTest)
#include "test_window_frame.moc"
