#pragma once
// Lectern's speech engine: a small object model (voice, tokens, streams,
// formats) over eSpeak NG, PulseAudio and libsndfile. Everything a reading
// command needs from speech goes through these classes.

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

namespace lectern::audio {
class SoundWriter;
}

namespace lectern::engine {

// Every engine failure: the description is plain words a user can read.
class EngineError : public std::runtime_error {
public:
    explicit EngineError(const QString& description)
        : std::runtime_error(description.toStdString()), m_description(description) {}
    QString description() const { return m_description; }

private:
    QString m_description;
};

// Speak flag bits the engine understands; any other bit is refused.
enum SpeakFlag : int {
    SVSFDefault = 0,
    SVSFlagsAsync = 1,
    SVSFPurgeBeforeSpeak = 2,
    SVSFIsFilename = 4,
    SVSFIsXML = 8,
    SVSFIsNotXML = 16,
    SVSFPersistXML = 32,
    SVSFNLPSpeakPunc = 64,
};
constexpr int KnownSpeakFlags = 127;

// File stream open modes (only create-for-write is used).
enum StreamFileMode : int { SSFMOpenForRead = 0, SSFMCreate = 2, SSFMCreateForWrite = 3 };

// A voice or an audio output. `id` is what the engine uses internally
// (eSpeak NG voice identifier such as "gmw/en-US", or a PulseAudio sink name).
struct SpObjectToken {
    QString id;
    QString description;
    QString GetDescription() const { return description; }
    bool operator==(const SpObjectToken&) const = default;
};

class SpObjectTokens {
public:
    SpObjectTokens() = default;
    explicit SpObjectTokens(std::vector<SpObjectToken> items) : m_items(std::move(items)) {}
    int Count() const { return static_cast<int>(m_items.size()); }
    // Throws EngineError when i is out of range.
    SpObjectToken Item(int i) const;
    const std::vector<SpObjectToken>& items() const { return m_items; }

private:
    std::vector<SpObjectToken> m_items;
};

// A stream's audio format. Setting Type asks the owning stream first; when the
// stream refuses, EngineError is thrown and the type stays as it was.
class SpAudioFormat {
public:
    using Validator = std::function<void(int type)>; // throws EngineError to refuse
    SpAudioFormat(int type, Validator validator)
        : m_type(type), m_validator(std::move(validator)) {}
    int Type() const { return m_type; }
    void setType(int type);

private:
    int m_type;
    Validator m_validator;
};

class SpBaseStream {
public:
    virtual ~SpBaseStream() = default;
    SpAudioFormat& Format() { return *m_format; }
    const SpAudioFormat& Format() const { return *m_format; }

protected:
    std::unique_ptr<SpAudioFormat> m_format;
};

// The live output stream of a voice: accepts SAFTDefault (-1, meaning
// 22 kHz 16-bit mono) and linear PCM types 4..39; the voice plays in exactly
// that rate, width and channel count.
class SpMMAudioOut : public SpBaseStream {
public:
    SpMMAudioOut();
};

namespace detail {
struct FileTarget;
}

// A WAV file the voice speaks into. Set Format().setType() before Open.
// Accepts every type from 4 to 68 except 40; 0..3 and 40 fail.
class SpFileStream : public SpBaseStream {
public:
    SpFileStream();
    ~SpFileStream() override;
    // Throws EngineError when the file cannot be created or the format is refused.
    void Open(const QString& path, int mode = SSFMCreateForWrite, bool doEvents = false);
    // Speaks into a writer of the caller's making instead of a WAV file, for
    // sound that goes on somewhere else as it is spoken. `make` gets the
    // format type and the synthesiser's rate, and throws AudioError to
    // refuse; Open then throws EngineError.
    using WriterMaker =
        std::function<std::unique_ptr<audio::SoundWriter>(int formatType, int inputRate)>;
    void Open(const WriterMaker& make);
    // Finishes the file; safe to call twice. Throws EngineError when the
    // file could not be completed (for example, a full disk).
    void Close();
    bool isOpen() const;
    QString path() const { return m_path; }

private:
    friend class SpVoice;
    // Shared with the synthesis thread, which may still be writing when the
    // stream object goes away.
    std::shared_ptr<detail::FileTarget> target() const { return m_target; }

    QString m_path;
    std::shared_ptr<detail::FileTarget> m_target;
};

class VoicePrivate;

// One voice object. A fresh one has the engine's first voice, rate 0 and
// volume 100 and plays on the default audio output. Destroying it stops and
// drops its speech at once.
class SpVoice : public QObject {
    Q_OBJECT
public:
    explicit SpVoice(QObject* parent = nullptr);
    ~SpVoice() override;

    // Every voice eSpeak NG can speak with; English (America) first.
    static SpObjectTokens GetVoices(const QString& requiredAttributes = {},
                                    const QString& optionalAttributes = {});
    // PulseAudio sinks, the default sink first. Throws EngineError when no
    // sound server answers.
    static SpObjectTokens GetAudioOutputs(const QString& requiredAttributes = {},
                                          const QString& optionalAttributes = {});

    SpObjectToken Voice() const;
    void setVoice(const SpObjectToken& token); // throws when the token is unknown
    SpObjectToken AudioOutput() const;
    void setAudioOutput(const SpObjectToken& token);

    int Rate() const;
    void setRate(int rate); // -10..10, throws outside
    int Volume() const;
    void setVolume(int volume); // 0..100, throws outside

    // The live stream unless a file stream has been set.
    SpBaseStream* AudioOutputStream();
    // A file stream (opened), or nullptr to speak to the audio output again.
    // The voice does not own the stream.
    void setAudioOutputStream(SpFileStream* stream);

    // Queues text (markup or plain, see SpeakFlag). Returns the stream number.
    // Without SVSFlagsAsync it returns when everything has been rendered.
    // Throws EngineError on invalid flags, no sound server, unreadable file.
    int Speak(const QString& text, int flags);
    void Pause();
    void Resume();
    // Lets UI events run while it waits; false when the time-out passed first.
    // A negative time-out waits without limit.
    bool WaitUntilDone(int msTimeout);
    bool isSpeaking() const;
    // Bytes of the live stream heard so far; -1 before playback has begun.
    qint64 playedBytes() const;

signals:
    // Raised on the UI thread when the word is heard. characterPosition and
    // length are UTF-16 units of the string passed to Speak; streamPosition
    // is the byte offset of the word in the output stream.
    void Word(int streamNumber, qint64 streamPosition, int characterPosition, int length);
    // Raised on the UI thread, once per failure, when asynchronous speech
    // fails after Speak returned (the sound server went away, the stream
    // broke, a voice in the markup cannot speak). The first failure is also
    // kept and thrown by the next synchronous Speak, as before; a
    // synchronous Speak throws its own failures and raises nothing.
    void failed(const QString& description);

private:
    friend class VoicePrivate;
    std::unique_ptr<VoicePrivate> d;
};

} // namespace lectern::engine
