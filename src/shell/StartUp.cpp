#include "StartUp.h"

#include "Failure.h"
#include "FormatList.h"
#include "KeyWatcher.h"
#include "MixerCommands.h"
#include "ReadingCommands.h"
#include "SettingsPane.h"
#include "StoredSettings.h"

#include <QComboBox>
#include <QSettings>
#include <QSlider>

#include <stdexcept>

namespace lectern::shell {

namespace {

QStringList voiceDescriptions() {
    QStringList names;
    const engine::SpObjectTokens voices = engine::SpVoice::GetVoices(QString(), QString());
    for (const engine::SpObjectToken& token : voices.items())
        names << token.GetDescription();
    return names;
}

// The settings group, opened on the store of organisation and application
// "Lectern".
struct StoredGroup {
    QSettings store{QStringLiteral("Lectern"), QStringLiteral("Lectern")};
    StoredGroup() { store.beginGroup(QStringLiteral("ini")); }
};

} // namespace

void AddFormat(QComboBox& list) {
    list.clear();
    list.addItems(audio::formatNames());
}

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

StartUp::StartUp(ReadingHost& host, SettingsPane& settings, ReadingCommands& commands,
                 speech::Prompter& prompter, bool& settingsHidden)
    : m_host(host), m_settings(settings), m_commands(commands), m_prompter(&prompter),
      m_settingsHidden(settingsHidden) {}

void StartUp::Form_Load() {
    const QString lastFailure = runSteps({
        [&] { m_settingsHidden = false; },
        [&] { createVoice(); },
        [&] { m_host.showTab(BrowserTab); },
        [&] { fillVoiceList(*m_settings.Combo1); },
        [&] { fillVoiceList(*m_settings.Combo2); },
        [&] { selectChineseVoice(); },
        [&] { fillOutputList(); },
        [&] { fillFormatList(); },
        [&] { fillFontList(); },
        [&] { takeEngineDefaults(); },
        [&] { restoreSettings(); },
        [&] { pointFileBrowser(); },
        [&] { startMixer(); },
        [&] { goHome(); },
        [&] { installKeyWatcher(); },
        [&] { m_host.setNormalCursor(); },
        [&] { buildDialogueGrid(); },
    });
    if (!lastFailure.isEmpty())
        m_prompter->prompt(speech::messageTitle(), lastFailure, speech::PromptIcon::Error,
                           speech::PromptButtons::Ok);
}

void StartUp::Form_Unload() {
    const QString lastFailure = runSteps({
        [&] { removeKeyWatcher(); },
        [&] { m_host.setNormalCursor(); },
        [&] { saveSettings(); },
    });
    // Settings that were not saved are lost at exit: never silently.
    if (!lastFailure.isEmpty())
        m_prompter->prompt(speech::messageTitle(), lastFailure, speech::PromptIcon::Error,
                           speech::PromptButtons::Ok);
}

void StartUp::startMixer() {
    if (m_mixer)
        m_mixer->showState();
}

void StartUp::installKeyWatcher() {
    if (m_keys)
        m_keys->start();
}

void StartUp::removeKeyWatcher() {
    if (m_keys)
        m_keys->stop();
}

void StartUp::createVoice() {
    m_engineFailure.clear();
    engine::SpVoice* made = nullptr;
    try {
        made = &m_commands.replaceVoice();
    } catch (...) {
        m_engineFailure = describeFailure(std::current_exception());
        throw;
    }
    engine::SpVoice& voice = *made;
    voice.setVoice(engine::SpVoice::GetVoices(QString(), QString()).Item(0));
}

void StartUp::fillVoiceList(QComboBox& list) {
    list.clear();
    list.addItems(voiceDescriptions());
    if (list.count() > 0)
        list.setCurrentIndex(0);
}

void StartUp::selectChineseVoice() {
    QComboBox& list = *m_settings.Combo2;
    const engine::SpObjectTokens voices = engine::SpVoice::GetVoices(QString(), QString());
    for (int i = 0; i < voices.Count() && i < list.count(); ++i) {
        if (voices.items()[i].id == mandarinVoiceId())
            list.setCurrentIndex(i);
    }
    // A voice of exactly this name wins; the last such entry is chosen.
    for (int i = 0; i < list.count(); ++i) {
        if (list.itemText(i) == legacyChineseVoiceName())
            list.setCurrentIndex(i);
    }
}

void StartUp::fillOutputList() {
    QComboBox& list = *m_settings.Combo3;
    list.clear();
    const engine::SpObjectTokens outputs = engine::SpVoice::GetAudioOutputs(QString(), QString());
    for (const engine::SpObjectToken& token : outputs.items())
        list.addItem(token.GetDescription());
    if (list.count() > 0)
        list.setCurrentIndex(0);
}

void StartUp::fillFormatList() {
    QComboBox& list = *m_settings.Combo4;
    AddFormat(list);
    for (int i = 0; i < list.count(); ++i) {
        if (list.itemText(i) == QLatin1String(audio::FallbackFormatName))
            list.setCurrentIndex(i);
    }
}

void StartUp::takeEngineDefaults() {
    engine::SpVoice* voice = m_commands.voice();
    if (!voice) {
        // Only the last failure is shown, so it names the cause as well.
        QString description = QStringLiteral("The speech engine has not been started");
        description += m_engineFailure.isEmpty() ? QStringLiteral(".")
                                                 : QStringLiteral(": ") + m_engineFailure;
        throw engine::EngineError(description);
    }
    m_settings.Slider1->setValue(voice->Rate());
    m_settings.Slider3->setValue(voice->Rate());
    m_settings.Slider2->setValue(voice->Volume());
    m_settings.Slider4->setValue(voice->Volume());
}

void StartUp::restoreSettings() {
    StoredGroup group;
    // A settings file that cannot be read (no permission, a folder in its
    // place, broken syntax) must not half-apply: the lists and sliders keep
    // their defaults and the caller says so once.
    if (group.store.status() != QSettings::NoError)
        throw std::runtime_error(
            QStringLiteral("The stored voice settings in \"%1\" could not be read; "
                           "the defaults are used.")
                .arg(group.store.fileName())
                .toStdString());
    auto restoreVoice = [&](const char* key, QComboBox* list) {
        const QString stored =
            group.store.value(QLatin1String(key), list->currentText()).toString();
        QStringList names;
        for (int i = 0; i < list->count(); ++i)
            names << list->itemText(i);
        if (const auto index = speech::storedVoiceIndex(stored, names))
            list->setCurrentIndex(*index);
    };
    auto restoreSlider = [&](const char* key, QSlider* slider) {
        const QString stored =
            group.store.value(QLatin1String(key), QString::number(slider->value())).toString();
        if (const auto value =
                speech::storedSliderValue(stored, slider->minimum(), slider->maximum()))
            slider->setValue(*value);
    };
    restoreVoice("voice1", m_settings.Combo1);
    restoreSlider("rate1", m_settings.Slider1);
    restoreSlider("volume1", m_settings.Slider2);
    restoreSlider("pitch1", m_settings.Slider6);
    restoreVoice("voice2", m_settings.Combo2);
    restoreSlider("rate2", m_settings.Slider3);
    restoreSlider("volume2", m_settings.Slider4);
    restoreSlider("pitch2", m_settings.Slider7);
}

void StartUp::saveSettings() {
    StoredGroup group;
    auto number = [](const QSlider* slider) { return QString::number(slider->value()); };
    group.store.setValue(QStringLiteral("voice1"), m_settings.Combo1->currentText());
    group.store.setValue(QStringLiteral("rate1"), number(m_settings.Slider1));
    group.store.setValue(QStringLiteral("volume1"), number(m_settings.Slider2));
    group.store.setValue(QStringLiteral("pitch1"), number(m_settings.Slider6));
    group.store.setValue(QStringLiteral("voice2"), m_settings.Combo2->currentText());
    group.store.setValue(QStringLiteral("rate2"), number(m_settings.Slider3));
    group.store.setValue(QStringLiteral("volume2"), number(m_settings.Slider4));
    group.store.setValue(QStringLiteral("pitch2"), number(m_settings.Slider7));
    group.store.sync();
    if (group.store.status() != QSettings::NoError)
        throw std::runtime_error(QStringLiteral("The voice settings could not be saved to \"%1\".")
                                     .arg(group.store.fileName())
                                     .toStdString());
}

} // namespace lectern::shell
