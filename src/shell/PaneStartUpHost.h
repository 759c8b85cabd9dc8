#pragma once
// Start-up's view of the window: the settings pane's lists and values, the
// page strip and cursor through the reading host, and the services of the
// other panes. A pane that lands plugs its start-up service into the
// matching hook here (fillFontList, startMixer, installKeyWatcher, ...).

#include "ReadingHost.h"
#include "StartUp.h"

#include <functional>

class QComboBox;

namespace lectern::keys {
class KeyWatcher;
}

namespace lectern::shell {

class SettingsPane;

// Fills the format list with every format name.
void AddFormat(QComboBox& list);

class PaneStartUpHost : public speech::StartUpHost {
public:
    PaneStartUpHost(SettingsPane& pane, speech::ReadingHost& window, bool& settingsHidden);

    void showTab(int tab) override;
    void setNormalCursor() override;
    void setSettingsHidden(bool hidden) override;

    void setVoiceNames(speech::VoiceList list, const QStringList& names) override;
    void setOutputNames(const QStringList& names) override;
    void setFormatNames(const QStringList& names) override;
    QStringList voiceNames(speech::VoiceList list) const override;
    void selectVoice(speech::VoiceList list, int index) override;

    speech::ReadingSettings readingSettings() const override;
    void applyReadingSettings(const speech::ReadingSettings& settings) override;

    // The desktop-wide key watcher started at start-up and stopped at
    // shut-down; none means F9 and Pause work inside the window only.
    void setKeyWatcher(keys::KeyWatcher* watcher) { m_keys = watcher; }
    void installKeyWatcher() override;
    void removeKeyWatcher() override;

    // The document page's steps: the font list and the file browser.
    void setDocumentSteps(std::function<void()> fillFonts, std::function<void()> pointBrowser) {
        m_fillFonts = std::move(fillFonts);
        m_pointBrowser = std::move(pointBrowser);
    }
    void fillFontList() override { run(m_fillFonts); }
    void pointFileBrowser() override { run(m_pointBrowser); }
    // Shows the machine's mixer on the slider and the mute button.
    void setMixer(std::function<void()> showState) { m_showMixer = std::move(showState); }
    void startMixer() override { run(m_showMixer); }
    void setGoHome(std::function<void()> goHome) { m_goHome = std::move(goHome); }
    void goHome() override { run(m_goHome); }
    void setDialogueGridBuilder(std::function<void()> build) { m_buildGrid = std::move(build); }
    void buildDialogueGrid() override { run(m_buildGrid); }

private:
    QComboBox& voiceList(speech::VoiceList list) const;
    static void run(const std::function<void()>& step) {
        if (step)
            step();
    }

    SettingsPane& m_pane;
    speech::ReadingHost& m_window;
    bool& m_settingsHidden;
    keys::KeyWatcher* m_keys = nullptr;
    std::function<void()> m_fillFonts;
    std::function<void()> m_pointBrowser;
    std::function<void()> m_showMixer;
    std::function<void()> m_goHome;
    std::function<void()> m_buildGrid;
};

} // namespace lectern::shell
