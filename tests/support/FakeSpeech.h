#pragma once
// A speech engine and sound server that only record what they are asked,
// in one log: "create 0", "speak 11: <markup>", "purge", "pause", ...

#include "SpeechBackend.h"

#include <QSet>
#include <QStringList>

class FakeSpeech;

class FakeVoice : public lectern::speech::SpeechVoice {
    Q_OBJECT
public:
    explicit FakeVoice(FakeSpeech& engine) : m_engine(engine) {}

    void setVoice(int index) override;
    void setFormat(int type) override;
    int rate() const override { return 0; }
    int volume() const override { return 100; }
    void setRate(int rate) override;
    void setVolume(int volume) override;
    int speak(const QString& text, int flags) override;
    void purge() override;
    void pause() override;
    void resume() override;
    bool waitUntilDone(int msTimeout) override;
    bool isSpeaking() const override { return m_speaking; }

private:
    FakeSpeech& m_engine;
    bool m_speaking = false;
};

class FakeSpeech : public lectern::speech::SpeechBackend, public lectern::speech::SoundServer {
public:
    std::vector<lectern::speech::VoiceEntry> voiceList{
        {QStringLiteral("gmw/en-US"), QStringLiteral("English (America)")},
        {QStringLiteral("sit/yue"), QStringLiteral("Chinese (Cantonese)")},
        {QStringLiteral("sit/cmn"), QStringLiteral("Chinese (Mandarin)")},
    };
    QStringList outputList{QStringLiteral("Null Output"), QStringLiteral("Headphones")};
    // Format types the voice refuses, and a failure any other format raises.
    QSet<int> refusedFormats;
    QString formatFailure;
    QStringList log;

    std::vector<lectern::speech::VoiceEntry> voices() override { return voiceList; }
    std::unique_ptr<lectern::speech::SpeechVoice> createVoice(int outputIndex) override;
    QStringList outputs() override { return outputList; }
    // Only the entries that start with `what`.
    QStringList logged(const QString& what) const;
};
