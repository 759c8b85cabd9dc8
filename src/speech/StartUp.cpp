#include "StartUp.h"

#include "Failure.h"
#include "FormatList.h"
#include "ReadingCommands.h"
#include "ReadingHost.h"
#include "SpeechBackend.h"
#include "StoredSettings.h"

namespace lectern::speech {

QString runSteps(const std::vector<std::function<void()>>& steps) {
    QString lastFailure;
    for (const auto& step : steps) {
        try {
            step();
        } catch (...) {
            lastFailure = describeFailure(std::current_exception());
        }
    }
    return lastFailure;
}

StartUp::StartUp(StartUpHost& host, ReadingCommands& commands, SpeechBackend& engine,
                 SoundServer& sound, Prompter& prompter)
    : m_host(host), m_commands(commands), m_engine(engine), m_sound(sound), m_prompter(&prompter) {}

void StartUp::Form_Load() {
    const QString lastFailure = runSteps({
        [&] { m_host.setSettingsHidden(false); },
        [&] { createVoice(); },
        [&] { m_host.showTab(BrowserTab); },
        [&] { fillVoiceList(VoiceList::Abc); },
        [&] { fillVoiceList(VoiceList::Other); },
        [&] { selectChineseVoice(); },
        [&] { fillOutputList(); },
        [&] { fillFormatList(); },
        [&] { m_host.fillFontList(); },
        [&] { takeEngineDefaults(); },
        [&] { restoreSettings(); },
        [&] { m_host.pointFileBrowser(); },
        [&] { m_host.startMixer(); },
        [&] { m_host.goHome(); },
        [&] { m_host.installKeyWatcher(); },
        [&] { m_host.setNormalCursor(); },
        [&] { m_host.buildDialogueGrid(); },
    });
    if (!lastFailure.isEmpty())
        m_prompter->prompt(messageTitle(), lastFailure, PromptIcon::Error, PromptButtons::Ok);
}

void StartUp::Form_Unload() {
    const QString lastFailure = runSteps({
        [&] { m_host.removeKeyWatcher(); },
        [&] { m_host.setNormalCursor(); },
        [&] { saveSettings(); },
    });
    // Settings that were not saved are lost at exit: never silently.
    if (!lastFailure.isEmpty())
        m_prompter->prompt(messageTitle(), lastFailure, PromptIcon::Error, PromptButtons::Ok);
}

void StartUp::createVoice() {
    m_engineFailure.clear();
    try {
        m_commands.replaceVoice().setVoice(0);
    } catch (...) {
        m_engineFailure = describeFailure(std::current_exception());
        throw;
    }
}

void StartUp::fillVoiceList(VoiceList list) {
    QStringList names;
    for (const VoiceEntry& voice : m_engine.voices())
        names << voice.description;
    m_host.setVoiceNames(list, names);
}

void StartUp::selectChineseVoice() {
    const QStringList names = m_host.voiceNames(VoiceList::Other);
    const std::vector<VoiceEntry> voices = m_engine.voices();
    for (size_t i = 0; i < voices.size() && qsizetype(i) < names.size(); ++i) {
        if (voices[i].id == mandarinVoiceId())
            m_host.selectVoice(VoiceList::Other, int(i));
    }
    // A voice of exactly this name wins; the last such entry is chosen.
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (names[i] == legacyChineseVoiceName())
            m_host.selectVoice(VoiceList::Other, int(i));
    }
}

void StartUp::fillOutputList() {
    m_host.setOutputNames(m_sound.outputs());
}

void StartUp::fillFormatList() {
    m_host.setFormatNames(audio::formatNames());
    ReadingSettings settings = m_host.readingSettings();
    settings.formatName = QLatin1String(audio::FallbackFormatName);
    m_host.applyReadingSettings(settings);
}

void StartUp::takeEngineDefaults() {
    const SpeechVoice* voice = m_commands.voice();
    if (!voice) {
        // Only the last failure is shown, so it names the cause as well.
        QString description = QStringLiteral("The speech engine has not been started");
        description += m_engineFailure.isEmpty() ? QStringLiteral(".")
                                                 : QStringLiteral(": ") + m_engineFailure;
        throw std::runtime_error(description.toStdString());
    }
    ReadingSettings settings = m_host.readingSettings();
    settings.abc.speed = settings.other.speed = voice->rate();
    settings.abc.volume = settings.other.volume = voice->volume();
    m_host.applyReadingSettings(settings);
}

void StartUp::restoreSettings() {
    const SettingsStore store;
    // A settings file that cannot be read must not half-apply: the lists and
    // sliders keep their defaults and the caller says so once.
    if (!store.readable())
        throw std::runtime_error(QStringLiteral("The stored voice settings in \"%1\" could not be "
                                                "read; the defaults are used.")
                                     .arg(store.fileName())
                                     .toStdString());
    ReadingSettings settings = m_host.readingSettings();
    store.restoreProfile(AbcProfileKeys, m_host.voiceNames(VoiceList::Abc), settings.abc);
    store.restoreProfile(OtherProfileKeys, m_host.voiceNames(VoiceList::Other), settings.other);
    m_host.applyReadingSettings(settings);
}

void StartUp::saveSettings() {
    const ReadingSettings settings = m_host.readingSettings();
    SettingsStore store;
    store.saveProfile(AbcProfileKeys, settings.abc);
    store.saveProfile(OtherProfileKeys, settings.other);
    store.commit();
}

} // namespace lectern::speech
