#include "BrowserPane.h"

#include "Address.h"
#include "BrowserPage.h"
#include "Favourites.h"
#include "LookUpWindow.h"
#include "WebView.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QToolButton>

#include <exception>

namespace lectern::browser {

namespace {

QString describe(const std::exception& e) {
    return QString::fromUtf8(e.what());
}

} // namespace

BrowserPane::BrowserPane(BrowserPage& page, BrowserPaneHost& host, speech::Prompter& prompter,
                         QObject* parent)
    : QObject(parent), m_page(page), m_host(host), m_prompter(&prompter) {
    WebView* view = m_page.WebBrowser1;
    connect(m_page.cmdLink, &QToolButton::clicked, this, &BrowserPane::cmdLink_Click);
    connect(m_page.txtUrl->lineEdit(), &QLineEdit::returnPressed, this,
            &BrowserPane::cmdLink_Click);
    connect(m_page.txtUrl, &QComboBox::activated, this, &BrowserPane::txtUrl_Click);
    connect(view, &QWebEngineView::titleChanged, this,
            [this] { m_page.txtUrl->setEditText(m_page.WebBrowser1->url().toString()); });
    connect(view, &QWebEngineView::loadFinished, this, &BrowserPane::pageLoaded);
    connect(view->silentPage(), &SilentPage::frameLoadFinished, this, &BrowserPane::pageLoaded);
    // A double click opens the entry a second time, after its click.
    connect(m_page.List1, &QListWidget::itemClicked, this, &BrowserPane::openFavourite);
    connect(m_page.List1, &QListWidget::itemDoubleClicked, this, &BrowserPane::openFavourite);

    auto* add = new QAction(QStringLiteral("Add to Favourites"), &m_page);
    add->setObjectName(QStringLiteral("AddToFavourites"));
    add->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    add->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(add, &QAction::triggered, this, [this] {
        try {
            addToFavourites();
        } catch (const std::exception& e) {
            showFailure(describe(e));
        }
    });
    m_page.addAction(add);
    view->addContextAction(add);
}

BrowserPane::~BrowserPane() = default;

LookUpWindow& BrowserPane::Form2() {
    if (!m_form2)
        m_form2 = std::make_unique<LookUpWindow>();
    return *m_form2;
}

void BrowserPane::navigate(const QString& address) {
    m_page.WebBrowser1->setUrl(addressFromUserInput(address));
}

void BrowserPane::showFailure(const QString& description) {
    m_prompter->prompt(speech::messageTitle(), description, speech::PromptIcon::Error,
                       speech::PromptButtons::Ok);
}

void BrowserPane::cmdLink_Click() {
    try {
        navigate(trimBlanks(m_page.txtUrl->currentText()));
    } catch (const std::exception& e) {
        showFailure(describe(e));
    }
}

void BrowserPane::txtUrl_Click(int index) {
    try {
        navigate(m_page.txtUrl->itemText(index));
    } catch (const std::exception& e) {
        showFailure(describe(e));
    }
}

void BrowserPane::pageLoaded() {
    // Also once for each inline frame, so a page with frames is listed
    // several times.
    const QString address = m_page.WebBrowser1->url().toString();
    m_page.txtUrl->insertItem(0, address);
    m_page.txtUrl->setEditText(address);
    m_host.setNormalCursor();
}

void BrowserPane::goHome() {
    m_page.WebBrowser1->setUrl(m_homePage);
}

void BrowserPane::openFile() {
    m_host.showBrowserTab();
    const QString name = QFileDialog::getOpenFileName(m_page.window(), QStringLiteral("請選擇檔案"),
                                                      QString(), QStringLiteral("All Files (*)"));
    if (!name.isEmpty())
        m_page.WebBrowser1->setUrl(QUrl::fromLocalFile(name));
}

void BrowserPane::lookUp() {
    try {
        m_host.stopAndReset();
    } catch (...) {
        // Silencing is a step of its own; the look-up goes on.
    }
    const std::optional<QString> word = gatherLookUpWord(m_host, *m_prompter);
    if (word)
        Form2().lookUp(lookUpUrl(m_lookUpSite, *word));
}

void BrowserPane::toggleFavourites() {
    m_host.showBrowserTab();
    if (m_page.List1->isVisible()) {
        m_page.List1->hide();
        return;
    }
    fillFavourites();
    m_page.List1->show();
    m_host.showBrowserTab();
}

void BrowserPane::fillFavourites() {
    QListWidget* list = m_page.List1;
    list->clear();
    m_favouriteAddresses.clear();
    const QString folder = favouritesFolder();
    QDir().mkpath(folder);
    QStringList names;
    for (Favourite& favourite : ListFavourites(folder)) {
        names.append(std::move(favourite.name));
        m_favouriteAddresses.append(std::move(favourite.url));
    }
    // One insertion for the whole list: item by item is slow for thousands.
    list->addItems(names);
}

void BrowserPane::openFavourite() {
    const int row = m_page.List1->currentRow();
    if (row < 0 || row >= m_favouriteAddresses.size())
        return;
    try {
        navigate(m_favouriteAddresses.at(row));
    } catch (const std::exception& e) {
        showFailure(describe(e));
    }
    m_host.setNormalCursor();
}

void BrowserPane::addToFavourites() {
    const QWebEngineView* view = m_page.WebBrowser1;
    const QString url = view->url().toString(QUrl::FullyEncoded);
    const QString title =
        view->title().trimmed().isEmpty() ? view->url().toString() : view->title();
    addFavourite(favouritesFolder(), title, url);
    if (m_page.List1->isVisible())
        fillFavourites();
}

void BrowserPane::showInformation() {
    m_page.WebBrowser1->setUrl(informationPage());
    m_host.showBrowserTab();
}

void BrowserPane::stop() {
    m_page.WebBrowser1->stop();
    Form2().WebBrowser1->stop();
}

void BrowserPane::reload() {
    if (m_host.currentTab() == 0)
        m_page.WebBrowser1->reload();
}

void BrowserPane::back() {
    if (m_host.currentTab() == 0)
        m_page.WebBrowser1->back();
}

void BrowserPane::forward() {
    if (m_host.currentTab() == 0)
        m_page.WebBrowser1->forward();
}

} // namespace lectern::browser
