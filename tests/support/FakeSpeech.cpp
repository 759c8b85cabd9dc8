#include "FakeSpeech.h"

#include <stdexcept>

void FakeVoice::setVoice(int index) {
    if (index < 0 || size_t(index) >= m_engine.voiceList.size())
        throw std::runtime_error("There is no such voice.");
    m_engine.log << QStringLiteral("voice %1").arg(index);
}

void FakeVoice::setFormat(int type) {
    if (m_engine.refusedFormats.contains(type))
        throw lectern::speech::FormatRefused(QStringLiteral("Format %1 refused.").arg(type));
    if (!m_engine.formatFailure.isEmpty())
        throw std::runtime_error(m_engine.formatFailure.toStdString());
    m_engine.log << QStringLiteral("format %1").arg(type);
}

void FakeVoice::setRate(int rate) {
    m_engine.log << QStringLiteral("rate %1").arg(rate);
}

void FakeVoice::setVolume(int volume) {
    m_engine.log << QStringLiteral("volume %1").arg(volume);
}

int FakeVoice::speak(const QString& text, int flags) {
    m_engine.log << QStringLiteral("speak %1: %2").arg(flags).arg(text);
    m_speaking = !text.isEmpty();
    return 1;
}

void FakeVoice::purge() {
    m_engine.log << QStringLiteral("purge");
    m_speaking = false;
}

void FakeVoice::pause() {
    m_engine.log << QStringLiteral("pause");
}

void FakeVoice::resume() {
    m_engine.log << QStringLiteral("resume");
}

bool FakeVoice::waitUntilDone(int msTimeout) {
    m_engine.log << QStringLiteral("wait %1").arg(msTimeout);
    return !m_speaking;
}

std::unique_ptr<lectern::speech::SpeechVoice> FakeSpeech::createVoice(int outputIndex) {
    if (outputIndex != DefaultOutput && (outputIndex < 0 || outputIndex >= outputList.size()))
        throw std::runtime_error("There is no such output.");
    log << QStringLiteral("create %1").arg(outputIndex);
    return std::make_unique<FakeVoice>(*this);
}

QStringList FakeSpeech::logged(const QString& what) const {
    QStringList found;
    for (const QString& entry : log)
        if (entry.startsWith(what))
            found << entry;
    return found;
}
