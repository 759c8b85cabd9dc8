#pragma once
// The 70 audio format types a stream can be asked for, by name and value,
// with what each means as sample rate, width, channels and coding.

#include <QString>
#include <QStringList>

#include <optional>

namespace lectern::audio {

enum class SampleCoding { None, Pcm, TrueSpeech, ALaw, MuLaw, Adpcm, Gsm610 };

struct AudioFormatInfo {
    const char* name;
    int value;
    int sampleRate;    // Hz; 0 for the non-audio types
    int bitsPerSample; // 8 or 16 for PCM; informative for the codecs
    int channels;
    SampleCoding coding;
};

constexpr int SAFTDefault = -1;
constexpr int SAFT22kHz16BitMono = 22;
constexpr int AudioFormatCount = 70;

// All 70 formats in ascending value from -1 to 68; entry p has value p - 1.
const AudioFormatInfo* audioFormats();
// nullptr when the value is outside -1..68.
const AudioFormatInfo* audioFormatByValue(int value);
// Exact, case-sensitive, whole-string match; nullopt when no name matches.
std::optional<int> audioFormatValue(const QString& name);
QStringList audioFormatNames();

// The concrete PCM layout a type plays or records in: SAFTDefault means
// 22 kHz 16-bit mono. nullopt for types that carry no such layout (0..3, 40).
std::optional<AudioFormatInfo> resolvedAudioFormat(int value);

} // namespace lectern::audio
