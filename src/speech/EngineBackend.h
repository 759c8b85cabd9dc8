#pragma once
// The reading logic's engine and sound server, served by Lectern's speech
// engine over eSpeak NG and PulseAudio.

#include "SpeechBackend.h"

namespace lectern::engine {
class SpVoice;
}

namespace lectern::speech {

class EngineVoice : public SpeechVoice {
    Q_OBJECT
public:
    explicit EngineVoice(std::unique_ptr<engine::SpVoice> voice);
    ~EngineVoice() override;

    void setVoice(int index) override;
    void setFormat(int type) override;
    int rate() const override;
    int volume() const override;
    void setRate(int rate) override;
    void setVolume(int volume) override;
    int speak(const QString& text, int flags) override;
    void purge() override;
    void pause() override;
    void resume() override;
    bool waitUntilDone(int msTimeout) override;
    bool isSpeaking() const override;

    engine::SpVoice& engineVoice() { return *m_voice; }

private:
    std::unique_ptr<engine::SpVoice> m_voice;
};

class EngineBackend : public SpeechBackend, public SoundServer {
public:
    std::vector<VoiceEntry> voices() override;
    std::unique_ptr<SpeechVoice> createVoice(int outputIndex) override;
    QStringList outputs() override;
};

} // namespace lectern::speech
