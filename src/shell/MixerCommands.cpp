#include "MixerCommands.h"

#include <QCoreApplication>

#include <algorithm>

namespace lectern::shell {

QString applicationTitle() {
    const QString name = QCoreApplication::applicationName();
    return name.isEmpty() ? QStringLiteral("Lectern") : name;
}

template <typename Command> bool MixerCommands::withMixer(Command&& command) {
    try {
        command();
        return true;
    } catch (const audio::MixerUnavailable&) {
        m_prompter->prompt(applicationTitle(), mixerUnavailableMessage(), speech::PromptIcon::None,
                           speech::PromptButtons::Ok);
        return false;
    } catch (const audio::AudioError&) {
        // The other mixer calls' results are not acted on.
        return true;
    }
}

void MixerCommands::setMasterVolume(int volume) {
    withMixer(
        [&] { m_mixer.setVolume(uint32_t(std::clamp(volume, 0, int(audio::MixerVolumeMax)))); });
}

bool MixerCommands::setMute(bool muted) {
    return withMixer([&] { m_mixer.setMuted(muted); });
}

void MixerCommands::showMuteState() {
    withMixer([&] {
        if (const std::optional<bool> muted = m_mixer.muted())
            m_controls.setMuteCaption(*muted ? mutedCaption() : QString());
    });
}

void MixerCommands::showMasterVolume() {
    withMixer([&] {
        if (const std::optional<uint32_t> volume = m_mixer.volume())
            m_controls.showVolume(int(*volume));
    });
}

void MixerCommands::showState() {
    showMuteState();
    showMasterVolume();
}

void MixerCommands::muteClicked() {
    const bool muted = !m_controls.muteCaption().isEmpty();
    // Without a mixer nothing changed, so the caption stays true to the machine.
    if (setMute(!muted))
        m_controls.setMuteCaption(muted ? QString() : mutedCaption());
}

} // namespace lectern::shell
