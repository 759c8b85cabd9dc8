// The browser page in the real window against a loopback server: the address
// box and its history, the toolbar's browser buttons, the look-up window,
// the favourites list and the information page.

#include "BrowserPane.h"
#include "BrowserPage.h"
#include "Favourites.h"
#include "LookUp.h"
#include "LookUpWindow.h"
#include "MainToolBar.h"
#include "MainWindow.h"
#include "PageServer.h"
#include "WebView.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

using namespace lectern;
using speech::PromptAnswer;
using speech::PromptButtons;
using speech::PromptIcon;

namespace {

class Answering : public speech::Prompter {
public:
    QStringList seen; // "title|icon|text"
    PromptAnswer prompt(const QString& title, const QString& text, PromptIcon icon,
                        PromptButtons buttons) override {
        seen << QStringLiteral("%1|%2|%3").arg(title).arg(int(icon)).arg(text);
        return buttons == PromptButtons::Ok ? PromptAnswer::Ok : PromptAnswer::Yes;
    }
};

QByteArray html(const QByteArray& title, const QByteArray& body = {}) {
    return "<html><head><title>" + title + "</title></head><body>" + body + "</body></html>";
}

QVariant evaluate(QWebEngineView* view, const QString& script) {
    QVariant result;
    bool done = false;
    view->page()->runJavaScript(script, [&](const QVariant& v) {
        result = v;
        done = true;
    });
    if (!QTest::qWaitFor([&] { return done; }, 5000))
        qWarning("the page did not answer");
    return result;
}

void click(shell::MainWindow& window, int button) {
    QTest::mouseClick(window.Toolbar1->button(button), Qt::LeftButton);
}

} // namespace

class BrowserPaneTest : public QObject {
    Q_OBJECT

    QTemporaryDir home;
    PageServer server;
    std::unique_ptr<shell::MainWindow> window;
    Answering prompter;
    browser::BrowserPage* page = nullptr;
    QWebEngineView* view = nullptr;

    // Navigates by typing into the address box and pressing Enter; true once
    // the page has loaded.
    bool type(const QString& address) {
        QSignalSpy loaded(view, &QWebEngineView::loadFinished);
        page->txtUrl->setEditText(address);
        QTest::keyClick(page->txtUrl->lineEdit(), Qt::Key_Return);
        return loaded.wait(10000);
    }
    bool waitForLoad(const std::function<void()>& action) {
        QSignalSpy loaded(view, &QWebEngineView::loadFinished);
        action();
        return loaded.wait(10000);
    }
    QStringList history() const {
        QStringList out;
        for (int i = 0; i < page->txtUrl->count(); ++i)
            out << page->txtUrl->itemText(i);
        return out;
    }
    QString favourites() const { return browser::favouritesFolder(); }

private slots:
    void initTestCase() {
        QVERIFY(home.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.filePath(QStringLiteral("config"))));
        qputenv("XDG_DATA_HOME", QFile::encodeName(home.filePath(QStringLiteral("data"))));
        QVERIFY(favourites().startsWith(home.path()));
        server.pages[QStringLiteral("/a")] = html("Page A", "<a id='next' href='/b'>to b</a>");
        server.pages[QStringLiteral("/b")] = html("Page B");
        server.pages[QStringLiteral("/c")] = html("Page C");
        server.pages[QStringLiteral("/frames")] =
            html("Frames", "<iframe src='/b'></iframe><iframe src='/c'></iframe>");
        server.pages[QStringLiteral("/alert")] =
            html("Before", "<script>alert('hi'); confirm('sure?'); prompt('name?'); "
                           "document.title = 'After';</script>");
        server.pages[QStringLiteral("/search")] = html("Definition", "a word");
        server.pages[QStringLiteral("/slow")] = html("Slow");
        for (int i = 0; i < 600; ++i)
            server.pages[QStringLiteral("/fav/%1").arg(i)] =
                html("Favourite " + QByteArray::number(i));
        QVERIFY(server.start());
    }

    void init() {
        window = std::make_unique<shell::MainWindow>();
        window->setPrompter(prompter);
        window->browserPane().setLookUpSite(server.url(QStringLiteral("/")));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        // Focus and shortcuts need the window in front.
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        page = window->browserPage;
        view = page->WebBrowser1;
        prompter.seen.clear();
        server.requests.clear();
        server.delays.clear();
    }
    void cleanup() {
        window.reset();
        QVERIFY(!QApplication::overrideCursor());
    }

    void typedAddressIsTrimmedAndHistoryIsNewestFirst() {
        const QString a = server.url(QStringLiteral("/a")).toString();
        const QString b = server.url(QStringLiteral("/b")).toString();
        const QString c = server.url(QStringLiteral("/c")).toString();
        QVERIFY(type(QStringLiteral("   ") + a + QStringLiteral("  ")));
        QCOMPARE(view->url().toString(), a);
        QCOMPARE(page->txtUrl->currentText(), a);
        QVERIFY(type(b));
        QVERIFY(type(c));
        QCOMPARE(history(), (QStringList{c, b, a}));
        QVERIFY(type(a));
        QCOMPARE(history(), (QStringList{a, c, b, a}));

        // Choosing an entry of the list opens it at once.
        page->txtUrl->showPopup();
        QAbstractItemView* list = page->txtUrl->view();
        QVERIFY(QTest::qWaitFor([&] { return list->isVisible(); }, 3000));
        QVERIFY(waitForLoad([&] {
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualRect(list->model()->index(2, 0)).center());
        }));
        QCOMPARE(view->url().toString(), b);
        QCOMPARE(history().first(), b);
        QVERIFY(prompter.seen.isEmpty());
    }

    void addressBoxSelectsItsWholeTextOnFocus() {
        page->txtUrl->setEditText(QStringLiteral("http://example.test/x"));
        window->Text1->setFocus();
        QLineEdit* edit = page->txtUrl->lineEdit();
        QTest::mouseClick(edit, Qt::LeftButton, {}, QPoint(5, edit->height() / 2));
        QVERIFY(QTest::qWaitFor([&] { return edit->selectedText() == edit->text(); }, 2000));
        QTest::keyClicks(edit, QStringLiteral("new"));
        QCOMPARE(edit->text(), QStringLiteral("new"));

        // A double click takes the whole text, not one word of it.
        edit->setText(QStringLiteral("one two three"));
        edit->deselect();
        QTest::mouseDClick(
            edit, Qt::LeftButton, {},
            QPoint(edit->fontMetrics().horizontalAdvance(QStringLiteral("one t")) + 4,
                   edit->height() / 2));
        QVERIFY(QTest::qWaitFor([&] { return edit->selectedText() == edit->text(); }, 2000));
    }

    void followedLinksAndFramesUpdateTheBox() {
        QVERIFY(type(server.url(QStringLiteral("/a")).toString()));
        QVERIFY(waitForLoad(
            [&] { evaluate(view, QStringLiteral("document.getElementById('next').click()")); }));
        const QString b = server.url(QStringLiteral("/b")).toString();
        QCOMPARE(page->txtUrl->currentText(), b);
        QCOMPARE(history().first(), b);

        // The page and each of its two frames add the page's address.
        const QString frames = server.url(QStringLiteral("/frames")).toString();
        QVERIFY(type(frames));
        QVERIFY(QTest::qWaitFor([&] { return history().count(frames) == 3; }, 5000));
        QTest::qWait(300);
        QCOMPARE(history().count(frames), 3);
    }

    void badAddressIsReportedAndKept() {
        QVERIFY(type(server.url(QStringLiteral("/a")).toString()));
        const QUrl before = view->url();
        const QString typed = QStringLiteral("http://[::1");
        page->txtUrl->setEditText(typed);
        QTest::mouseClick(page->cmdLink, Qt::LeftButton);
        QCOMPARE(prompter.seen.size(), 1);
        QVERIFY(prompter.seen.first().startsWith(
            QStringLiteral("訊息|%1|").arg(int(PromptIcon::Error))));
        QCOMPARE(page->txtUrl->currentText(), typed);
        QTest::qWait(300);
        QCOMPARE(view->url(), before);
    }

    void scriptDialogsNeverPopUp() {
        QVERIFY(type(server.url(QStringLiteral("/alert")).toString()));
        QVERIFY(QTest::qWaitFor([&] { return view->title() == QStringLiteral("After"); }, 5000));
        QVERIFY(!QApplication::activeModalWidget());
    }

    void backForwardAndReload() {
        QVERIFY(type(server.url(QStringLiteral("/a")).toString()));
        QVERIFY(type(server.url(QStringLiteral("/b")).toString()));
        QVERIFY(waitForLoad([&] { click(*window, 12); }));
        QCOMPARE(view->url(), server.url(QStringLiteral("/a")));
        QVERIFY(waitForLoad([&] { click(*window, 13); }));
        QCOMPARE(view->url(), server.url(QStringLiteral("/b")));
        const int before = server.count(QStringLiteral("/b"));
        QVERIFY(waitForLoad([&] { click(*window, 11); }));
        QCOMPARE(server.count(QStringLiteral("/b")), before + 1);

        // Not on the document page.
        window->SSTab1->setCurrentIndex(1);
        click(*window, 11);
        click(*window, 12);
        QTest::qWait(500);
        QCOMPARE(server.count(QStringLiteral("/b")), before + 1);
        QCOMPARE(view->url(), server.url(QStringLiteral("/b")));
        QCOMPARE(window->SSTab1->currentIndex(), 1);
        QVERIFY(prompter.seen.isEmpty());
    }

    void backWithoutHistoryDoesNothing() {
        const QUrl before = view->url();
        click(*window, 12);
        click(*window, 13);
        QTest::qWait(300);
        QCOMPARE(view->url(), before);
        QVERIFY(prompter.seen.isEmpty());
        QVERIFY(history().isEmpty());
    }

    void stopStopsBothBrowsers() {
        server.delays[QStringLiteral("/slow")] = 4000;
        view->setUrl(server.url(QStringLiteral("/slow")));
        QVERIFY(QTest::qWaitFor([&] { return server.count(QStringLiteral("/slow")) == 1; }, 5000));
        QSignalSpy loaded(view, &QWebEngineView::loadFinished);
        QVERIFY(!window->browserPane().hasLookUpWindow());
        click(*window, 10);
        QVERIFY(window->browserPane().hasLookUpWindow());
        QVERIFY(!window->browserPane().Form2().isVisible());
        QVERIFY(loaded.wait(2000));
        QCOMPARE(loaded.first().first().toBool(), false);
        QVERIFY(view->title() != QStringLiteral("Slow"));
    }

    void lookUpSendsTheGatheredWordEncoded_data() {
        QTest::addColumn<QString>("selected");
        QTest::addColumn<QString>("target"); // empty: nothing is loaded
        QTest::addColumn<QStringList>("prompts");
        QTest::newRow("line break") << "Hello\nWorld"
                                    << "/search?q=define+hello%20world" << QStringList();
        QTest::newRow("ampersand") << "AT&T"
                                   << "/search?q=define+at%26t" << QStringList();
        QTest::newRow("fifty") << QString(50, u'x') << "/search?q=define+" + QString(50, u'x')
                               << QStringList();
        QTest::newRow("fifty-one")
            << QString(51, u'x') << QString()
            << QStringList{QStringLiteral("訊息|%1|").arg(int(PromptIcon::Error)) +
                           QString::fromUtf16(browser::LookUpTooLong)};
    }
    void lookUpSendsTheGatheredWordEncoded() {
        QFETCH(QString, selected);
        QFETCH(QString, target);
        QFETCH(QStringList, prompts);
        server.delays[QStringLiteral("/search")] = 1500;
        window->SSTab1->setCurrentIndex(1);
        window->Text1->setPlainText(selected);
        window->Text1->selectAll();
        click(*window, 5);
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(prompter.seen, prompts);
        if (target.isEmpty()) {
            QTest::qWait(500);
            QVERIFY(server.requests.isEmpty());
            QVERIFY(!window->browserPane().hasLookUpWindow() ||
                    !window->browserPane().Form2().isVisible());
            return;
        }
        browser::LookUpWindow& form2 = window->browserPane().Form2();
        QVERIFY(QTest::qWaitFor([&] { return server.requests.contains(target); }, 5000));
        // Held back by the server: the window waits for the page.
        QTest::qWait(500);
        QVERIFY(!form2.isVisible());
        QVERIFY(QTest::qWaitFor([&] { return form2.isVisible(); }, 5000));
        QCOMPARE(form2.WebBrowser1->title(), QStringLiteral("Definition"));
        QVERIFY(!form2.isModal());
        // A second look-up hides the window again until its page is in.
        window->Text1->setPlainText(QStringLiteral("again"));
        window->Text1->selectAll();
        click(*window, 5);
        QVERIFY(!form2.isVisible());
        QVERIFY(QTest::qWaitFor([&] { return form2.isVisible(); }, 5000));
        QVERIFY(server.requests.contains(QStringLiteral("/search?q=define+again")));
    }

    void lookUpWindowKeepsItsMargins() {
        browser::LookUpWindow& form2 = window->browserPane().Form2();
        form2.resize(700, 500);
        form2.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form2));
        const int dx = 100 * form2.logicalDpiX() / 1440;
        const int dy = 400 * form2.logicalDpiY() / 1440;
        QCOMPARE(form2.WebBrowser1->size(), QSize(form2.width() - dx, form2.height() - dy));
        const QSize before = form2.WebBrowser1->size();
        form2.resize(3, 3);
        QTest::qWait(100);
        QCOMPARE(form2.WebBrowser1->size(), before);
    }

    void informationPageIsBundled() {
        window->SSTab1->setCurrentIndex(2);
        QVERIFY(waitForLoad([&] { click(*window, 9); }));
        QCOMPARE(window->SSTab1->currentIndex(), 0);
        QCOMPARE(view->url(), browser::BrowserPane::informationPage());
        const QString text = evaluate(view, QStringLiteral("document.body.innerText")).toString();
        for (const char* expected :
             {"Lectern", "5.3", "F9", "Pause", "eSpeak NG", "GNU GPL 3.0", "Qt WebEngine", "LAME"})
            QVERIFY2(text.contains(QLatin1String(expected)), expected);
    }

    void homePageWithoutNetworkIsNoFailure() {
        QSignalSpy loaded(view, &QWebEngineView::loadFinished);
        window->Form_Load();
        QCOMPARE(view->url(), window->browserPane().homePage());
        QVERIFY(loaded.wait(30000));
        QCOMPARE(loaded.first().first().toBool(), false);
        QVERIFY2(prompter.seen.isEmpty(), qPrintable(prompter.seen.join(u'\n')));
        window->Form_Unload();
    }

    void favouritesShowHideAndReRead() {
        QDir(favourites()).removeRecursively();
        window->SSTab1->setCurrentIndex(1);
        click(*window, 8);
        QCOMPARE(window->SSTab1->currentIndex(), 0);
        QVERIFY(page->List1->isVisible());
        QCOMPARE(page->List1->count(), 0);
        QVERIFY(QFileInfo(favourites()).isDir());

        QFile file(favourites() + QStringLiteral("/Page A.URL"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[InternetShortcut]\nURL=" + server.url(QStringLiteral("/a")).toEncoded() +
                   "\n");
        file.close();
        QFile noUrl(favourites() + QStringLiteral("/zz empty.url"));
        QVERIFY(noUrl.open(QIODevice::WriteOnly));
        noUrl.close();
        click(*window, 8);
        QVERIFY(!page->List1->isVisible());
        click(*window, 8);
        QVERIFY(page->List1->isVisible());
        QCOMPARE(page->List1->count(), 2);
        QCOMPARE(page->List1->item(0)->text(), QStringLiteral("Page A"));

        const QRect first = page->List1->visualItemRect(page->List1->item(0));
        QVERIFY(waitForLoad([&] {
            QTest::mouseClick(page->List1->viewport(), Qt::LeftButton, {}, first.center());
        }));
        QCOMPARE(view->url(), server.url(QStringLiteral("/a")));

        // A shortcut without an address opens an empty page, quietly.
        const QRect second = page->List1->visualItemRect(page->List1->item(1));
        QVERIFY(waitForLoad([&] {
            QTest::mouseClick(page->List1->viewport(), Qt::LeftButton, {}, second.center());
        }));
        QCOMPARE(view->url(), QUrl(QStringLiteral("about:blank")));
        QVERIFY(prompter.seen.isEmpty());
    }

    void sixHundredFavouritesEachOpenTheirOwn() {
        QDir(favourites()).removeRecursively();
        for (int i = 0; i < 600; ++i) {
            const QString dir = favourites() + QStringLiteral("/group%1").arg(i / 100);
            QDir().mkpath(dir);
            QFile file(dir + QStringLiteral("/f%1.url").arg(i, 3, 10, QChar(u'0')));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[InternetShortcut]\nURL=" +
                       server.url(QStringLiteral("/fav/%1").arg(i)).toEncoded() + "\n");
        }
        click(*window, 8);
        QCOMPARE(page->List1->count(), 600);
        for (int row : {0, 499, 500, 599}) {
            QListWidgetItem* item = page->List1->item(row);
            page->List1->scrollToItem(item);
            const QRect rect = page->List1->visualItemRect(item);
            QVERIFY(waitForLoad([&] {
                QTest::mouseClick(page->List1->viewport(), Qt::LeftButton, {}, rect.center());
            }));
            QCOMPARE(view->url(), server.url(QStringLiteral("/fav/%1").arg(row)));
        }
    }

    void addToFavouritesRoundTrip() {
        QDir(favourites()).removeRecursively();
        click(*window, 8);
        QCOMPARE(page->List1->count(), 0);
        QVERIFY(type(server.url(QStringLiteral("/c")).toString()));
        view->setFocus();
        QTest::keyClick(view->focusProxy() ? view->focusProxy() : view, Qt::Key_D,
                        Qt::ControlModifier);
        QVERIFY(QTest::qWaitFor([&] { return page->List1->count() == 1; }, 3000));
        QCOMPARE(page->List1->item(0)->text(), QStringLiteral("Page C"));
        // Kept again: a second file, the first untouched.
        QAction* add = page->findChild<QAction*>(QStringLiteral("AddToFavourites"));
        QVERIFY(add);
        add->trigger();
        QCOMPARE(page->List1->count(), 2);
        const std::vector<browser::Favourite> kept = browser::ListFavourites(favourites());
        QCOMPARE(kept.size(), size_t(2));
        for (const browser::Favourite& f : kept)
            QCOMPARE(f.url, server.url(QStringLiteral("/c")).toString());

        click(*window, 8);
        const QRect rect = page->List1->visualItemRect(page->List1->item(0));
        click(*window, 8);
        QVERIFY(type(server.url(QStringLiteral("/a")).toString()));
        QVERIFY(waitForLoad([&] {
            QTest::mouseClick(page->List1->viewport(), Qt::LeftButton, {}, rect.center());
        }));
        QCOMPARE(view->url(), server.url(QStringLiteral("/c")));
    }
};

int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Lectern"));
    QApplication::setApplicationName(QStringLiteral("Lectern"));
    BrowserPaneTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_browser_pane.moc"
