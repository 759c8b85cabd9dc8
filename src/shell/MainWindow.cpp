#include "MainWindow.h"

#include "BrowserPage.h"
#include "DialogCursor.h"
#include "Failure.h"
#include "GlobalKeys.h"
#include "MainToolBar.h"
#include "ReadingCommands.h"
#include "SettingsPane.h"
#include "StartUp.h"
#include "X11KeyWatcher.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QShortcut>
#include <QTabWidget>
#include <QTextEdit>
#include <QUrl>
#include <QVBoxLayout>

namespace lectern::shell {

MainWindow::MainWindow(QWidget* parent, std::unique_ptr<keys::KeyWatcher> keyWatcher)
    : QMainWindow(parent), m_messageBoxes(this), m_keys(std::move(keyWatcher)) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Lectern  V5.3"));

    Toolbar1 = new MainToolBar(this);
    addToolBar(Qt::TopToolBarArea, Toolbar1);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 4, 6, 6);

    SSTab1 = new QTabWidget(central);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    browserPage = new browser::BrowserPage(SSTab1);
    Text1 = new QTextEdit(SSTab1);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setAcceptRichText(false);
    dialoguePage = new QWidget(SSTab1);
    dialoguePage->setObjectName(QStringLiteral("DialoguePage"));
    SSTab1->addTab(browserPage, QStringLiteral("朗讀網頁"));
    SSTab1->addTab(Text1, QStringLiteral("朗讀檔案"));
    SSTab1->addTab(dialoguePage, QStringLiteral("對話編輯"));
    layout->addWidget(SSTab1, 1);

    SSTab2 = new SettingsPane(central);
    layout->addWidget(SSTab2, 0);
    setCentralWidget(central);

    // The smallest size at which every control of the strips stays visible.
    setMinimumSize(633, 540);
    resize(1000, 760);

    m_host = std::make_unique<WindowReadingHost>(*SSTab1, *Text1, *browserPage, *SSTab2, *Toolbar1);
    m_commands = new ReadingCommands(*m_host, m_clipboard, m_messageBoxes, this);
    m_startUp =
        std::make_unique<StartUp>(*m_host, *SSTab2, *m_commands, m_messageBoxes, SettingsHidden);

    connect(Toolbar1, &MainToolBar::buttonClicked, this, &MainWindow::Toolbar1_ButtonClick);

    if (!m_keys)
        m_keys = std::make_unique<keys::X11KeyWatcher>();
    m_startUp->setKeyWatcher(m_keys.get());
    auto pauseButton = [this] { Toolbar1_ButtonClick(MainToolBar::PauseButton); };
    m_globalKeys = new GlobalKeys(*m_keys, *m_commands, m_otherProgramText, pauseButton, this);
    m_f9 = new QShortcut(QKeySequence(Qt::Key_F9), this);
    connect(m_f9, &QShortcut::activated, this, [this] { m_commands->Speak(); });
    m_pause = new QShortcut(QKeySequence(Qt::Key_Pause), this);
    connect(m_pause, &QShortcut::activated, this, pauseButton);
}

MainWindow::~MainWindow() {
    // The watcher's thread must not outlive the commands it reports to.
    m_keys->stop();
}

void MainWindow::setPrompter(speech::Prompter& prompter) {
    m_commands->setPrompter(prompter);
    m_startUp->setPrompter(prompter);
}

void MainWindow::Form_Load() {
    m_unloaded = false;
    m_keys->setOwnWindow(winId());
    m_startUp->Form_Load();
    updateWindowKeys();
}

void MainWindow::Form_Unload() {
    if (m_unloaded)
        return;
    m_unloaded = true;
    m_startUp->Form_Unload();
    updateWindowKeys();
}

void MainWindow::updateWindowKeys() {
    const bool watched = m_keys->running();
    m_f9->setEnabled(!watched);
    m_pause->setEnabled(!watched);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void MainWindow::Toolbar1_ButtonClick(int index) {
    m_host->setBusyCursor();
    // Each step is guarded on its own; the commands report their own failures.
    switch (index) {
    case 1:
        guarded([&] { openFileInBrowser(); });
        break;
    case MainToolBar::ReadButton:
        guarded([&] { m_commands->StopAndReset(); });
        guarded([&] { m_commands->Speak(); });
        break;
    case MainToolBar::PauseButton:
        guarded([&] { m_commands->Speakstopresume(); });
        break;
    default:
        // The other buttons' commands come with their panes.
        break;
    }
    m_host->setNormalCursor();
}

void MainWindow::openFileInBrowser() {
    m_host->showTab(BrowserTab);
    const QString name = [this] {
        const NormalCursorWhileOpen normal;
        return QFileDialog::getOpenFileName(this, QStringLiteral("請選擇檔案"), QString(),
                                            QStringLiteral("All Files (*)"));
    }();
    if (!name.isEmpty())
        browserPage->Navigate(QUrl::fromLocalFile(name));
}

} // namespace lectern::shell
