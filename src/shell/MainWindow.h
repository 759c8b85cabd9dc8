#pragma once
// The main window: toolbar, page strip and settings strip, with the reading
// commands and start-up composed over them.

#include "EngineBackend.h"
#include "KeyWatcher.h"
#include "MessageBoxPrompter.h"
#include "PaneStartUpHost.h"
#include "WindowReadingHost.h"

#include <QMainWindow>

#include <memory>

namespace lectern::audio {
class Mixer;
}

class QShortcut;
class QTabWidget;
class QTextEdit;

namespace lectern::browser {
class BrowserPage;
class BrowserPane;
} // namespace lectern::browser
namespace lectern::dialogue {
class DialoguePage;
}

namespace lectern::speech {
class ReadingCommands;
class StartUp;
} // namespace lectern::speech

namespace lectern::shell {

class ExportCommand;
class ExportUi;
class DocumentPage;
class GlobalKeys;
class MainToolBar;
class MixerCommands;
class MixerControls;
class SystemTrayBackend;
class WindowFrame;
class SettingsPane;
class WindowBrowserHost;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Without a key watcher the X11 one is used.
    explicit MainWindow(QWidget* parent = nullptr,
                        std::unique_ptr<keys::KeyWatcher> keyWatcher = nullptr);
    ~MainWindow() override;

    MainToolBar* Toolbar1 = nullptr;
    QTabWidget* SSTab1 = nullptr;
    browser::BrowserPage* browserPage = nullptr;
    DocumentPage* documentPage = nullptr;
    QTextEdit* Text1 = nullptr;
    dialogue::DialoguePage* dialoguePage = nullptr;
    SettingsPane* SSTab2 = nullptr;
    bool SettingsHidden = false;

    speech::ReadingCommands& commands() { return *m_commands; }
    ExportCommand& exportCommand() { return *m_export; }
    // The save dialog, progress and file opening go here from now on.
    void setExportUi(ExportUi& ui);
    browser::BrowserPane& browserPane() { return *m_browserPane; }
    keys::KeyWatcher& keyWatcher() { return *m_keys; }
    // Message boxes go to this prompter from now on (tests answer through it).
    void setPrompter(speech::Prompter& prompter);

    void Form_Load();
    void Form_Unload();
    void Toolbar1_ButtonClick(int index);
    // Places the controls for the window's size; minimised, goes to the tray.
    void Form_Resize();
    WindowFrame& frame() { return *m_frame; }
    SystemTrayBackend& trayBackend() { return *m_tray; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void toggleSettings();
    // F9 and Pause as the window's own keys, while no desktop-wide watcher
    // reports them (it would read twice otherwise).
    void updateWindowKeys();

    MessageBoxPrompter m_messageBoxes;
    SystemClipboard m_clipboard;
    speech::EngineBackend m_engine;
    SystemClipboard m_otherProgramSelection{true};
    speech::FirstTextOf m_otherProgramText{m_otherProgramSelection, m_clipboard};
    std::unique_ptr<keys::KeyWatcher> m_keys;
    GlobalKeys* m_globalKeys = nullptr;
    QShortcut* m_f9 = nullptr;
    QShortcut* m_pause = nullptr;
    std::unique_ptr<WindowReadingHost> m_host;
    std::unique_ptr<PaneStartUpHost> m_startUpHost;
    speech::ReadingCommands* m_commands = nullptr;
    std::unique_ptr<speech::StartUp> m_startUp;
    std::unique_ptr<ExportUi> m_exportUi;
    ExportCommand* m_export = nullptr;
    std::unique_ptr<audio::Mixer> m_mixer;
    std::unique_ptr<MixerControls> m_mixerControls;
    std::unique_ptr<MixerCommands> m_mixerCommands;
    std::unique_ptr<WindowBrowserHost> m_browserHost;
    browser::BrowserPane* m_browserPane = nullptr;
    SystemTrayBackend* m_tray = nullptr;
    WindowFrame* m_frame = nullptr;
    bool m_unloaded = false;
};

} // namespace lectern::shell
