// The real window end to end: the toolbar's read button with the real engine,
// the sound server's null sink, the web view and the settings store.

#include "BrowserPage.h"
#include "FileDialogs.h"
#include "MainToolBar.h"
#include "MainWindow.h"
#include "ReadingCommands.h"
#include "SettingsPane.h"
#include "SoundProbes.h"

#include <QAbstractItemView>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProcess>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSlider>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QToolButton>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>

#include <memory>

#include <cmath>

using namespace lectern;

namespace {

// Answers the next message box and keeps what it said.
struct SeenBox {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool seen = false;
};

void answerNextBox(SeenBox& seen) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, &seen] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            seen = {box->windowTitle(), box->text(), box->icon(), true};
            timer->deleteLater();
            box->done(QMessageBox::Ok);
        }
    });
    timer->start(20);
}

void clickRead(shell::MainWindow& window) {
    QToolButton* button = window.Toolbar1->button(shell::MainToolBar::ReadButton);
    // The left part of a menu button runs the command; the arrow opens the menu.
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(4, button->height() / 2));
}

bool runJs(QWebEngineView* view, const QString& script) {
    bool done = false;
    view->page()->runJavaScript(script, [&](const QVariant&) { done = true; });
    return QTest::qWaitFor([&] { return done; }, 5000);
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

    QTemporaryDir config;
    QTemporaryDir pages;

    static void selectAll(QTextEdit* edit) {
        QTextCursor cursor = edit->textCursor();
        cursor.select(QTextCursor::Document);
        edit->setTextCursor(cursor);
    }

private slots:
    void initTestCase() {
        QVERIFY(config.isValid() && pages.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    }

    void documentLineBreaksAreReadAsTwoSpaces() {
        QCOMPARE(shell::withCrLfBreaks(QStringLiteral("a\r\nb\nc\u2029d\u2028e\rf")),
                 QStringLiteral("a\r\nb\r\nc\r\nd\r\ne\rf"));
        // A break at either end, and a lone CR right before a paragraph end.
        QCOMPARE(shell::withCrLfBreaks(QStringLiteral("\n\r\u2029x\u2028")),
                 QStringLiteral("\r\n\r\r\nx\r\n"));

        shell::MainWindow window;
        window.show();
        window.Form_Load();
        window.Text1->setPlainText(QStringLiteral("  Hello World\nNext line"));
        QTextCursor cursor = window.Text1->textCursor();
        cursor.setPosition(0);
        cursor.setPosition(14, QTextCursor::KeepAnchor); // through the line break
        window.Text1->setTextCursor(cursor);
        window.SSTab1->setCurrentIndex(speech::DocumentTab);
        QSignalSpy spoken(&window.commands(), &speech::ReadingCommands::aboutToSpeak);
        clickRead(window);
        QCOMPARE(spoken.size(), 1);
        QVERIFY2(spoken[0].at(0).toString().contains(QStringLiteral(">hello world  </")),
                 qPrintable(spoken[0].at(0).toString()));
        window.commands().StopAndReset();
    }

    void readButtonSpeaksTheDocumentSelection() {
        shell::MainWindow window;
        window.show();
        window.Form_Load();
        QCOMPARE(window.windowTitle(), QStringLiteral("Lectern  V5.3"));
        window.Text1->setPlainText(QStringLiteral("Hello 你好"));
        selectAll(window.Text1);
        window.SSTab1->setCurrentIndex(speech::DocumentTab);
        QSignalSpy spoken(&window.commands(), &speech::ReadingCommands::aboutToSpeak);

        MonitorRecording recording;
        QVERIFY(recording.waitUntilRecording());
        clickRead(window);
        QCOMPARE(spoken.size(), 1);
        const QString markup = spoken[0].at(0).toString();
        QVERIFY2(markup.contains(QStringLiteral(">hello , </")) &&
                     markup.contains(QStringLiteral(">你好</")),
                 qPrintable(markup));
        QCOMPARE(spoken[0].at(1).toInt(), 11);

        QToolButton* pause = window.Toolbar1->button(shell::MainToolBar::PauseButton);
        QTest::mouseClick(pause, Qt::LeftButton);
        QCOMPARE(pause->toolTip(), QStringLiteral("Resume Reading"));
        QTest::mouseClick(pause, Qt::LeftButton);
        QCOMPARE(pause->toolTip(), QStringLiteral("Pause Reading"));
        QVERIFY(window.commands().voice()->waitUntilDone(20000));
        QTest::qWait(300);
        const double rms = recording.stop();
        QVERIFY2(rms > 100, qPrintable(QStringLiteral("RMS %1").arg(rms)));
        QVERIFY(!QApplication::overrideCursor());
    }

    // The pause button really silences the reading, and the second click
    // brings the sound back.
    void pauseButtonSilencesAndResumes() {
        shell::MainWindow window;
        window.show();
        window.Form_Load();
        window.Text1->setPlainText(
            QStringLiteral("Reading goes on for a good while, sentence after sentence. ")
                .repeated(8));
        selectAll(window.Text1);
        window.SSTab1->setCurrentIndex(speech::DocumentTab);
        MonitorRecording recording;
        QVERIFY(recording.waitUntilRecording());
        constexpr double kLoud = 300, kQuiet = 20;
        clickRead(window);
        QVERIFY(QTest::qWaitFor([&] { return recording.listen(100) > kLoud; }, 5000));

        QToolButton* pause = window.Toolbar1->button(shell::MainToolBar::PauseButton);
        QTest::mouseClick(pause, Qt::LeftButton);
        QCOMPARE(pause->toolTip(), QStringLiteral("Resume Reading"));
        // What was already on its way to the monitor drains first.
        QVERIFY(QTest::qWaitFor([&] { return recording.listen(100) < kQuiet; }, 1000));
        const double paused = recording.listen(1000);
        QVERIFY2(paused < kQuiet, qPrintable(QStringLiteral("RMS %1 while paused").arg(paused)));
        QVERIFY(window.commands().voice()->isSpeaking());

        QTest::mouseClick(pause, Qt::LeftButton);
        QCOMPARE(pause->toolTip(), QStringLiteral("Pause Reading"));
        QVERIFY(QTest::qWaitFor([&] { return recording.listen(100) > kLoud; }, 2000));
        window.commands().StopAndReset();
        recording.stop();
    }

    void readsTheSelectionOfAnInlineFrame() {
        QFile frame(pages.filePath(QStringLiteral("frame.html")));
        QVERIFY(frame.open(QIODevice::WriteOnly));
        frame.write("<html><body><p id=\"f\">Framed Words</p></body></html>");
        frame.close();
        QFile top(pages.filePath(QStringLiteral("top.html")));
        QVERIFY(top.open(QIODevice::WriteOnly));
        top.write("<html><body><p>Top page text</p>"
                  "<iframe id=\"a\" src=\"frame.html\"></iframe>"
                  "<iframe id=\"b\" srcdoc=\"<p id='t'>Srcdoc Words</p>\"></iframe>"
                  "</body></html>");
        top.close();

        shell::MainWindow window;
        window.show();
        window.Form_Load();
        QWebEngineView* view = window.browserPage->WebBrowser1;
        QSignalSpy loaded(view, &QWebEngineView::loadFinished);
        window.browserPage->Navigate(QUrl::fromLocalFile(top.fileName()));
        QVERIFY(loaded.wait(20000));
        window.SSTab1->setCurrentIndex(speech::BrowserTab);
        QSignalSpy spoken(&window.commands(), &speech::ReadingCommands::aboutToSpeak);
        const QString select = QStringLiteral(
            "(function(id, el){ var d = document.getElementById(id).contentDocument;"
            " var r = d.createRange(); r.selectNodeContents(d.getElementById(el));"
            " d.getSelection().removeAllRanges(); d.getSelection().addRange(r); })('%1', '%2')");
        const auto abc = speech::buildProfileMarkup(window.SSTab2->abcProfile(),
                                                    speech::HeadVariant::Plain, false);

        // Only the second frame has a selection.
        QVERIFY(runJs(view, select.arg(QStringLiteral("b"), QStringLiteral("t"))));
        clickRead(window);
        QCOMPARE(spoken.size(), 1);
        QCOMPARE(spoken[0].at(0).toString(), abc.head + QStringLiteral("srcdoc words") + abc.tail);

        // Both frames: the first in document order wins.
        QVERIFY(runJs(view, select.arg(QStringLiteral("a"), QStringLiteral("f"))));
        clickRead(window);
        QCOMPARE(spoken.size(), 2);
        QCOMPARE(spoken[1].at(0).toString(), abc.head + QStringLiteral("framed words") + abc.tail);
        window.commands().StopAndReset();
    }

    void openFileShowsTheChosenFileInTheBrowser() {
        QFile page(pages.filePath(QStringLiteral("opened.html")));
        QVERIFY(page.open(QIODevice::WriteOnly));
        page.write("<html><body>opened</body></html>");
        page.close();

        shell::MainWindow window;
        window.show();
        window.Form_Load();
        QWebEngineView* view = window.browserPage->WebBrowser1;
        const QUrl before = view->url();
        // The cursor shown while the dialog is open: the normal one, not the
        // busy one of the click.
        QList<Qt::CursorShape> cursorsOverDialog;
        auto answerDialog = [&cursorsOverDialog](const QString& choice) {
            return answerFileDialog(choice, [&cursorsOverDialog](QFileDialog* dialog) {
                const QCursor* cursor = QApplication::overrideCursor();
                cursorsOverDialog << (cursor ? cursor->shape() : Qt::ArrowCursor);
                QCOMPARE(dialog->windowTitle(), QStringLiteral("請選擇檔案"));
            });
        };

        window.SSTab1->setCurrentIndex(speech::DocumentTab);
        auto answering = answerDialog(QString());
        QTest::mouseClick(window.Toolbar1->button(1), Qt::LeftButton);
        answering.reset();
        QCOMPARE(window.SSTab1->currentIndex(), int(speech::BrowserTab));
        QCOMPARE(view->url(), before);
        QVERIFY(!QApplication::overrideCursor());

        answering = answerDialog(page.fileName());
        QTest::mouseClick(window.Toolbar1->button(1), Qt::LeftButton);
        answering.reset();
        QCOMPARE(view->url(), QUrl::fromLocalFile(page.fileName()));
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(!cursorsOverDialog.isEmpty());
        for (Qt::CursorShape shape : cursorsOverDialog)
            QCOMPARE(shape, Qt::ArrowCursor);
    }

    void noSelectionAndEmptyClipboardSpeaksNothing() {
        shell::MainWindow window;
        window.show();
        window.Form_Load();
        QApplication::clipboard()->clear();
        window.Text1->setPlainText(QStringLiteral("unselected text"));
        window.SSTab1->setCurrentIndex(speech::DocumentTab);
        QSignalSpy spoken(&window.commands(), &speech::ReadingCommands::aboutToSpeak);

        SeenBox seen;
        answerNextBox(seen);
        clickRead(window);
        QVERIFY(seen.seen);
        QCOMPARE(seen.text, QStringLiteral("您並未選取任何文字 !"));
        QCOMPARE(seen.title, QStringLiteral("訊息"));
        QCOMPARE(seen.icon, QMessageBox::Warning);
        QCOMPARE(spoken.size(), 0);
        QVERIFY(!QApplication::overrideCursor());
    }

    void profileSurvivesARestart() {
        QString otherVoice;
        {
            shell::MainWindow window;
            window.show();
            window.Form_Load();
            window.SSTab2->Combo2->setCurrentIndex(1);
            otherVoice = window.SSTab2->Combo2->currentText();
            window.SSTab2->Slider1->setValue(-4);
            window.SSTab2->Slider7->setValue(55);
            window.close();
        }
        shell::MainWindow next;
        next.show();
        next.Form_Load();
        QCOMPARE(next.SSTab2->Combo2->currentText(), otherVoice);
        QCOMPARE(next.SSTab2->Slider1->value(), -4);
        QCOMPARE(next.SSTab2->Slider7->value(), 55);
        next.close();
    }

    // People who use a reader often use a screen reader too: every control
    // the window offers, on every page, says what it is.
    void everyControlHasAnAccessibleName() {
        shell::MainWindow window;
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.Form_Load();
        auto isControl = [](QWidget* w) {
            return qobject_cast<QAbstractButton*>(w) ||
                   (qobject_cast<QAbstractSlider*>(w) && !qobject_cast<QScrollBar*>(w)) ||
                   qobject_cast<QComboBox*>(w) || qobject_cast<QLineEdit*>(w) ||
                   qobject_cast<QAbstractSpinBox*>(w) || qobject_cast<QTextEdit*>(w) ||
                   qobject_cast<QPlainTextEdit*>(w) || qobject_cast<QAbstractItemView*>(w) ||
                   qobject_cast<QTabBar*>(w) || qobject_cast<QWebEngineView*>(w);
        };
        // Parts that composite controls make for themselves carry their
        // owner's name.
        auto isInnerPart = [](QWidget* w) {
            for (QWidget* p = w->parentWidget(); p; p = p->parentWidget())
                if (qobject_cast<QComboBox*>(p) || qobject_cast<QAbstractSpinBox*>(p) ||
                    qobject_cast<QTabBar*>(p) || qobject_cast<QAbstractItemView*>(p))
                    return true;
            return w->objectName().startsWith(u"qt_");
        };
        QStringList unnamed;
        QSet<QWidget*> checked;
        for (int tab = 0; tab < window.SSTab1->count(); ++tab) {
            window.SSTab1->setCurrentIndex(tab);
            QCoreApplication::processEvents();
            for (QWidget* w : window.findChildren<QWidget*>()) {
                if (!isControl(w) || isInnerPart(w))
                    continue;
                checked.insert(w);
                QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
                if (!face || face->text(QAccessible::Name).trimmed().isEmpty())
                    unnamed << QStringLiteral("%1 (%2)").arg(w->objectName(),
                                                             w->metaObject()->className());
            }
        }
        unnamed.removeDuplicates();
        qInfo("%lld controls", qint64(checked.size()));
        QVERIFY(checked.size() > 40); // the pages were really walked
        QVERIFY2(unnamed.isEmpty(), qPrintable(unnamed.join(u", ")));
    }

    void hugeSelectionKeepsTheWindowResponsive() {
        shell::MainWindow window;
        window.show();
        window.Form_Load();
        const QString piece = QStringLiteral("Reading 長文字 stays responsive, 第3章 ok. ");
        QString text;
        text.reserve(5 * 1024 * 1024 + piece.size());
        while (text.size() < 5 * 1024 * 1024)
            text += piece;
        window.Text1->setPlainText(text);
        selectAll(window.Text1);
        window.SSTab1->setCurrentIndex(speech::DocumentTab);
        QSignalSpy spoken(&window.commands(), &speech::ReadingCommands::aboutToSpeak);

        int ticks = 0;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
        ticker.start(20);
        QElapsedTimer clock;
        clock.start();
        clickRead(window);
        const qint64 elapsed = clock.elapsed();
        ticker.stop();
        qInfo("5 MB selection: %lld ms, %d ticks", static_cast<long long>(elapsed), ticks);

        QCOMPARE(spoken.size(), 1);
        QVERIFY(spoken[0].at(0).toString().size() > text.size());
        // Events ran throughout: on average a tick at least every 100 ms.
        QVERIFY2(ticks >= elapsed / 100,
                 qPrintable(QStringLiteral("%1 ticks in %2 ms").arg(ticks).arg(elapsed)));
        window.commands().StopAndReset();
    }
};

int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Lectern"));
    QApplication::setApplicationName(QStringLiteral("Lectern"));
    MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_main_window.moc"
