#include "MainWindow.h"

#include "BrowserPage.h"
#include "BrowserPane.h"
#include "DialogCursor.h"
#include "DialoguePage.h"
#include "DocumentPage.h"
#include "ExportCommand.h"
#include "Failure.h"
#include "GlobalKeys.h"
#include "MainToolBar.h"
#include "ReadingCommands.h"
#include "SettingsPane.h"
#include "StartUp.h"
#include "SystemTrayBackend.h"
#include "WindowBrowserHost.h"
#include "WindowExport.h"
#include "WindowFrame.h"
#include "X11KeyWatcher.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QTabWidget>
#include <QTextEdit>
#include <QUrl>

namespace lectern::shell {

using speech::guarded;

MainWindow::MainWindow(QWidget* parent, std::unique_ptr<keys::KeyWatcher> keyWatcher)
    : QMainWindow(parent), m_messageBoxes(this), m_keys(std::move(keyWatcher)) {
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Lectern  V5.3"));

    Toolbar1 = new MainToolBar(this);
    addToolBar(Qt::TopToolBarArea, Toolbar1);

    // No layout manager: the window frame places the strips and the pages'
    // controls for every size.
    auto* central = new QWidget(this);

    SSTab1 = new QTabWidget(central);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    browserPage = new browser::BrowserPage(SSTab1);
    documentPage = new DocumentPage(SSTab1);
    documentPage->setPrompter(m_messageBoxes);
    Text1 = documentPage->Text1;
    dialoguePage = new dialogue::DialoguePage(SSTab1);
    SSTab1->addTab(browserPage, QStringLiteral("朗讀網頁"));
    SSTab1->addTab(documentPage, QStringLiteral("朗讀檔案"));
    SSTab1->addTab(dialoguePage, QStringLiteral("對話編輯"));

    SSTab2 = new SettingsPane(central);
    setCentralWidget(central);

    m_tray = new SystemTrayBackend(this);
    m_frame = new WindowFrame(*this, *SSTab1, *SSTab2, SettingsHidden, *m_tray);
    resize(1000, 760);

    m_host = std::make_unique<WindowReadingHost>(*SSTab1, *Text1, *browserPage, *SSTab2, *Toolbar1);
    m_startUpHost = std::make_unique<PaneStartUpHost>(*SSTab2, *m_host, SettingsHidden);
    m_commands = new speech::ReadingCommands(*m_host, m_clipboard, m_messageBoxes, m_engine, this);
    m_startUp = std::make_unique<speech::StartUp>(*m_startUpHost, *m_commands, m_engine, m_engine,
                                                  m_messageBoxes);
    m_startUpHost->setDocumentSteps([this] { documentPage->fillFontList(); },
                                    [this] { documentPage->pointFileBrowser(); });

    m_browserHost = std::make_unique<WindowBrowserHost>(*m_host, m_clipboard, *m_commands);
    m_browserPane = new browser::BrowserPane(*browserPage, *m_browserHost, m_messageBoxes, this);
    m_startUpHost->setGoHome([this] { m_browserPane->goHome(); });

    connect(Toolbar1, &MainToolBar::buttonClicked, this, &MainWindow::Toolbar1_ButtonClick);
    connect(Toolbar1, &MainToolBar::readMenuChosen, m_commands,
            [this](int item) { m_commands->ReadMenuClick(speech::ReadMenuButton, item); });

    m_host->setDialogueGrid(&dialoguePage->grid());
    dialoguePage->setPrompter(m_messageBoxes);
    dialoguePage->setVoiceSource([this] {
        QStringList names;
        for (const speech::VoiceEntry& voice : m_engine.voices())
            names << voice.description;
        return names;
    });
    m_startUpHost->setDialogueGridBuilder([this] { dialoguePage->ResetDialogueGrid(); });
    // No grid editor may stay over another page, nor over a reading.
    connect(SSTab1, &QTabWidget::currentChanged, dialoguePage,
            &dialogue::DialoguePage::ParkEditors);
    // The reading menu parks them first of all its steps.
    m_host->setParkEditors([this] { dialoguePage->ParkEditors(); });
    m_exportUi = std::make_unique<WindowExportUi>(this);
    m_export = new ExportCommand(*m_host, *m_commands, *m_exportUi, m_messageBoxes, this);

    m_mixer = std::make_unique<audio::PulseMixer>();
    m_mixerControls = std::make_unique<WindowMixerControls>(*SSTab2->Slider5, *SSTab2->Command5);
    m_mixerCommands = std::make_unique<MixerCommands>(*m_mixer, *m_mixerControls, m_messageBoxes);
    m_startUpHost->setMixer([this] { m_mixerCommands->showState(); });
    // A drag sets the volume once, where it is let go; keys set it at once.
    SSTab2->Slider5->setTracking(false);
    connect(SSTab2->Slider5, &QSlider::valueChanged, this, [this](int value) {
        m_mixerCommands->setMasterVolume(value);
        m_host->setNormalCursor();
    });
    connect(SSTab2->Command5, &QPushButton::clicked, this, [this] {
        m_mixerCommands->muteClicked();
        m_host->setNormalCursor();
    });

    if (!m_keys)
        m_keys = std::make_unique<keys::X11KeyWatcher>();
    m_startUpHost->setKeyWatcher(m_keys.get());
    auto pauseButton = [this] { Toolbar1_ButtonClick(MainToolBar::PauseButton); };
    m_globalKeys = new GlobalKeys(*m_keys, *m_commands, m_otherProgramText, pauseButton, this);
    m_f9 = new QShortcut(QKeySequence(Qt::Key_F9), this);
    connect(m_f9, &QShortcut::activated, this, [this] { m_commands->Speak(); });
    m_pause = new QShortcut(QKeySequence(Qt::Key_Pause), this);
    connect(m_pause, &QShortcut::activated, this, pauseButton);
}

MainWindow::~MainWindow() {
    // The tray icon goes before the tray it lives in.
    delete m_frame;
    m_frame = nullptr;
    // The watcher's thread must not outlive the commands it reports to.
    m_keys->stop();
}

void MainWindow::setPrompter(speech::Prompter& prompter) {
    m_commands->setPrompter(prompter);
    m_startUp->setPrompter(prompter);
    dialoguePage->setPrompter(prompter);
    m_export->setPrompter(prompter);
    m_mixerCommands->setPrompter(prompter);
    m_browserPane->setPrompter(prompter);
    documentPage->setPrompter(prompter);
}

void MainWindow::setExportUi(ExportUi& ui) {
    m_export->setUi(ui);
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
        guarded([&] {
            const NormalCursorWhileOpen normal;
            m_browserPane->openFile();
        });
        break;
    case MainToolBar::ReadButton:
        guarded([&] { m_commands->StopAndReset(); });
        guarded([&] { m_commands->Speak(); });
        break;
    case MainToolBar::PauseButton:
        guarded([&] { m_commands->Speakstopresume(); });
        break;
    case MainToolBar::ExportButton:
        // Silencing now would cut the running export short.
        if (m_export->isRunning()) {
            guarded([&] { m_export->refuseWhileRunning(); });
            break;
        }
        guarded([&] { m_commands->StopAndReset(); });
        guarded([&] { m_export->Output(); });
        break;
    case 5:
        guarded([&] { m_browserPane->lookUp(); });
        break;
    case 8:
        guarded([&] { m_browserPane->toggleFavourites(); });
        break;
    case 9:
        guarded([&] { m_browserPane->showInformation(); });
        break;
    case 10:
        guarded([&] { m_browserPane->stop(); });
        break;
    case 11:
        guarded([&] { m_browserPane->reload(); });
        break;
    case 12:
        guarded([&] { m_browserPane->back(); });
        break;
    case 13:
        guarded([&] { m_browserPane->forward(); });
        break;
    case MainToolBar::SettingsButton:
        toggleSettings();
        break;
    default:
        // The other buttons have no command of their own here.
        break;
    }
    m_host->setNormalCursor();
}

void MainWindow::Form_Resize() {
    m_frame->Form_Resize();
}

void MainWindow::toggleSettings() {
    // Asked of the strip itself: its voice list is out of sight while the
    // format page shows, and the button must still hide the strip then.
    if (!guarded([&] { SettingsHidden = !SSTab2->isHidden(); }))
        SettingsHidden = true;
    guarded([&] { Form_Resize(); });
}

} // namespace lectern::shell
