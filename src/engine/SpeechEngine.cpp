#include "SpeechEngine.h"

#include "EngineCore.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <sys/eventfd.h>
#include <unistd.h>

namespace lectern::engine {

using detail::Channel;
using detail::Engine;
using detail::FileTarget;
using detail::Pulse;

SpObjectToken SpObjectTokens::Item(int i) const {
    if (i < 0 || i >= Count())
        throw EngineError(
            QStringLiteral("There is no item %1 in a list of %2.").arg(i).arg(Count()));
    return m_items[size_t(i)];
}

void SpAudioFormat::setType(int type) {
    if (m_validator)
        m_validator(type);
    m_type = type;
}

SpMMAudioOut::SpMMAudioOut() {
    m_format = std::make_unique<SpAudioFormat>(SAFT22kHz16BitMono, [](int type) {
        if (!pcmTargetForType(type))
            throw EngineError(
                QStringLiteral("The audio output cannot play format %1: it plays linear PCM only "
                               "(SAFTDefault and the types 4 to 39).")
                    .arg(type));
    });
}

SpFileStream::SpFileStream() : m_target(std::make_shared<FileTarget>()) {
    m_format = std::make_unique<SpAudioFormat>(SAFT22kHz16BitMono, [](int type) {
        if (!WavFileWriter::acceptsType(type))
            throw EngineError(
                QStringLiteral("A sound file cannot be written in format %1.").arg(type));
    });
}

SpFileStream::~SpFileStream() {
    std::lock_guard guard(m_target->mutex);
    m_target->writer.reset(); // the writer's destructor finishes the file
}

void SpFileStream::Open(const QString& path, int mode, bool) {
    if (mode != SSFMCreate && mode != SSFMCreateForWrite)
        throw EngineError(QStringLiteral("A file stream can only be created for writing."));
    Open([&path](int type, int rate) { return std::make_unique<WavFileWriter>(path, type, rate); });
    m_path = path;
}

void SpFileStream::Open(const WriterMaker& make) {
    const int rate = Engine::instance().sampleRate();
    std::unique_ptr<audio::SoundWriter> writer;
    try {
        writer = make(Format().Type(), rate);
    } catch (const audio::AudioError& e) {
        throw EngineError(e.description());
    }
    std::lock_guard guard(m_target->mutex);
    if (m_target->writer) {
        try {
            m_target->writer->close();
        } catch (const audio::AudioError&) {
            // The new file replaces it; its failure no longer matters.
        }
    }
    m_target->writer = std::move(writer);
    m_path.clear();
}

void SpFileStream::Close() {
    std::unique_ptr<audio::SoundWriter> writer;
    {
        std::lock_guard guard(m_target->mutex);
        writer = std::move(m_target->writer);
    }
    if (!writer)
        return;
    try {
        writer->close();
    } catch (const audio::AudioError& e) {
        throw EngineError(e.description());
    }
}

bool SpFileStream::isOpen() const {
    std::lock_guard guard(m_target->mutex);
    return m_target->writer && m_target->writer->isOpen();
}

// ---- SpVoice ------------------------------------------------------------------

class VoicePrivate {
public:
    explicit VoicePrivate(SpVoice* owner) : q(owner), timer(owner) {
        timer.setInterval(10);
        QObject::connect(&timer, &QTimer::timeout, owner, [this] { tick(); });
        // The engine thread wakes this one through a kernel counter rather
        // than a functor posted to the event queue: nothing is allocated on
        // one thread and read on the other behind Qt's own locks, which the
        // thread checker cannot see. Without it the timer still ticks.
        wakeFd = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        if (wakeFd < 0)
            return;
        wake = std::make_unique<QSocketNotifier>(wakeFd, QSocketNotifier::Read);
        QObject::connect(wake.get(), &QSocketNotifier::activated, owner, [this] {
            uint64_t count = 0;
            [[maybe_unused]] const ssize_t n = ::read(wakeFd, &count, sizeof count);
            tick();
        });
        channel->notify = [fd = wakeFd] {
            const uint64_t one = 1;
            [[maybe_unused]] const ssize_t n = ::write(fd, &one, sizeof one);
        };
    }

    ~VoicePrivate() {
        {
            std::lock_guard guard(channel->mutex);
            channel->notify = nullptr;
        }
        purge();
        wake.reset();
        if (wakeFd >= 0)
            ::close(wakeFd);
    }

    void purge() {
        channel->generation.fetch_add(1);
        {
            Pulse::Lock lock;
            // With nothing left to hear the stream is kept: the next words
            // then start at once, where a new stream waits for the sink,
            // which an idle moment may have left running far ahead.
            if (channel->pendingJobs.load() > 0 || !channel->playedAll())
                channel->dropStream();
        }
        std::lock_guard guard(channel->mutex);
        channel->events.clear();
    }

    // Remembered for a stream made later (a format change) as well.
    void cork(bool pause) {
        Pulse::Lock lock;
        channel->paused = pause;
        if (channel->stream)
            if (pa_operation* op =
                    pa_stream_cork(channel->stream.get(), pause ? 1 : 0, nullptr, nullptr))
                pa_operation_unref(op);
    }

    bool isDone() {
        // Jobs a purge left behind may still be winding down on the engine
        // thread, but none of them will be heard.
        if (channel->pendingJobs.load() > 0 && lastJobGeneration == channel->generation.load())
            return false;
        {
            std::lock_guard guard(channel->mutex);
            if (!channel->events.empty())
                return false;
        }
        Pulse::Lock lock;
        return channel->playedAll();
    }

    void tick() {
        int64_t played = -1;
        bool lost = false;
        {
            Pulse::Lock lock;
            // A stream that breaks after the last write is noticed only here.
            if (channel->stream && !channel->streamFailed &&
                !PA_STREAM_IS_GOOD(pa_stream_get_state(channel->stream.get()))) {
                channel->streamFailed = true;
                lost = true;
            }
            if (channel->streamFailed) {
                // Its words will never be heard; waiting for them would never end.
                std::lock_guard guard(channel->mutex);
                std::erase_if(channel->events, [](const auto& e) { return e.live; });
            }
            played = channel->playedBytes();
            // Fresh timing at our own pace, not only at the server's.
            if (channel->stream)
                if (pa_operation* op =
                        pa_stream_update_timing_info(channel->stream.get(), nullptr, nullptr))
                    pa_operation_unref(op);
        }
        std::vector<detail::WordEvent> due;
        {
            std::lock_guard guard(channel->mutex);
            while (!channel->events.empty()) {
                const auto& e = channel->events.front();
                if (e.live && (played < 0 || played < e.position))
                    break;
                due.push_back(e);
                channel->events.pop_front();
            }
        }
        if (lost)
            channel->recordFailure(detail::kStreamLost, syncWaits == 0);
        std::deque<QString> failures;
        {
            std::lock_guard guard(channel->mutex);
            failures.swap(channel->unsignalled);
        }
        QPointer<SpVoice> self(q);
        for (const auto& e : due) {
            emit q->Word(e.streamNumber, e.position, e.characterPosition, e.length);
            if (!self)
                return; // a listener dropped the voice
        }
        for (const QString& description : failures) {
            emit q->failed(description);
            if (!self)
                return;
        }
        if (isDone()) {
            timer.stop();
            for (QEventLoop* loop : waiting)
                loop->quit();
        }
    }

    bool waitDone(int msTimeout) {
        QPointer<SpVoice> self(q);
        QElapsedTimer clock;
        clock.start();
        while (!isDone()) {
            const qint64 left = msTimeout < 0 ? 50 : msTimeout - clock.elapsed();
            if (left <= 0)
                return false;
            QEventLoop loop;
            waiting.push_back(&loop);
            QTimer::singleShot(int(std::min<qint64>(left, 50)), &loop, &QEventLoop::quit);
            loop.exec();
            if (!self)
                return true; // dropped while waiting: nothing is left to speak
            std::erase(waiting, &loop);
        }
        return true;
    }

    void throwStoredError() {
        QString error;
        {
            std::lock_guard guard(channel->mutex);
            error.swap(channel->error);
        }
        if (!error.isEmpty())
            throw EngineError(error);
    }

    SpVoice* q;
    int wakeFd = -1;
    std::unique_ptr<QSocketNotifier> wake;
    std::shared_ptr<Channel> channel = std::make_shared<Channel>();
    QTimer timer;
    std::vector<QEventLoop*> waiting;
    SpObjectToken voice;
    std::optional<SpObjectToken> output;
    int rate = 0;
    int volume = 100;
    SpMMAudioOut live;
    SpFileStream* file = nullptr;
    std::shared_ptr<FileTarget> fileTarget;
    int nextStream = 1;
    uint64_t lastJobGeneration = 0; // of the job submitted last
    int syncWaits = 0;              // a synchronous Speak throws its failures instead
};

SpVoice::SpVoice(QObject* parent) : QObject(parent) {
    const auto& voices = Engine::instance().voices();
    d = std::make_unique<VoicePrivate>(this);
    if (!voices.empty())
        d->voice = {voices.front().id, voices.front().description};
}

SpVoice::~SpVoice() = default;

SpObjectTokens SpVoice::GetVoices(const QString&, const QString&) {
    std::vector<SpObjectToken> tokens;
    for (const auto& v : Engine::instance().voices())
        tokens.push_back({v.id, v.description});
    return SpObjectTokens(std::move(tokens));
}

SpObjectTokens SpVoice::GetAudioOutputs(const QString&, const QString&) {
    return SpObjectTokens(Pulse::instance().sinks());
}

SpObjectToken SpVoice::Voice() const {
    return d->voice;
}

void SpVoice::setVoice(const SpObjectToken& token) {
    for (const auto& v : Engine::instance().voices()) {
        if (v.id == token.id) {
            d->voice = {v.id, v.description};
            return;
        }
    }
    throw EngineError(QStringLiteral("There is no voice \"%1\".")
                          .arg(token.description.isEmpty() ? token.id : token.description));
}

SpObjectToken SpVoice::AudioOutput() const {
    if (!d->output) {
        try {
            d->output = Pulse::instance().sinks().front();
        } catch (const EngineError&) {
            return {QString(), QStringLiteral("Default audio output")};
        }
    }
    return *d->output;
}

void SpVoice::setAudioOutput(const SpObjectToken& token) {
    for (const auto& sink : Pulse::instance().sinks()) {
        if (sink.id == token.id) {
            d->output = sink;
            return;
        }
    }
    throw EngineError(QStringLiteral("There is no audio output \"%1\".")
                          .arg(token.description.isEmpty() ? token.id : token.description));
}

int SpVoice::Rate() const {
    return d->rate;
}

void SpVoice::setRate(int rate) {
    if (rate < -10 || rate > 10)
        throw EngineError(QStringLiteral("The rate %1 is outside -10 to 10.").arg(rate));
    d->rate = rate;
}

int SpVoice::Volume() const {
    return d->volume;
}

void SpVoice::setVolume(int volume) {
    if (volume < 0 || volume > 100)
        throw EngineError(QStringLiteral("The volume %1 is outside 0 to 100.").arg(volume));
    d->volume = volume;
}

SpBaseStream* SpVoice::AudioOutputStream() {
    if (d->file)
        return d->file;
    return &d->live;
}

void SpVoice::setAudioOutputStream(SpFileStream* stream) {
    if (stream && !stream->isOpen())
        throw EngineError(QStringLiteral("The file stream is not open."));
    d->file = stream;
    d->fileTarget = stream ? stream->target() : nullptr;
}

int SpVoice::Speak(const QString& text, int flags) {
    if (flags & ~KnownSpeakFlags)
        throw EngineError(
            QStringLiteral("The speak flags %1 contain options the speech engine does not know.")
                .arg(flags));
    if (flags & SVSFPurgeBeforeSpeak)
        d->purge();

    // The engine thread gets a text of its own. A buffer shared with the
    // caller may be let go last inside Qt's own code (a queued signal's
    // arguments, a QVariant), where the thread checker cannot see the
    // reference count that orders the release.
    const QString ownText(text.constData(), text.size());
    // A named file is only opened here; the engine thread reads it.
    std::shared_ptr<SpokenFile> source;
    if (flags & SVSFIsFilename)
        source = SpokenFile::open(ownText);
    const int streamNumber = d->nextStream++;
    if (!source && text.isEmpty())
        return streamNumber;

    detail::Job job;
    job.channel = d->channel;
    job.source = source;
    if (!source)
        job.text = ownText;
    // Not-XML wins when both are given: speaking tags aloud loses nothing.
    const bool settled = (flags & SVSFIsNotXML) || (flags & SVSFIsXML);
    job.xml =
        !(flags & SVSFIsNotXML) && ((flags & SVSFIsXML) || (!source && looksLikeMarkup(text)));
    job.sniffMarkup = source && !settled;
    job.punctuation = flags & SVSFNLPSpeakPunc;
    job.async = flags & SVSFlagsAsync;
    job.prosody = {d->voice.id, d->rate, d->volume, 0};
    job.streamNumber = streamNumber;
    job.file = d->fileTarget;
    if (!job.file) {
        Pulse::instance().ensureConnected();
        const QString sink = d->output ? d->output->id : QString();
        Pulse::Lock lock;
        d->channel->ensureStream(d->live.Format().Type(), sink);
    }
    job.generation = d->channel->generation.load();
    d->lastJobGeneration = job.generation;
    d->channel->pendingJobs.fetch_add(1);
    Engine::instance().submit(std::move(job));
    d->timer.start();

    if (!(flags & SVSFlagsAsync)) {
        QPointer<SpVoice> self(this);
        ++d->syncWaits;
        d->waitDone(-1);
        if (self) {
            --d->syncWaits;
            d->throwStoredError();
        }
    }
    return streamNumber;
}

void SpVoice::Pause() {
    d->cork(true);
}

void SpVoice::Resume() {
    d->cork(false);
}

bool SpVoice::WaitUntilDone(int msTimeout) {
    return d->waitDone(msTimeout);
}

bool SpVoice::isSpeaking() const {
    return !d->isDone();
}

} // namespace lectern::engine

namespace lectern::engine {

qint64 SpVoice::playedBytes() const {
    Pulse::Lock lock;
    return d->channel->playedBytes();
}

} // namespace lectern::engine
