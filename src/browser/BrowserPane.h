#pragma once
// The browser page's behaviour: address box and history, page loads,
// favourites, the look-up window and the toolbar's browser commands.

#include "LookUp.h"
#include "Prompter.h"

#include <QObject>
#include <QStringList>
#include <QUrl>

#include <memory>

namespace lectern::browser {

class BrowserPage;
class LookUpWindow;

// What the pane needs from the window around it.
class BrowserPaneHost : public LookUpSources {
public:
    virtual void showBrowserTab() = 0;
    // Silences the speech before a look-up.
    virtual void stopAndReset() = 0;
    virtual void setNormalCursor() = 0;
};

class BrowserPane : public QObject {
    Q_OBJECT
public:
    BrowserPane(BrowserPage& page, BrowserPaneHost& host, speech::Prompter& prompter,
                QObject* parent = nullptr);
    ~BrowserPane() override;

    void setPrompter(speech::Prompter& prompter) { m_prompter = &prompter; }

    // Where the browser starts and where words are looked up; tests point
    // them at a local server.
    QUrl homePage() const { return m_homePage; }
    void setHomePage(const QUrl& url) { m_homePage = url; }
    QUrl lookUpSite() const { return m_lookUpSite; }
    void setLookUpSite(const QUrl& url) { m_lookUpSite = url; }

    // Created hidden on first use.
    LookUpWindow& Form2();
    bool hasLookUpWindow() const { return m_form2 != nullptr; }

    // Toolbar commands; each throws on failure with a description.
    void openFile();
    void lookUp();
    void toggleFavourites();
    void showInformation();
    void stop();
    void reload();
    void back();
    void forward();

    void goHome();
    // Keeps the page shown as a shortcut in the favourites folder.
    void addToFavourites();
    // Opens what the person typed or chose; throws when it is no address.
    void navigate(const QString& address);

    static QUrl informationPage() { return QUrl(QStringLiteral("qrc:/lectern/about.html")); }

private:
    void cmdLink_Click();
    void txtUrl_Click(int index);
    void pageLoaded();
    void fillFavourites();
    void openFavourite();
    void showFailure(const QString& description);

    BrowserPage& m_page;
    BrowserPaneHost& m_host;
    speech::Prompter* m_prompter;
    std::unique_ptr<LookUpWindow> m_form2;
    // The address of each entry of the favourites list, by row.
    QStringList m_favouriteAddresses;
    QUrl m_homePage{QStringLiteral("https://www.google.com/")};
    QUrl m_lookUpSite{QStringLiteral("https://www.google.com/")};
};

} // namespace lectern::browser
