#include "AudioFormats.h"

namespace lectern::audio {

namespace {
// Generated from the published enumeration: value = position - 1.
constexpr AudioFormatInfo kFormats[AudioFormatCount] = {
    {"SAFTDefault", -1, 0, 0, 0, SampleCoding::None},
    {"SAFTNoAssignedFormat", 0, 0, 0, 0, SampleCoding::None},
    {"SAFTText", 1, 0, 0, 0, SampleCoding::None},
    {"SAFTNonStandardFormat", 2, 0, 0, 0, SampleCoding::None},
    {"SAFTExtendedAudioFormat", 3, 0, 0, 0, SampleCoding::None},
    {"SAFT8kHz8BitMono", 4, 8000, 8, 1, SampleCoding::Pcm},
    {"SAFT8kHz8BitStereo", 5, 8000, 8, 2, SampleCoding::Pcm},
    {"SAFT8kHz16BitMono", 6, 8000, 16, 1, SampleCoding::Pcm},
    {"SAFT8kHz16BitStereo", 7, 8000, 16, 2, SampleCoding::Pcm},
    {"SAFT11kHz8BitMono", 8, 11025, 8, 1, SampleCoding::Pcm},
    {"SAFT11kHz8BitStereo", 9, 11025, 8, 2, SampleCoding::Pcm},
    {"SAFT11kHz16BitMono", 10, 11025, 16, 1, SampleCoding::Pcm},
    {"SAFT11kHz16BitStereo", 11, 11025, 16, 2, SampleCoding::Pcm},
    {"SAFT12kHz8BitMono", 12, 12000, 8, 1, SampleCoding::Pcm},
    {"SAFT12kHz8BitStereo", 13, 12000, 8, 2, SampleCoding::Pcm},
    {"SAFT12kHz16BitMono", 14, 12000, 16, 1, SampleCoding::Pcm},
    {"SAFT12kHz16BitStereo", 15, 12000, 16, 2, SampleCoding::Pcm},
    {"SAFT16kHz8BitMono", 16, 16000, 8, 1, SampleCoding::Pcm},
    {"SAFT16kHz8BitStereo", 17, 16000, 8, 2, SampleCoding::Pcm},
    {"SAFT16kHz16BitMono", 18, 16000, 16, 1, SampleCoding::Pcm},
    {"SAFT16kHz16BitStereo", 19, 16000, 16, 2, SampleCoding::Pcm},
    {"SAFT22kHz8BitMono", 20, 22050, 8, 1, SampleCoding::Pcm},
    {"SAFT22kHz8BitStereo", 21, 22050, 8, 2, SampleCoding::Pcm},
    {"SAFT22kHz16BitMono", 22, 22050, 16, 1, SampleCoding::Pcm},
    {"SAFT22kHz16BitStereo", 23, 22050, 16, 2, SampleCoding::Pcm},
    {"SAFT24kHz8BitMono", 24, 24000, 8, 1, SampleCoding::Pcm},
    {"SAFT24kHz8BitStereo", 25, 24000, 8, 2, SampleCoding::Pcm},
    {"SAFT24kHz16BitMono", 26, 24000, 16, 1, SampleCoding::Pcm},
    {"SAFT24kHz16BitStereo", 27, 24000, 16, 2, SampleCoding::Pcm},
    {"SAFT32kHz8BitMono", 28, 32000, 8, 1, SampleCoding::Pcm},
    {"SAFT32kHz8BitStereo", 29, 32000, 8, 2, SampleCoding::Pcm},
    {"SAFT32kHz16BitMono", 30, 32000, 16, 1, SampleCoding::Pcm},
    {"SAFT32kHz16BitStereo", 31, 32000, 16, 2, SampleCoding::Pcm},
    {"SAFT44kHz8BitMono", 32, 44100, 8, 1, SampleCoding::Pcm},
    {"SAFT44kHz8BitStereo", 33, 44100, 8, 2, SampleCoding::Pcm},
    {"SAFT44kHz16BitMono", 34, 44100, 16, 1, SampleCoding::Pcm},
    {"SAFT44kHz16BitStereo", 35, 44100, 16, 2, SampleCoding::Pcm},
    {"SAFT48kHz8BitMono", 36, 48000, 8, 1, SampleCoding::Pcm},
    {"SAFT48kHz8BitStereo", 37, 48000, 8, 2, SampleCoding::Pcm},
    {"SAFT48kHz16BitMono", 38, 48000, 16, 1, SampleCoding::Pcm},
    {"SAFT48kHz16BitStereo", 39, 48000, 16, 2, SampleCoding::Pcm},
    {"SAFTTrueSpeech_8kHz1BitMono", 40, 8000, 1, 1, SampleCoding::TrueSpeech},
    {"SAFTCCITT_ALaw_8kHzMono", 41, 8000, 8, 1, SampleCoding::ALaw},
    {"SAFTCCITT_ALaw_8kHzStereo", 42, 8000, 8, 2, SampleCoding::ALaw},
    {"SAFTCCITT_ALaw_11kHzMono", 43, 11025, 8, 1, SampleCoding::ALaw},
    {"SAFTCCITT_ALaw_11kHzStereo", 44, 11025, 8, 2, SampleCoding::ALaw},
    {"SAFTCCITT_ALaw_22kHzMono", 45, 22050, 8, 1, SampleCoding::ALaw},
    {"SAFTCCITT_ALaw_22kHzStereo", 46, 22050, 8, 2, SampleCoding::ALaw},
    {"SAFTCCITT_ALaw_44kHzMono", 47, 44100, 8, 1, SampleCoding::ALaw},
    {"SAFTCCITT_ALaw_44kHzStereo", 48, 44100, 8, 2, SampleCoding::ALaw},
    {"SAFTCCITT_uLaw_8kHzMono", 49, 8000, 8, 1, SampleCoding::MuLaw},
    {"SAFTCCITT_uLaw_8kHzStereo", 50, 8000, 8, 2, SampleCoding::MuLaw},
    {"SAFTCCITT_uLaw_11kHzMono", 51, 11025, 8, 1, SampleCoding::MuLaw},
    {"SAFTCCITT_uLaw_11kHzStereo", 52, 11025, 8, 2, SampleCoding::MuLaw},
    {"SAFTCCITT_uLaw_22kHzMono", 53, 22050, 8, 1, SampleCoding::MuLaw},
    {"SAFTCCITT_uLaw_22kHzStereo", 54, 22050, 8, 2, SampleCoding::MuLaw},
    {"SAFTCCITT_uLaw_44kHzMono", 55, 44100, 8, 1, SampleCoding::MuLaw},
    {"SAFTCCITT_uLaw_44kHzStereo", 56, 44100, 8, 2, SampleCoding::MuLaw},
    {"SAFTADPCM_8kHzMono", 57, 8000, 4, 1, SampleCoding::Adpcm},
    {"SAFTADPCM_8kHzStereo", 58, 8000, 4, 2, SampleCoding::Adpcm},
    {"SAFTADPCM_11kHzMono", 59, 11025, 4, 1, SampleCoding::Adpcm},
    {"SAFTADPCM_11kHzStereo", 60, 11025, 4, 2, SampleCoding::Adpcm},
    {"SAFTADPCM_22kHzMono", 61, 22050, 4, 1, SampleCoding::Adpcm},
    {"SAFTADPCM_22kHzStereo", 62, 22050, 4, 2, SampleCoding::Adpcm},
    {"SAFTADPCM_44kHzMono", 63, 44100, 4, 1, SampleCoding::Adpcm},
    {"SAFTADPCM_44kHzStereo", 64, 44100, 4, 2, SampleCoding::Adpcm},
    {"SAFTGSM610_8kHzMono", 65, 8000, 0, 1, SampleCoding::Gsm610},
    {"SAFTGSM610_11kHzMono", 66, 11025, 0, 1, SampleCoding::Gsm610},
    {"SAFTGSM610_22kHzMono", 67, 22050, 0, 1, SampleCoding::Gsm610},
    {"SAFTGSM610_44kHzMono", 68, 44100, 0, 1, SampleCoding::Gsm610},
};
} // namespace

const AudioFormatInfo* audioFormats() {
    return kFormats;
}

const AudioFormatInfo* audioFormatByValue(int value) {
    if (value < -1 || value > 68)
        return nullptr;
    return &kFormats[value + 1];
}

std::optional<int> audioFormatValue(const QString& name) {
    for (const auto& f : kFormats) {
        if (name == QLatin1String(f.name))
            return f.value;
    }
    return std::nullopt;
}

QStringList audioFormatNames() {
    QStringList names;
    names.reserve(AudioFormatCount);
    for (const auto& f : kFormats)
        names << QString::fromLatin1(f.name);
    return names;
}

std::optional<AudioFormatInfo> resolvedAudioFormat(int value) {
    if (value == SAFTDefault)
        return kFormats[SAFT22kHz16BitMono + 1];
    const AudioFormatInfo* f = audioFormatByValue(value);
    if (!f || f->coding == SampleCoding::None || f->coding == SampleCoding::TrueSpeech)
        return std::nullopt;
    return *f;
}

} // namespace lectern::audio
