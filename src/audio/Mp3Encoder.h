#pragma once
// Turns a WAV file (any format libsndfile reads) into a 44.1 kHz joint-stereo
// 128 kbit/s MP3 file with LAME, one block of about one MP3 frame at a time.

#include <QString>

#include <functional>

namespace lectern::audio {

struct Mp3Settings {
    int sampleRate = 44100;
    int bitRate = 128; // kbit/s, constant
    // LAME's speed/quality trade-off, 0 (best) to 9 (fastest). Speech at
    // 128 kbit/s loses nothing audible at 7, and it encodes markedly faster
    // than the default.
    int quality = 7;
};

class Mp3Encoder {
public:
    // Called after every block with the share done (0..1); returning false
    // stops the encoding, which then throws Cancelled.
    using BetweenFrames = std::function<bool(double done)>;

    explicit Mp3Encoder(Mp3Settings settings = {}) : m_settings(settings) {}

    // Writes mp3Path (created or truncated) from wavPath; `title`, when not
    // empty, goes into an ID3v2 title frame. Throws AudioError with a plain
    // description; on any failure mp3Path may hold a partial file, which is
    // the caller's to discard.
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
