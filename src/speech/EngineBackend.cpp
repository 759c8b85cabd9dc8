#include "EngineBackend.h"

#include "SpeechEngine.h"

#include <optional>

namespace lectern::speech {

namespace {

// Purge before speak plus not XML: silences the current speech.
constexpr int SilenceFlags = engine::SVSFPurgeBeforeSpeak | engine::SVSFIsNotXML;

} // namespace

EngineVoice::EngineVoice(std::unique_ptr<engine::SpVoice> voice) : m_voice(std::move(voice)) {
    connect(m_voice.get(), &engine::SpVoice::Word, this, &SpeechVoice::word);
    connect(m_voice.get(), &engine::SpVoice::failed, this, &SpeechVoice::failed);
}

EngineVoice::~EngineVoice() = default;

void EngineVoice::setVoice(int index) {
    m_voice->setVoice(engine::SpVoice::GetVoices().Item(index));
}

void EngineVoice::setFormat(int type) {
    try {
        m_voice->AudioOutputStream()->Format().setType(type);
    } catch (const engine::EngineError& e) {
        throw FormatRefused(e.description());
    }
}

int EngineVoice::rate() const {
    return m_voice->Rate();
}

int EngineVoice::volume() const {
    return m_voice->Volume();
}

void EngineVoice::setRate(int rate) {
    m_voice->setRate(rate);
}

void EngineVoice::setVolume(int volume) {
    m_voice->setVolume(volume);
}

int EngineVoice::speak(const QString& text, int flags) {
    return m_voice->Speak(text, flags);
}

void EngineVoice::purge() {
    m_voice->Speak(QString(), SilenceFlags);
}

void EngineVoice::pause() {
    m_voice->Pause();
}

void EngineVoice::resume() {
    m_voice->Resume();
}

bool EngineVoice::waitUntilDone(int msTimeout) {
    return m_voice->WaitUntilDone(msTimeout);
}

bool EngineVoice::isSpeaking() const {
    return m_voice->isSpeaking();
}

std::vector<VoiceEntry> EngineBackend::voices() {
    std::vector<VoiceEntry> entries;
    const engine::SpObjectTokens tokens = engine::SpVoice::GetVoices();
    for (const engine::SpObjectToken& token : tokens.items())
        entries.push_back({token.id, token.GetDescription()});
    return entries;
}

std::unique_ptr<SpeechVoice> EngineBackend::createVoice(int outputIndex) {
    std::optional<engine::SpObjectToken> output;
    if (outputIndex != DefaultOutput)
        output = engine::SpVoice::GetAudioOutputs().Item(outputIndex);
    auto voice = std::make_unique<engine::SpVoice>();
    if (output)
        voice->setAudioOutput(*output);
    return std::make_unique<EngineVoice>(std::move(voice));
}

QStringList EngineBackend::outputs() {
    QStringList names;
    const engine::SpObjectTokens tokens = engine::SpVoice::GetAudioOutputs();
    for (const engine::SpObjectToken& token : tokens.items())
        names << token.GetDescription();
    return names;
}

} // namespace lectern::speech
