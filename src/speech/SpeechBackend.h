#pragma once
// The speech engine and the sound server as the reading logic sees them.
// The eSpeak NG engine implements these for the program; tests use a
// recording fake.

#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>
#include <stdexcept>
#include <vector>

namespace lectern::speech {

// The live output refused a format type.
class FormatRefused : public std::runtime_error {
public:
    explicit FormatRefused(const QString& description)
        : std::runtime_error(description.toStdString()) {}
};

// One voice speaking on one output.
class SpeechVoice : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Chooses the engine's voice by its place in SpeechBackend::voices().
    virtual void setVoice(int index) = 0;
    // Throws FormatRefused when the output cannot take the type.
    virtual void setFormat(int type) = 0;
    virtual int rate() const = 0;
    virtual int volume() const = 0;
    // Speed -10..10 and volume 0..100 for the text spoken from now on.
    virtual void setRate(int rate) = 0;
    virtual void setVolume(int volume) = 0;

    // Queues text with the engine's speak flags; returns the stream number.
    virtual int speak(const QString& text, int flags) = 0;
    // Drops everything queued and silences the voice.
    virtual void purge() = 0;
    virtual void pause() = 0;
    virtual void resume() = 0;
    // Lets window events run while it waits; false when the time-out passed
    // first.
    virtual bool waitUntilDone(int msTimeout) = 0;
    virtual bool isSpeaking() const = 0;

signals:
    // On the UI thread when the word is heard; positions are UTF-16 units of
    // the text given to speak.
    void word(int streamNumber, qint64 streamPosition, int characterPosition, int length);
    // On the UI thread when speech fails after speak returned.
    void failed(const QString& description);
};

struct VoiceEntry {
    QString id;          // the engine's own name, such as "sit/cmn"
    QString description; // what the voice lists show
};

class SpeechBackend {
public:
    virtual ~SpeechBackend() = default;
    virtual std::vector<VoiceEntry> voices() = 0;
    // A fresh voice on the output at `outputIndex` of SoundServer::outputs(),
    // or on the default output when it is DefaultOutput.
    static constexpr int DefaultOutput = -1;
    virtual std::unique_ptr<SpeechVoice> createVoice(int outputIndex) = 0;
};

class SoundServer {
public:
    virtual ~SoundServer() = default;
    // Output descriptions, the default output first. Throws when no sound
    // server answers.
    virtual QStringList outputs() = 0;
};

} // namespace lectern::speech
