#pragma once
// Engine internals shared by SpVoice and the streams: the synthesis thread
// that owns eSpeak NG, the shared PulseAudio connection, and the per-voice
// channel that carries audio and word events between them.

#include "AudioError.h"
#include "Markup.h"
#include "PcmConverter.h"
#include "SoundWriter.h"
#include "SpeechEngine.h"
#include "SpokenFile.h"
#include "WavFileWriter.h"

#include <pulse/pulseaudio.h>

#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace lectern::engine {

using audio::PcmConverter;
using audio::pcmTargetForType;
using audio::SAFT22kHz16BitMono;
using audio::WavFileWriter;

namespace detail {

struct VoiceInfo {
    QString id;
    QString description;
};

// A file stream's writer, shared with the engine thread so that Close and
// speech never use it at the same time.
struct FileTarget {
    std::mutex mutex;
    std::unique_ptr<audio::SoundWriter> writer;
};

struct WordEvent {
    int streamNumber;
    qint64 position; // output bytes
    int characterPosition;
    int length;
    bool live; // due when played; file events are due at once
};

// PulseAudio objects in holders that release them. A context or stream
// loses its callbacks and is disconnected first.
struct MainloopRelease {
    void operator()(pa_threaded_mainloop* loop) const;
};
struct ContextRelease {
    void operator()(pa_context* context) const;
};
struct StreamRelease {
    void operator()(pa_stream* stream) const;
};
using MainloopHolder = std::unique_ptr<pa_threaded_mainloop, MainloopRelease>;
using ContextHolder = std::unique_ptr<pa_context, ContextRelease>;
using StreamHolder = std::unique_ptr<pa_stream, StreamRelease>;

// The shared connection to the sound server, made on first use and made
// again after it was lost.
class Pulse {
public:
    static Pulse& instance();
    ~Pulse();
    // Connects when needed; throws EngineError when no server answers.
    void ensureConnected();
    pa_threaded_mainloop* mainloop() const { return m_mainloop.get(); }
    pa_context* context() const { return m_context.get(); }
    // Sinks, the default first. Throws EngineError.
    std::vector<SpObjectToken> sinks();

    class Lock {
    public:
        Lock() : m_loop(Pulse::instance().mainloop()) { pa_threaded_mainloop_lock(m_loop); }
        ~Lock() { pa_threaded_mainloop_unlock(m_loop); }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

    private:
        pa_threaded_mainloop* m_loop;
    };

private:
    Pulse();
    // Waits for the operation to finish; mainloop locked.
    void wait(pa_operation* op);
    MainloopHolder m_mainloop;
    ContextHolder m_context;
};

// One voice's path to the listener. Members marked (loop) are guarded by the
// PulseAudio mainloop lock, the others by `mutex`.
struct Channel {
    // Bumped by purge and destruction: work of an older generation is dropped.
    std::atomic<uint64_t> generation{0};
    std::atomic<int> pendingJobs{0};

    StreamHolder stream;         // (loop)
    pa_sample_spec sampleSpec{}; // (loop)
    QString sinkName;            // (loop)
    int formatType = 0;          // (loop)
    int64_t written = 0;         // (loop) bytes handed to the stream
    bool paused = false;         // (loop)
    bool streamFailed = false;   // (loop)
    // (loop) When the server's latest timing report arrived, and the most
    // of the stream heard so far (-1: nothing yet).
    std::optional<std::chrono::steady_clock::time_point> timingAt;
    mutable int64_t heard = -1;

    std::mutex mutex;
    std::deque<WordEvent> events;
    QString error; // the first failure since the last synchronous call
    // Failures of asynchronous speech that the voice has not signalled yet.
    std::deque<QString> unsignalled;
    std::function<void()> notify; // wakes the UI side; cleared when the voice goes

    // Releases a stream still held under the mainloop lock.
    ~Channel();

    // Creates the playback stream for this format and sink unless the
    // current one already fits. Mainloop locked; throws EngineError.
    void ensureStream(int formatType, const QString& sinkName);
    // Drops the stream and whatever it still holds. Mainloop locked.
    void dropStream();
    // Bytes of the stream played so far (-1 when unknown). Mainloop locked.
    int64_t playedBytes() const;
    // Bytes a live utterance gathers before its first write. Mainloop locked.
    int64_t firstWriteBytes() const;
    // True when everything written has been heard. Mainloop locked.
    bool playedAll() const;

    // Keeps the failure for the next synchronous call and, when `signal`,
    // for the voice's failed signal. Takes `mutex`.
    void recordFailure(const QString& description, bool signal);

    void post();
};

struct Job {
    std::shared_ptr<Channel> channel;
    uint64_t generation = 0;
    QString text;
    bool xml = false;
    bool punctuation = false;
    bool async = false; // failures are signalled, not only thrown
    ProsodyState prosody;
    int streamNumber = 0;
    std::shared_ptr<FileTarget> file; // null: play live
    // Set when the text is to be read from a file first; `xml` is then
    // decided on the file's text unless the flags settled it.
    std::shared_ptr<SpokenFile> source;
    bool sniffMarkup = false;
};

// The thread that owns eSpeak NG. Started on first use; stopped and joined
// when the program ends, after the jobs already queued.
class Engine {
public:
    // Throws EngineError when eSpeak NG cannot be started.
    static Engine& instance();
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;
    int sampleRate() const { return m_sampleRate; }
    const std::vector<VoiceInfo>& voices() const { return m_voices; }
    // Voice id whose description is `name`, ignoring case; empty when none.
    QString resolveVoice(QStringView name) const;
    void submit(Job job);

private:
    Engine();
    void run();
    void runJob(Job& job);
    void listVoices();

    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<Job> m_jobs;
    int m_sampleRate = 0;
    QString m_initError;
    bool m_ready = false;
    bool m_stopping = false;
    std::vector<VoiceInfo> m_voices;
};

extern const QString kStreamLost;

// Words per minute for a rate of -10..10.
int wordsPerMinute(int rate);
// How a pitch middle of -100..100 is made: eSpeak's base pitch, then the
// audio resampled to raise it by `nudge` (1: untouched).
struct PitchSetting {
    int base = 50;
    double nudge = 1.0;
};
PitchSetting pitchSetting(int middle);

} // namespace detail
} // namespace lectern::engine
