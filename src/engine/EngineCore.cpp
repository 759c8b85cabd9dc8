#include "EngineCore.h"

#include "PcmConverter.h"
#include "WavFileWriter.h"

#include <espeak-ng/speak_lib.h>
#include <soxr.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <utility>

namespace lectern::engine::detail {

namespace {

const QString kNoServer =
    QStringLiteral("No sound server is running, so speech cannot be played. Start PulseAudio (or "
                   "PipeWire's PulseAudio service) and try again.");

} // namespace

const QString kStreamLost = QStringLiteral("The sound server stopped playing the speech.");

namespace {

void contextStateChanged(pa_context*, void* loop) {
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(loop), 0);
}

void streamStateChanged(pa_stream*, void*) {
    pa_threaded_mainloop_signal(Pulse::instance().mainloop(), 0);
}

void streamWritable(pa_stream*, size_t, void*) {
    pa_threaded_mainloop_signal(Pulse::instance().mainloop(), 0);
}

void streamTimingUpdated(pa_stream*, void* channel) {
    static_cast<Channel*>(channel)->timingAt = std::chrono::steady_clock::now();
    pa_threaded_mainloop_signal(Pulse::instance().mainloop(), 0);
}

} // namespace

// ---- Pulse ------------------------------------------------------------------

Pulse& Pulse::instance() {
    static Pulse pulse;
    return pulse;
}

void MainloopRelease::operator()(pa_threaded_mainloop* loop) const {
    pa_threaded_mainloop_stop(loop);
    pa_threaded_mainloop_free(loop);
}

void ContextRelease::operator()(pa_context* context) const {
    pa_context_set_state_callback(context, nullptr, nullptr);
    pa_context_disconnect(context);
    pa_context_unref(context);
}

void StreamRelease::operator()(pa_stream* stream) const {
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_set_write_callback(stream, nullptr, nullptr);
    pa_stream_set_latency_update_callback(stream, nullptr, nullptr);
    pa_stream_disconnect(stream);
    pa_stream_unref(stream);
}

Pulse::Pulse() : m_mainloop(pa_threaded_mainloop_new()) {
    if (m_mainloop)
        pa_threaded_mainloop_start(m_mainloop.get());
}

Pulse::~Pulse() {
    // The loop's thread stops first, so nothing runs a callback of the
    // context while it goes.
    if (m_mainloop)
        pa_threaded_mainloop_stop(m_mainloop.get());
    m_context.reset();
}

void Pulse::ensureConnected() {
    if (!m_mainloop)
        throw EngineError(kNoServer);
    Lock lock;
    if (m_context && pa_context_get_state(m_context.get()) == PA_CONTEXT_READY)
        return;
    m_context.reset();
    ContextHolder context(
        pa_context_new(pa_threaded_mainloop_get_api(m_mainloop.get()), "Lectern"));
    if (!context)
        throw EngineError(kNoServer);
    pa_context_set_state_callback(context.get(), contextStateChanged, m_mainloop.get());
    if (pa_context_connect(context.get(), nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
        throw EngineError(kNoServer);
    for (;;) {
        const pa_context_state_t state = pa_context_get_state(context.get());
        if (state == PA_CONTEXT_READY)
            break;
        if (!PA_CONTEXT_IS_GOOD(state))
            throw EngineError(kNoServer);
        pa_threaded_mainloop_wait(m_mainloop.get());
    }
    m_context = std::move(context);
}

void Pulse::wait(pa_operation* op) {
    if (!op)
        return;
    while (pa_operation_get_state(op) == PA_OPERATION_RUNNING)
        pa_threaded_mainloop_wait(m_mainloop.get());
    pa_operation_unref(op);
}

std::vector<SpObjectToken> Pulse::sinks() {
    ensureConnected();
    struct Result {
        pa_threaded_mainloop* loop;
        QString defaultSink;
        std::vector<SpObjectToken> sinks;
    } result{m_mainloop.get(), {}, {}};
    Lock lock;
    wait(pa_context_get_server_info(
        m_context.get(),
        [](pa_context*, const pa_server_info* info, void* r) {
            auto* res = static_cast<Result*>(r);
            if (info && info->default_sink_name)
                res->defaultSink = QString::fromUtf8(info->default_sink_name);
            pa_threaded_mainloop_signal(res->loop, 0);
        },
        &result));
    wait(pa_context_get_sink_info_list(
        m_context.get(),
        [](pa_context*, const pa_sink_info* info, int, void* r) {
            auto* res = static_cast<Result*>(r);
            if (info) {
                QString description = QString::fromUtf8(info->description).trimmed();
                if (description.isEmpty())
                    description = QString::fromUtf8(info->name);
                res->sinks.push_back({QString::fromUtf8(info->name), description});
            }
            pa_threaded_mainloop_signal(res->loop, 0);
        },
        &result));
    std::stable_partition(result.sinks.begin(), result.sinks.end(),
                          [&](const SpObjectToken& t) { return t.id == result.defaultSink; });
    if (result.sinks.empty())
        throw EngineError(QStringLiteral("The sound server offers no audio output."));
    return result.sinks;
}

// ---- Channel ----------------------------------------------------------------

void Channel::ensureStream(int type, const QString& sink) {
    if (stream && !streamFailed && formatType == type && sinkName == sink &&
        pa_stream_get_state(stream.get()) == PA_STREAM_READY)
        return;
    dropStream();
    timingAt.reset();
    heard = -1;
    const auto target = pcmTargetForType(type);
    if (!target)
        throw EngineError(QStringLiteral("The audio output cannot play this format."));
    pa_threaded_mainloop* loop = Pulse::instance().mainloop();
    pa_context* context = Pulse::instance().context();
    pa_sample_spec s{};
    s.format = target->sampleType == PcmConverter::SampleType::U8 ? PA_SAMPLE_U8 : PA_SAMPLE_S16LE;
    s.rate = static_cast<uint32_t>(target->sampleRate);
    s.channels = static_cast<uint8_t>(target->channels);
    StreamHolder st(pa_stream_new(context, "Lectern speech", &s, nullptr));
    if (!st)
        throw EngineError(QStringLiteral("The sound server refused a new playback stream."));
    pa_stream_set_state_callback(st.get(), streamStateChanged, nullptr);
    pa_stream_set_write_callback(st.get(), streamWritable, nullptr);
    pa_stream_set_latency_update_callback(st.get(), streamTimingUpdated, this);

    // The whole path to the ear is kept near 300 ms: a sink left to its own
    // latency swallows seconds of a fast writer's first data at once, and its
    // clock then runs ahead of what is heard, so word events would come early.
    // 300 ms is still many times what synthesis needs to stay ahead on a busy
    // machine. A short pre-buffer keeps the start quick.
    pa_buffer_attr attr;
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = static_cast<uint32_t>(pa_usec_to_bytes(300 * PA_USEC_PER_MSEC, &s));
    attr.prebuf = static_cast<uint32_t>(pa_usec_to_bytes(30 * PA_USEC_PER_MSEC, &s));
    attr.minreq = static_cast<uint32_t>(pa_usec_to_bytes(20 * PA_USEC_PER_MSEC, &s));
    attr.fragsize = static_cast<uint32_t>(-1);
    auto flags =
        static_cast<pa_stream_flags_t>(PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY |
                                       (paused ? PA_STREAM_START_CORKED : 0));
    const QByteArray device = sink.toUtf8();
    if (pa_stream_connect_playback(st.get(), sink.isEmpty() ? nullptr : device.constData(), &attr,
                                   flags, nullptr, nullptr) < 0)
        throw EngineError(QStringLiteral("The audio output \"%1\" cannot play.").arg(sink));
    // The first timing report tells how much the sink takes in at once,
    // which the first write must fill; it follows readiness by a moment.
    for (;;) {
        const pa_stream_state_t state = pa_stream_get_state(st.get());
        if (state == PA_STREAM_READY && timingAt)
            break;
        if (!PA_STREAM_IS_GOOD(state))
            throw EngineError(
                QStringLiteral("The audio output could not be opened in this format."));
        pa_threaded_mainloop_wait(loop);
    }
    stream = std::move(st);
    sampleSpec = s;
    formatType = type;
    sinkName = sink;
    written = 0;
    streamFailed = false;
}

Channel::~Channel() {
    if (stream) {
        Pulse::Lock lock;
        stream.reset();
    }
}

void Channel::dropStream() {
    if (!stream)
        return;
    stream.reset();
    written = 0;
    timingAt.reset();
    heard = -1;
    // Wakes an engine thread waiting to write into it.
    pa_threaded_mainloop_signal(Pulse::instance().mainloop(), 0);
}

int64_t Channel::playedBytes() const {
    if (!stream)
        return -1;
    const pa_timing_info* timing = pa_stream_get_timing_info(stream.get());
    if (paused || !timingAt || !timing || timing->read_index_corrupt)
        return heard;
    // The sink plays what it took from us its latency later. Once it has
    // taken all we wrote, what it took since was silence in our place, so
    // the end of our data is that much nearer. The library's interpolated
    // clock is of no use here: it runs on while a fresh stream waits for an
    // idle sink, and while a kept stream stands empty between utterances.
    const auto bytes = [&](pa_usec_t usec) {
        return static_cast<int64_t>(pa_usec_to_bytes(usec, &sampleSpec));
    };
    const int64_t read = timing->read_index;
    int64_t estimate = read - bytes(timing->sink_usec) + bytes(timing->transport_usec);
    if (!timing->playing && read >= written && timing->since_underrun > 0)
        estimate += timing->since_underrun;
    const auto since = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - *timingAt);
    estimate += bytes(pa_usec_t(std::max<int64_t>(since.count(), 0)));
    // Nothing is heard before the sink has taken it.
    estimate = std::min({estimate, read, written});
    heard = std::max(heard, estimate);
    return heard;
}

int64_t Channel::firstWriteBytes() const {
    if (!stream)
        return 0;
    // An empty stream that is handed a little, then more, loses audio: the
    // sink takes the little, finds the stream empty again and, when the
    // rest comes, winds back over what it took. Written in one piece, as
    // much as the sink takes in at once plays whole. The sink's own
    // latency says how much that is.
    const pa_timing_info* timing = pa_stream_get_timing_info(stream.get());
    const pa_buffer_attr* attr = pa_stream_get_buffer_attr(stream.get());
    const pa_usec_t sink = timing ? std::max(timing->configured_sink_usec, timing->sink_usec) : 0;
    auto wanted = static_cast<int64_t>(pa_usec_to_bytes(sink + 30 * PA_USEC_PER_MSEC, &sampleSpec));
    if (attr)
        wanted = std::min<int64_t>(wanted, attr->tlength);
    return wanted;
}

bool Channel::playedAll() const {
    if (!stream || written == 0 || streamFailed)
        return true;
    if (pa_stream_get_state(stream.get()) != PA_STREAM_READY)
        return true;
    const int64_t played = playedBytes();
    // The last moments need not be waited for: what is spoken next queues
    // behind them.
    const auto slack = static_cast<int64_t>(pa_usec_to_bytes(20 * PA_USEC_PER_MSEC, &sampleSpec));
    return played >= 0 && played + slack >= written;
}

void Channel::recordFailure(const QString& description, bool signal) {
    std::lock_guard guard(mutex);
    if (error.isEmpty())
        error = description;
    if (signal)
        unsignalled.push_back(description);
}

void Channel::post() {
    std::lock_guard guard(mutex);
    if (notify)
        notify();
}

// ---- synthesis ----------------------------------------------------------------

int wordsPerMinute(int rate) {
    // Each half is geometric, so every step sounds alike: the slow half ends
    // at eSpeak NG's slowest rate, the fast half goes past its nominal top of
    // 450, where its sonic stage speeds the audio up further, to three times
    // that. Clamping instead made the ends of the scale sound the same.
    constexpr double kSlowest = espeakRATE_MINIMUM;
    constexpr double kFastest = 3.0 * espeakRATE_MAXIMUM;
    const double r = std::clamp(rate, -10, 10) / 10.0;
    const double end = r < 0 ? kSlowest : kFastest;
    return static_cast<int>(
        std::lround(espeakRATE_NORMAL * std::pow(end / espeakRATE_NORMAL, std::abs(r))));
}

PitchSetting pitchSetting(int middle) {
    // eSpeak has 100 distinct base pitches (0..99; 100 sounds as 99) for our
    // 201 values. Middle 0 keeps the voice's own pitch 50; each side is
    // spread over its levels, and the fraction between two levels is made
    // by resampling, by less than the smallest step between levels (about
    // half a percent at the low end), so the pitch always rises with the
    // value. Duration shrinks by the same fraction: under 0.4%.
    constexpr double kStepRatio = 1.004;
    const int m = std::clamp(middle, -100, 100);
    const double level = m <= 0 ? (m + 100) / 2.0 : 50.0 + m * 49.0 / 100.0;
    PitchSetting p;
    p.base = int(std::floor(level));
    const double fraction = level - p.base;
    if (fraction > 1e-9)
        p.nudge = std::pow(kStepRatio, fraction);
    return p;
}

// Raises the pitch of the synthesiser's audio by a factor just above 1:
// resampled to fewer samples that are then played at the native rate.
class PitchNudge {
public:
    PitchNudge(int rate, double factor) {
        soxr_error_t err = nullptr;
        const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
        m_soxr = soxr_create(rate * factor, rate, 1, &err, &io, nullptr, nullptr);
        if (err || !m_soxr)
            throw EngineError(QStringLiteral("The pitch could not be set: %1")
                                  .arg(QString::fromUtf8(err ? err : "no resampler")));
    }
    ~PitchNudge() { soxr_delete(m_soxr); }
    PitchNudge(const PitchNudge&) = delete;
    PitchNudge& operator=(const PitchNudge&) = delete;

    // Replaces `out` with the resampled audio; null input drains the filter.
    void process(const int16_t* in, size_t frames, std::vector<int16_t>& out) {
        out.clear();
        size_t consumed = 0;
        for (;;) {
            const size_t room = (frames - consumed) + 1024;
            const size_t start = out.size();
            out.resize(start + room);
            size_t idone = 0, odone = 0;
            const soxr_error_t err =
                soxr_process(m_soxr, in ? in + consumed : nullptr, in ? frames - consumed : 0,
                             &idone, out.data() + start, room, &odone);
            out.resize(start + odone);
            consumed += idone;
            if (err || (in && consumed >= frames) || odone == 0)
                break;
        }
    }

private:
    soxr_t m_soxr = nullptr;
};

namespace {

struct SynthContext {
    Job* job = nullptr;
    const SpeechSegment* segment = nullptr;
    std::vector<int> codePointToUtf16; // eSpeak counts code points
    int64_t callSamples = 0;
    int lastWordPosition = -1;
    double gain = 1.0;
    PcmConverter* converter = nullptr;
    std::vector<uint8_t> buffer;
    // The start of a live utterance, gathered until it fills what the sink
    // takes in at once (see Channel::firstWriteBytes).
    std::vector<uint8_t> held;
    int64_t holdBytes = 0;
    PitchNudge* nudge = nullptr;
    std::vector<int16_t> nudged;
    bool failed = false;
    std::chrono::steady_clock::time_point lastPost;
};

thread_local SynthContext* t_context = nullptr;

bool cancelled(const Job& job) {
    return job.channel->generation.load() != job.generation;
}

void fail(Job& job, const QString& description) {
    job.channel->recordFailure(description, job.async);
}

// The stream broke under us. Jobs queued behind the one that found out meet
// the same broken stream: that is still one failure. Mainloop locked.
void streamLost(Job& job) {
    Channel& ch = *job.channel;
    const bool fresh = !ch.streamFailed;
    ch.streamFailed = true;
    ch.recordFailure(kStreamLost, fresh && job.async);
}

// Hands converted bytes to the live stream, waiting while its queue is full.
bool writeLive(Job& job, const uint8_t* data, size_t size) {
    Channel& ch = *job.channel;
    Pulse::Lock lock;
    const size_t frame = ch.stream ? pa_frame_size(&ch.sampleSpec) : 1;
    while (size > 0) {
        if (cancelled(job) || !ch.stream)
            return false;
        if (ch.streamFailed || pa_stream_get_state(ch.stream.get()) != PA_STREAM_READY) {
            streamLost(job);
            return false;
        }
        size_t n = pa_stream_writable_size(ch.stream.get());
        if (n == static_cast<size_t>(-1)) {
            streamLost(job);
            return false;
        }
        n = std::min(n, size);
        n -= n % frame;
        if (n == 0) {
            pa_threaded_mainloop_wait(Pulse::instance().mainloop());
            continue;
        }
        if (pa_stream_write(ch.stream.get(), data, n, nullptr, 0, PA_SEEK_RELATIVE) < 0) {
            streamLost(job);
            return false;
        }
        ch.written += static_cast<int64_t>(n);
        data += n;
        size -= n;
    }
    return true;
}

int64_t liveWritten(Job& job) {
    Pulse::Lock lock;
    return job.channel->written;
}

// Writes mono samples (null: silence) to the job's output. Returns the
// output byte positions before and after, or nullopt when the job ends.
std::optional<std::pair<int64_t, int64_t>> output(Job& job, SynthContext& ctx,
                                                  const int16_t* samples, size_t frames) {
    if (job.file) {
        std::lock_guard guard(job.file->mutex);
        audio::SoundWriter* writer = job.file->writer.get();
        if (!writer || !writer->isOpen())
            return std::nullopt; // closed under us: nothing more to write
        const int64_t before = writer->bytesWritten();
        try {
            if (samples)
                writer->write(samples, frames, ctx.gain);
            else
                writer->writeSilence(static_cast<int64_t>(frames));
        } catch (const audio::AudioError& e) {
            fail(job, e.description());
            return std::nullopt;
        }
        return std::make_pair(before, writer->bytesWritten());
    }
    ctx.buffer.clear();
    if (samples) {
        ctx.converter->convert(samples, frames, ctx.gain, ctx.buffer);
    } else {
        static const std::vector<int16_t> zeros(4096, 0);
        for (size_t done = 0; done < frames;) {
            const size_t n = std::min(zeros.size(), frames - done);
            ctx.converter->convert(zeros.data(), n, 0.0, ctx.buffer);
            done += n;
        }
    }
    const int64_t before = liveWritten(job) + static_cast<int64_t>(ctx.held.size());
    const auto after = before + static_cast<int64_t>(ctx.buffer.size());
    if (ctx.holdBytes > 0) {
        ctx.held.insert(ctx.held.end(), ctx.buffer.begin(), ctx.buffer.end());
        if (static_cast<int64_t>(ctx.held.size()) < ctx.holdBytes)
            return std::make_pair(before, after);
        ctx.holdBytes = 0;
        const bool ok = writeLive(job, ctx.held.data(), ctx.held.size());
        ctx.held.clear();
        if (!ok)
            return std::nullopt;
        return std::make_pair(before, after);
    }
    if (!writeLive(job, ctx.buffer.data(), ctx.buffer.size()))
        return std::nullopt;
    return std::make_pair(before, after);
}

int synthCallback(short* wav, int numSamples, espeak_EVENT* events) {
    SynthContext* ctx = t_context;
    if (!ctx || ctx->failed || cancelled(*ctx->job))
        return 1;
    if (!wav)
        numSamples = 0;
    std::pair<int64_t, int64_t> span{0, 0};
    if (numSamples > 0 && ctx->nudge) {
        ctx->nudge->process(wav, size_t(numSamples), ctx->nudged);
        wav = ctx->nudged.data();
        // Events are placed by fraction of the call, which resampling keeps.
    }
    const size_t outFrames = numSamples <= 0 ? 0
                             : ctx->nudge    ? ctx->nudged.size()
                                             : size_t(numSamples);
    if (outFrames > 0) {
        const auto written = output(*ctx->job, *ctx, wav, outFrames);
        if (!written) {
            ctx->failed = true;
            return 1;
        }
        span = *written;
    } else if (ctx->job->file) {
        std::lock_guard guard(ctx->job->file->mutex);
        if (ctx->job->file->writer)
            span.first = span.second = ctx->job->file->writer->bytesWritten();
    } else {
        span.first = span.second = liveWritten(*ctx->job);
    }

    std::vector<WordEvent> words;
    for (espeak_EVENT* ev = events; ev && ev->type != espeakEVENT_LIST_TERMINATED; ++ev) {
        // Words only move forward; eSpeak repeats some and adds a stray one at
        // the end of a clause.
        if (ev->type != espeakEVENT_WORD || ev->text_position <= ctx->lastWordPosition)
            continue;
        ctx->lastWordPosition = ev->text_position;
        const auto& map = ctx->codePointToUtf16;
        // eSpeak counts code points from 1 and reports a word at the very end.
        if (ev->text_position < 1 || ev->text_position >= int(map.size()))
            continue;
        const int first = ev->text_position - 1;
        const int last = std::clamp(first + std::max(ev->length, 1), 0, int(map.size()) - 1);
        const auto& offsets = ctx->segment->offsets;
        const int start = offsets[size_t(map[size_t(first)])];
        const int end = offsets[size_t(map[size_t(last)])];
        double fraction = 0;
        if (numSamples > 0)
            fraction = std::clamp(double(ev->sample - ctx->callSamples) / numSamples, 0.0, 1.0);
        int64_t position = span.first + int64_t((span.second - span.first) * fraction);
        words.push_back(
            {ctx->job->streamNumber, position, start, std::max(end - start, 0), !ctx->job->file});
    }
    ctx->callSamples += numSamples;
    if (!words.empty()) {
        Channel& ch = *ctx->job->channel;
        {
            // Checked under the lock a purge clears the events with, so the
            // words of purged speech never outlive the purge.
            std::lock_guard guard(ch.mutex);
            if (!cancelled(*ctx->job))
                ch.events.insert(ch.events.end(), words.begin(), words.end());
        }
        // File words are due at once, but waking the UI for every callback
        // costs more than the synthesis of a short one; the job's end posts too.
        const auto now = std::chrono::steady_clock::now();
        if (ctx->job->file && now - ctx->lastPost >= std::chrono::milliseconds(20)) {
            ctx->lastPost = now;
            ch.post();
        }
    }
    return 0;
}

QString readableName(const char* name) {
    QString s = QString::fromUtf8(name);
    s.replace(u'_', u' ');
    return s.simplified();
}

} // namespace

Engine& Engine::instance() {
    static Engine engine;
    if (!engine.m_initError.isEmpty())
        throw EngineError(engine.m_initError);
    return engine;
}

Engine::Engine() {
    // The engine thread plays through the sound server connection until it
    // is joined, so the connection is made first: statics go in the reverse
    // order of their making.
    Pulse::instance();
    m_thread = std::thread([this] { run(); });
    std::unique_lock lock(m_mutex);
    m_cv.wait(lock, [this] { return m_ready; });
}

Engine::~Engine() {
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_cv.notify_all();
    m_thread.join();
}

void Engine::listVoices() {
    std::vector<VoiceInfo> voices;
    for (const espeak_VOICE** v = espeak_ListVoices(nullptr); v && *v; ++v) {
        if (!(*v)->identifier || !(*v)->name)
            continue;
        voices.push_back({QString::fromUtf8((*v)->identifier), readableName((*v)->name)});
    }
    // MBROLA voices are listed apart and speak only with their database.
    const char* dataPath = nullptr;
    espeak_Info(&dataPath);
    if (dataPath) {
        QDir dir(QString::fromUtf8(dataPath) + QStringLiteral("/voices/mb"));
        for (const QString& file : dir.entryList(QDir::Files, QDir::Name)) {
            const QString database = file.startsWith(u"mb-") ? file.mid(3) : file;
            const QString root = QStringLiteral("/usr/share/mbrola/") + database;
            if (!QFileInfo::exists(root + u'/' + database) && !QFileInfo(root).isFile())
                continue;
            QString name = file;
            QFile f(dir.filePath(file));
            if (f.open(QIODevice::ReadOnly)) {
                while (!f.atEnd()) {
                    const QByteArray line = f.readLine().trimmed();
                    if (line.startsWith("name ")) {
                        name = readableName(line.mid(5).trimmed().constData());
                        break;
                    }
                }
            }
            voices.push_back({QStringLiteral("mb/") + file, name});
        }
    }
    std::stable_partition(voices.begin(), voices.end(),
                          [](const VoiceInfo& v) { return v.id == u"gmw/en-US"; });
    QHash<QString, int> seen;
    for (const auto& v : voices)
        seen[v.description.toCaseFolded()]++;
    for (auto& v : voices) {
        if (seen.value(v.description.toCaseFolded()) > 1)
            v.description += QStringLiteral(" (%1)").arg(v.id);
    }
    m_voices = std::move(voices);
}

QString Engine::resolveVoice(QStringView name) const {
    const QStringView wanted = name.trimmed();
    for (const auto& v : m_voices) {
        if (wanted.compare(v.description, Qt::CaseInsensitive) == 0)
            return v.id;
    }
    for (const auto& v : m_voices) {
        if (wanted.compare(v.id, Qt::CaseInsensitive) == 0)
            return v.id;
    }
    return {};
}

void Engine::submit(Job job) {
    {
        std::lock_guard lock(m_mutex);
        m_jobs.push_back(std::move(job));
    }
    m_cv.notify_one();
}

void Engine::run() {
    const int rate =
        espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, 40, nullptr, espeakINITIALIZE_DONT_EXIT);
    {
        std::lock_guard lock(m_mutex);
        if (rate <= 0) {
            // eSpeak NG fails to start only when its data cannot be loaded;
            // name where it looked, so the cause can be put right.
            const char* dataPath = nullptr;
            espeak_Info(&dataPath);
            m_initError = dataPath ? QStringLiteral("eSpeak NG found no voice data in %1 "
                                                    "(is espeak-ng-data installed?).")
                                         .arg(QString::fromLocal8Bit(dataPath))
                                   : QStringLiteral("eSpeak NG found no voice data "
                                                    "(is espeak-ng-data installed?).");
        } else {
            m_sampleRate = rate;
            espeak_SetSynthCallback(synthCallback);
            listVoices();
        }
        m_ready = true;
    }
    m_cv.notify_all();
    if (rate <= 0)
        return;

    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_cv.wait(lock, [this] { return !m_jobs.empty() || m_stopping; });
            if (m_jobs.empty())
                break;
            job = std::move(m_jobs.front());
            m_jobs.pop_front();
        }
        try {
            runJob(job);
        } catch (const EngineError& e) {
            fail(job, e.description());
        } catch (const audio::AudioError& e) {
            fail(job, e.description());
        } catch (const std::exception& e) {
            fail(job, QString::fromLocal8Bit(e.what()));
        } catch (...) {
            fail(job, QStringLiteral("Speech failed for an unknown reason."));
        }
        std::shared_ptr<Channel> channel = std::move(job.channel);
        job = Job{};
        channel->pendingJobs.fetch_sub(1);
        channel->post();
    }
    espeak_Terminate();
}

void Engine::runJob(Job& job) {
    if (cancelled(job))
        return;
    Channel& ch = *job.channel;
    if (job.source) {
        job.text = job.source->readText();
        job.source.reset();
        if (job.sniffMarkup)
            job.xml = looksLikeMarkup(job.text);
        if (cancelled(job))
            return;
    }
    // Markup is read as synthesis goes, so that the first words sound at once
    // and a purge is not kept waiting by the rest of a huge text.
    std::optional<SpeechMarkupReader> reader;
    std::optional<SpeechSegment> plain;
    if (job.xml)
        reader.emplace(job.text, job.prosody,
                       [this](QStringView name) { return resolveVoice(name); });
    else
        plain = plainSegment(job.text, job.prosody);
    auto nextSegment = [&]() -> std::optional<SpeechSegment> {
        if (reader)
            return reader->next();
        return std::exchange(plain, std::nullopt);
    };

    SynthContext ctx;
    ctx.job = &job;
    std::unique_ptr<PcmConverter> converter;
    if (!job.file) {
        int type = 0;
        {
            Pulse::Lock lock;
            if (!ch.stream)
                return; // dropped before we started
            type = ch.formatType;
            ctx.holdBytes = ch.firstWriteBytes();
        }
        const auto target = pcmTargetForType(type);
        if (!target)
            throw EngineError(QStringLiteral("The audio output cannot play this format."));
        converter = std::make_unique<PcmConverter>(m_sampleRate, *target);
        ctx.converter = converter.get();
    }

    espeak_SetParameter(espeakPUNCTUATION, job.punctuation ? espeakPUNCT_ALL : espeakPUNCT_NONE, 0);
    QString currentVoice;
    bool firstText = true;
    ProsodyState applied;
    while (!cancelled(job) && !ctx.failed) {
        const std::optional<SpeechSegment> next = nextSegment();
        if (!next)
            break;
        const SpeechSegment& segment = *next;
        ctx.gain = std::clamp(segment.prosody.volume, 0, 100) / 100.0;
        if (segment.kind == SpeechSegment::Kind::Silence) {
            const int64_t frames = int64_t(segment.silenceMs) * m_sampleRate / 1000;
            for (int64_t done = 0; done < frames && !ctx.failed && !cancelled(job);) {
                const int64_t n = std::min<int64_t>(frames - done, m_sampleRate / 10);
                if (!output(job, ctx, nullptr, size_t(n)))
                    ctx.failed = true;
                done += n;
            }
            continue;
        }
        const ProsodyState& p = segment.prosody;
        if (firstText || p.voiceId != applied.voiceId) {
            const QByteArray id = p.voiceId.toUtf8();
            if (espeak_SetVoiceByName(id.constData()) != EE_OK) {
                fail(job, QStringLiteral("The voice \"%1\" cannot speak.").arg(p.voiceId));
                break;
            }
            // A new voice starts from its own defaults.
            firstText = true;
        }
        if (firstText || p.rate != applied.rate)
            espeak_SetParameter(espeakRATE, wordsPerMinute(p.rate), 0);
        const PitchSetting pitch = pitchSetting(p.pitch);
        if (firstText || p.pitch != applied.pitch)
            espeak_SetParameter(espeakPITCH, pitch.base, 0);
        std::unique_ptr<PitchNudge> nudge;
        if (pitch.nudge != 1.0)
            nudge = std::make_unique<PitchNudge>(m_sampleRate, pitch.nudge);
        ctx.nudge = nudge.get();
        applied = p;
        firstText = false;

        const QString& text = segment.text;
        ctx.segment = &segment;
        ctx.codePointToUtf16.clear();
        ctx.codePointToUtf16.reserve(size_t(text.size()) + 1);
        for (qsizetype i = 0; i < text.size(); ++i) {
            ctx.codePointToUtf16.push_back(int(i));
            if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
                ++i;
        }
        ctx.codePointToUtf16.push_back(int(text.size()));
        ctx.callSamples = 0;
        ctx.lastWordPosition = -1;
        const QByteArray utf8 = text.toUtf8();
        t_context = &ctx;
        espeak_Synth(utf8.constData(), size_t(utf8.size()) + 1, 0, POS_CHARACTER, 0,
                     espeakCHARS_UTF8, nullptr, nullptr);
        t_context = nullptr;
        if (nudge && !ctx.failed && !cancelled(job)) {
            nudge->process(nullptr, 0, ctx.nudged);
            if (!ctx.nudged.empty() && !output(job, ctx, ctx.nudged.data(), ctx.nudged.size()))
                ctx.failed = true;
        }
        ctx.nudge = nullptr;
    }

    if (converter && !ctx.failed && !cancelled(job)) {
        converter->flush(ctx.held);
        if (!ctx.held.empty())
            writeLive(job, ctx.held.data(), ctx.held.size());
    }
    if (!job.file) {
        // Plays a tail shorter than the pre-buffer too.
        Pulse::Lock lock;
        if (ch.stream && !cancelled(job))
            if (pa_operation* op = pa_stream_trigger(ch.stream.get(), nullptr, nullptr))
                pa_operation_unref(op);
    }
}

} // namespace lectern::engine::detail
