#include "Mp3Stream.h"

#include "AudioError.h"

#include <algorithm>
#include <chrono>
#include <cstring>

namespace lectern::audio {

namespace {
// About three seconds of 22 kHz speech: enough that neither side waits on
// the other's small hiccups, little enough to stay unnoticed in memory.
constexpr size_t kMostQueuedFrames = 65536;
// Converted in slices of this many frames, so one long write needs no large buffer.
constexpr size_t kSliceFrames = 4096;

QString stoppedMessage() {
    return QStringLiteral("The MP3 encoding was stopped before the end.");
}
} // namespace

Mp3StreamEncoder::Mp3StreamEncoder(const QString& mp3Path, int inputRate, int channels,
                                   const QString& title, Mp3Settings settings)
    : m_writer(std::make_unique<Mp3Writer>(mp3Path, inputRate, channels, title, settings)),
      m_channels(size_t(channels)) {
    m_thread = std::thread([this] { run(); });
}

Mp3StreamEncoder::~Mp3StreamEncoder() {
    stop();
}

void Mp3StreamEncoder::write(const int16_t* frames, size_t count) {
    if (count == 0)
        return;
    std::vector<int16_t> chunk(frames, frames + count * m_channels);
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock,
                   [this] { return m_over || m_stopped || m_queuedFrames < kMostQueuedFrames; });
    if (!m_failure.isEmpty())
        throw AudioError(m_failure);
    if (m_over || m_stopped || m_ended)
        throw AudioError(stoppedMessage());
    m_queue.push_back(std::move(chunk));
    m_queuedFrames += count;
    lock.unlock();
    m_changed.notify_all();
}

void Mp3StreamEncoder::endOfInput() {
    {
        std::lock_guard lock(m_mutex);
        m_ended = true;
    }
    m_changed.notify_all();
}

bool Mp3StreamEncoder::waitUntilOver(int ms) {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(ms),
                              [this] { return m_over || m_stopped; });
}

QString Mp3StreamEncoder::failure() const {
    std::lock_guard lock(m_mutex);
    return m_failure;
}

void Mp3StreamEncoder::stop() {
    {
        std::lock_guard lock(m_mutex);
        m_stopped = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void Mp3StreamEncoder::fail(const QString& description) {
    {
        std::lock_guard lock(m_mutex);
        if (m_failure.isEmpty())
            m_failure = description;
        m_over = true;
    }
    m_changed.notify_all();
}

void Mp3StreamEncoder::run() {
    for (;;) {
        std::vector<int16_t> chunk;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait(lock, [this] { return m_stopped || m_ended || !m_queue.empty(); });
            if (m_stopped)
                return;
            if (m_queue.empty())
                break; // the end, and everything before it encoded
            chunk = std::move(m_queue.front());
            m_queue.pop_front();
            m_queuedFrames -= chunk.size() / m_channels;
        }
        m_changed.notify_all();
        try {
            m_writer->write(chunk.data(), chunk.size() / m_channels);
        } catch (const AudioError& e) {
            fail(e.description());
            return;
        }
    }
    try {
        m_writer->finish();
    } catch (const AudioError& e) {
        fail(e.description());
        return;
    }
    {
        std::lock_guard lock(m_mutex);
        m_over = true;
    }
    m_changed.notify_all();
}

bool Mp3SoundWriter::acceptsType(int formatType) {
    return pcmTargetForType(formatType).has_value();
}

Mp3SoundWriter::Mp3SoundWriter(const QString& mp3Path, const QString& title, int formatType,
                               int inputRate) {
    const auto target = pcmTargetForType(formatType);
    if (!target)
        throw AudioError(
            QStringLiteral("Sound of format %1 cannot go to the MP3 encoder as it is spoken.")
                .arg(formatType));
    m_converter = std::make_unique<PcmConverter>(inputRate, *target);
    m_encoder =
        std::make_shared<Mp3StreamEncoder>(mp3Path, target->sampleRate, target->channels, title);
}

Mp3SoundWriter::~Mp3SoundWriter() {
    if (m_open)
        m_encoder->stop();
}

void Mp3SoundWriter::handOver() {
    // As a WAV file of the type would be read back: 8-bit offset binary
    // becomes the high byte of a signed sample.
    if (m_converter->target().sampleType == PcmConverter::SampleType::U8) {
        m_samples.resize(m_bytes.size());
        for (size_t i = 0; i < m_bytes.size(); ++i)
            m_samples[i] = int16_t((int(m_bytes[i]) - 128) * 256);
    } else {
        m_samples.resize(m_bytes.size() / 2);
        // A slice may convert to nothing yet; memcpy must not see the null
        // pointers of empty vectors.
        if (!m_samples.empty())
            std::memcpy(m_samples.data(), m_bytes.data(), m_samples.size() * 2);
    }
    m_bytes.clear();
    m_encoder->write(m_samples.data(), m_samples.size() / size_t(m_converter->target().channels));
}

void Mp3SoundWriter::write(const int16_t* samples, size_t frames, double gain) {
    if (!m_open)
        throw AudioError(QStringLiteral("The MP3 encoder has had all its sound already."));
    for (size_t done = 0; done < frames;) {
        const size_t n = std::min(kSliceFrames, frames - done);
        m_converter->convert(samples + done, n, gain, m_bytes);
        handOver();
        done += n;
    }
}

void Mp3SoundWriter::writeSilence(int64_t inputFrames) {
    static const int16_t zeros[kSliceFrames] = {};
    while (inputFrames > 0) {
        const size_t n = size_t(std::min<int64_t>(inputFrames, int64_t(kSliceFrames)));
        write(zeros, n, 1.0);
        inputFrames -= int64_t(n);
    }
}

int64_t Mp3SoundWriter::bytesWritten() const {
    return m_converter->outputFrames() * m_converter->bytesPerFrame();
}

void Mp3SoundWriter::close() {
    if (!m_open)
        return;
    m_open = false;
    try {
        m_converter->flush(m_bytes);
        handOver();
    } catch (const AudioError&) {
        m_encoder->stop();
        throw;
    }
    m_encoder->endOfInput();
}

} // namespace lectern::audio
