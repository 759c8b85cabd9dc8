#pragma once
// The master volume slider and the mute button over the machine's mixer.

#include "Mixer.h"
#include "Prompter.h"

#include <QString>

namespace lectern::shell {

// The slider and the button as the commands see them.
class MixerControls {
public:
    virtual ~MixerControls() = default;
    virtual void showVolume(int volume) = 0;
    virtual QString muteCaption() const = 0;
    virtual void setMuteCaption(const QString& caption) = 0;
};

inline QString mixerUnavailableMessage() {
    return QStringLiteral("無法開啟混音裝置");
}
inline QString mutedCaption() {
    return QStringLiteral("v");
}
// The title of plain message boxes: the application's name.
QString applicationTitle();

class MixerCommands {
public:
    MixerCommands(audio::Mixer& mixer, MixerControls& controls, speech::Prompter& prompter)
        : m_mixer(mixer), m_controls(controls), m_prompter(&prompter) {}
    void setPrompter(speech::Prompter& prompter) { m_prompter = &prompter; }

    // The four commands; each tells the user once when there is no mixer.
    void setMasterVolume(int volume);
    // False when the mixer could not be opened.
    bool setMute(bool muted);
    void showMuteState();
    void showMasterVolume();

    // Start-up: the button, then the slider, as the machine has them.
    void showState();
    // The button follows its own caption, not the mixer: a mute made
    // elsewhere is not seen until the next start.
    void muteClicked();

private:
    // Runs one command; false when the mixer could not be opened.
    template <typename Command> bool withMixer(Command&& command);

    audio::Mixer& m_mixer;
    MixerControls& m_controls;
    speech::Prompter* m_prompter;
};

} // namespace lectern::shell
