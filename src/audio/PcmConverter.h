#pragma once
// Turns the synthesiser's native audio (mono, signed 16-bit, its own rate)
// into the layout a stream asked for: another rate (libsoxr), 1 or 2
// channels, unsigned 8-bit or signed 16-bit samples, with a gain applied.

#include "AudioFormats.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace lectern::audio {

class PcmConverter {
public:
    enum class SampleType { U8, S16 };
    struct Target {
        int sampleRate = 22050;
        int channels = 1;
        SampleType sampleType = SampleType::S16;
    };

    // Throws AudioError when the resampler cannot be created.
    PcmConverter(int inputRate, Target target);
    ~PcmConverter();
    PcmConverter(const PcmConverter&) = delete;
    PcmConverter& operator=(const PcmConverter&) = delete;

    const Target& target() const { return m_target; }
    int inputRate() const { return m_inputRate; }

    // Appends the converted bytes of `frames` mono input samples to `out`,
    // each sample scaled by gain (0..1). Streams: may hold back a few
    // samples inside the resampler until flush().
    void convert(const int16_t* input, size_t frames, double gain, std::vector<uint8_t>& out);
    // Appends what the resampler still holds; the converter can be reused after.
    void flush(std::vector<uint8_t>& out);
    // Output frames produced so far (for mapping events onto the stream).
    int64_t outputFrames() const { return m_outputFrames; }
    int bytesPerFrame() const;

private:
    int m_inputRate;
    Target m_target;
    int64_t m_outputFrames = 0;
    struct Resampler;
    std::unique_ptr<Resampler> m_resampler;
};

// The linear PCM layout a type plays in; nullopt unless the type is
// SAFTDefault or 4..39.
std::optional<PcmConverter::Target> pcmTargetForType(int formatType);

} // namespace lectern::audio
