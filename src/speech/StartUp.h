#pragma once
// Start-up and shut-down of the main window: the voice, output and format
// lists, the stored voice profiles, and the services of the other panes in
// their fixed order.

#include "Prompter.h"
#include "ReadingSettings.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace lectern::speech {

class ReadingCommands;
class SoundServer;
class SpeechBackend;

// Where the Mandarin voice is found when no voice carries the exact name.
inline QString mandarinVoiceId() {
    return QStringLiteral("sit/cmn");
}
inline QString legacyChineseVoiceName() {
    return QStringLiteral("Microsoft Simplified Chinese");
}

enum class VoiceList { Abc, Other };

// What start-up and shut-down need from the window. The services of the
// other panes are hooks that do nothing until their pane overrides them;
// each runs in its fixed place of the sequence.
class StartUpHost {
public:
    virtual ~StartUpHost() = default;

    virtual void showTab(int tab) = 0;
    virtual void setNormalCursor() = 0;
    virtual void setSettingsHidden(bool hidden) = 0;

    // Each replaces the list's entries and selects the first one.
    virtual void setVoiceNames(VoiceList list, const QStringList& names) = 0;
    virtual void setOutputNames(const QStringList& names) = 0;
    virtual void setFormatNames(const QStringList& names) = 0;
    virtual QStringList voiceNames(VoiceList list) const = 0;
    virtual void selectVoice(VoiceList list, int index) = 0;

    virtual ReadingSettings readingSettings() const = 0;
    virtual void applyReadingSettings(const ReadingSettings& settings) = 0;

    virtual void fillFontList() {}
    virtual void pointFileBrowser() {}
    virtual void startMixer() {}
    virtual void goHome() {}
    virtual void installKeyWatcher() {}
    virtual void removeKeyWatcher() {}
    virtual void buildDialogueGrid() {}
};

// Runs every step even when earlier ones fail; returns the description of
// the last failure, or an empty text when none failed.
QString runSteps(const std::vector<std::function<void()>>& steps);

class StartUp {
public:
    StartUp(StartUpHost& host, ReadingCommands& commands, SpeechBackend& engine, SoundServer& sound,
            Prompter& prompter);

    void setPrompter(Prompter& prompter) { m_prompter = &prompter; }

    void Form_Load();
    void Form_Unload();

private:
    void createVoice();
    void fillVoiceList(VoiceList list);
    void selectChineseVoice();
    void fillOutputList();
    void fillFormatList();
    void takeEngineDefaults();
    void restoreSettings();
    void saveSettings();

    StartUpHost& m_host;
    ReadingCommands& m_commands;
    SpeechBackend& m_engine;
    SoundServer& m_sound;
    Prompter* m_prompter;
    // Why the speech object could not be made, for the steps that need it.
    QString m_engineFailure;
};

} // namespace lectern::speech
