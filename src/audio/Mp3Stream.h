#pragma once
// MP3 encoding on a thread of its own, fed while the speech is synthesised:
// the synthesiser and the encoder share the machine's cores, and no
// temporary sound file is needed.

#include "Mp3Encoder.h"
#include "PcmConverter.h"
#include "SoundWriter.h"

#include <QString>

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace lectern::audio {

class Mp3StreamEncoder {
public:
    // Creates the file and starts the thread. Throws AudioError.
    Mp3StreamEncoder(const QString& mp3Path, int inputRate, int channels, const QString& title,
                     Mp3Settings settings = {});
    // Stops first: once it returns, nothing writes the file any more.
    ~Mp3StreamEncoder();
    Mp3StreamEncoder(const Mp3StreamEncoder&) = delete;
    Mp3StreamEncoder& operator=(const Mp3StreamEncoder&) = delete;

    // From one producing thread. Waits while the encoder is well behind, so
    // memory stays flat however fast the input comes; throws AudioError
    // once the encoding failed or was stopped.
    void write(const int16_t* frames, size_t count);
    // No more input: the thread completes the file.
    void endOfInput();

    // Waits up to `ms` for the encoding to be over; true when it is, with
    // the file complete unless it failed or was stopped.
    bool waitUntilOver(int ms);
    // Why the encoder failed; empty unless it did. Being stopped is no
    // failure of its own: whoever stopped it knows why.
    QString failure() const;
    // Ends the encoding without completing the file and waits for the thread.
    void stop();

private:
    void run();
    void fail(const QString& description);

    std::unique_ptr<Mp3Writer> m_writer;
    const size_t m_channels;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::vector<int16_t>> m_queue;
    size_t m_queuedFrames = 0;
    bool m_ended = false;
    bool m_stopped = false;
    bool m_over = false;
    QString m_failure;
    std::thread m_thread;
};

// Speech for an MP3 file: the samples a WAV file of the chosen linear PCM
// type would hold go to an encoder instead, so the MP3 is the one that WAV
// file would have given.
class Mp3SoundWriter : public SoundWriter {
public:
    // The types it takes: those whose samples need no codec.
    static bool acceptsType(int formatType);

    // Creates mp3Path and starts its encoder. Throws AudioError.
    Mp3SoundWriter(const QString& mp3Path, const QString& title, int formatType, int inputRate);
    // Without close() the encoding is stopped and the file left incomplete.
    ~Mp3SoundWriter() override;

    // Outlives the writer, so the caller can wait for the file after close().
    std::shared_ptr<Mp3StreamEncoder> encoder() const { return m_encoder; }

    void write(const int16_t* samples, size_t frames, double gain = 1.0) override;
    void writeSilence(int64_t inputFrames) override;
    int64_t bytesWritten() const override;
    // Hands the end to the encoder without waiting for it.
    void close() override;
    bool isOpen() const override { return m_open; }

private:
    void handOver();

    std::unique_ptr<PcmConverter> m_converter;
    std::shared_ptr<Mp3StreamEncoder> m_encoder;
    std::vector<uint8_t> m_bytes;
    std::vector<int16_t> m_samples;
    bool m_open = true;
};

} // namespace lectern::audio
