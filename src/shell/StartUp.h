#pragma once
// Start-up and shut-down of the main window: the voice, output and format
// lists, the stored voice profiles, and the services of the other panes in
// their fixed order.

#include "Prompter.h"

#include <QString>

#include <functional>
#include <vector>

class QComboBox;

namespace lectern::keys {
class KeyWatcher;
}

namespace lectern::shell {

class MixerCommands;
class ReadingCommands;
class ReadingHost;
class SettingsPane;

// Where the Mandarin voice is found when no voice carries the exact name.
inline QString mandarinVoiceId() {
    return QStringLiteral("sit/cmn");
}
inline QString legacyChineseVoiceName() {
    return QStringLiteral("Microsoft Simplified Chinese");
}

// Fills the format list with every format name.
void AddFormat(QComboBox& list);

// Runs every step even when earlier ones fail; returns the description of
// the last failure, or an empty text when none failed.
QString runSteps(const std::vector<std::function<void()>>& steps);

class StartUp {
public:
    StartUp(ReadingHost& host, SettingsPane& settings, ReadingCommands& commands,
            speech::Prompter& prompter, bool& settingsHidden);

    void setPrompter(speech::Prompter& prompter) { m_prompter = &prompter; }
    // The last start-up step builds the dialogue grid through this.
    void setDialogueGridBuilder(std::function<void()> build) {
        m_buildDialogueGrid = std::move(build);
    }
    // The slider and button that show the machine's mixer at start-up.
    void setMixer(MixerCommands* mixer) { m_mixer = mixer; }
    void setGoHome(std::function<void()> goHome) { m_goHome = std::move(goHome); }
    // The document page's start-up steps: the font list and the file browser.
    void setDocumentSteps(std::function<void()> fillFonts, std::function<void()> pointBrowser) {
        m_fillFonts = std::move(fillFonts);
        m_pointBrowser = std::move(pointBrowser);
    }
    // The desktop-wide key watcher started at start-up and stopped at
    // shut-down.
    void setKeyWatcher(keys::KeyWatcher* watcher) { m_keys = watcher; }

    void Form_Load();
    void Form_Unload();

private:
    void createVoice();
    void fillVoiceList(QComboBox& list);
    void selectChineseVoice();
    void fillOutputList();
    void fillFormatList();
    void takeEngineDefaults();
    void restoreSettings();
    void saveSettings();

    // Services of panes that do not exist yet; each takes its place in the
    // sequence once its pane lands.
    void startMixer();
    void fillFontList() {
        if (m_fillFonts)
            m_fillFonts();
    }
    void pointFileBrowser() {
        if (m_pointBrowser)
            m_pointBrowser();
    }
    void goHome() {
        if (m_goHome)
            m_goHome();
    }
    void installKeyWatcher();
    void removeKeyWatcher();
    void buildDialogueGrid() {
        if (m_buildDialogueGrid)
            m_buildDialogueGrid();
    }

    ReadingHost& m_host;
    SettingsPane& m_settings;
    ReadingCommands& m_commands;
    speech::Prompter* m_prompter;
    bool& m_settingsHidden;
    std::function<void()> m_buildDialogueGrid;
    MixerCommands* m_mixer = nullptr;
    std::function<void()> m_goHome;
    std::function<void()> m_fillFonts;
    std::function<void()> m_pointBrowser;
    keys::KeyWatcher* m_keys = nullptr;
    // Why the speech object could not be made, for the steps that need it.
    QString m_engineFailure;
};

} // namespace lectern::shell
