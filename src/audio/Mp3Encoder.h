#pragma once
// MP3 files of 44.1 kHz joint stereo at 128 kbit/s with LAME, made from a
// WAV file (Mp3Encoder) or from samples handed over in pieces (Mp3Writer).

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace lectern::audio {

struct Mp3Settings {
    int sampleRate = 44100;
    int bitRate = 128; // kbit/s, constant
    // LAME's speed/quality trade-off, 0 (best) to 9 (fastest). Speech at
    // 128 kbit/s loses nothing audible at 7, and it encodes markedly faster
    // than the default.
    int quality = 7;
};

// One MP3 file from signed 16-bit samples at any rate, one channel or two
// interleaved. The same samples give the same bytes however they are cut
// into calls, so a file encoded while it is spoken equals one encoded after.
class Mp3Writer {
public:
    // Creates (truncates) mp3Path; `title`, when not empty, goes into an
    // ID3v2 title frame. Throws AudioError with a plain description.
    Mp3Writer(const QString& mp3Path, int inputRate, int channels, const QString& title,
              Mp3Settings settings = {});
    // Without finish() the file stays incomplete, the caller's to discard.
    ~Mp3Writer();
    Mp3Writer(const Mp3Writer&) = delete;
    Mp3Writer& operator=(const Mp3Writer&) = delete;

    // Throws AudioError (a full disk, for example).
    void write(const int16_t* frames, size_t count);
    // Encodes what is held back and completes the file. Throws AudioError.
    void finish();

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

class Mp3Encoder {
public:
    // Called after every block with the share done (0..1); returning false
    // stops the encoding, which then throws Cancelled.
    using BetweenFrames = std::function<bool(double done)>;

    explicit Mp3Encoder(Mp3Settings settings = {}) : m_settings(settings) {}

    // Writes mp3Path (created or truncated) from wavPath (any format
    // libsndfile reads), one block of about one MP3 frame at a time. Throws
    // AudioError with a plain description; on any failure mp3Path may hold
    // a partial file, which is the caller's to discard.
    void encode(const QString& wavPath, const QString& mp3Path, const QString& title,
                const BetweenFrames& betweenFrames = {}) const;

private:
    Mp3Settings m_settings;
};

// A title for a player's list: the first words of a spoken text, without
// markup, at most `maxChars` characters, cut at a word boundary when there
// is one.
QString titleFromText(const QString& text, int maxChars = 60);

} // namespace lectern::audio
