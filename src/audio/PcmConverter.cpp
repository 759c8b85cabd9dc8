#include "PcmConverter.h"

#include "AudioError.h"

#include <soxr.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace lectern::audio {

static_assert(std::endian::native == std::endian::little,
              "S16 output is written in host order and must be little-endian");

namespace {
// Input is taken in slices of this many frames so the scratch buffers stay small
// however much audio one call hands over.
constexpr size_t kSliceFrames = 4096;

double sanitisedGain(double gain) {
    if (!(gain > 0.0)) // also catches NaN
        return 0.0;
    return gain > 1.0 ? 1.0 : gain;
}

inline int16_t toS16(float v) {
    const float r = std::nearbyint(v);
    if (r >= 32767.0f)
        return 32767;
    if (r <= -32768.0f)
        return -32768;
    return static_cast<int16_t>(r);
}

// 8-bit WAV is offset binary: silence is 128.
inline uint8_t toU8(float v) {
    const float r = std::nearbyint(v / 256.0f) + 128.0f;
    if (r >= 255.0f)
        return 255;
    if (r <= 0.0f)
        return 0;
    return static_cast<uint8_t>(r);
}

// Samples in 16-bit scale -> output frames appended to out.
void writeFrames(const float* samples, size_t n, const PcmConverter::Target& t,
                 std::vector<uint8_t>& out) {
    const size_t bytesPerSample = t.sampleType == PcmConverter::SampleType::S16 ? 2 : 1;
    const size_t start = out.size();
    out.resize(start + n * bytesPerSample * size_t(t.channels));
    uint8_t* dst = out.data() + start;
    if (t.sampleType == PcmConverter::SampleType::S16) {
        for (size_t i = 0; i < n; ++i) {
            const int16_t s = toS16(samples[i]);
            for (int c = 0; c < t.channels; ++c) {
                std::memcpy(dst, &s, 2);
                dst += 2;
            }
        }
    } else {
        for (size_t i = 0; i < n; ++i) {
            const uint8_t s = toU8(samples[i]);
            for (int c = 0; c < t.channels; ++c)
                *dst++ = s;
        }
    }
}
void check(soxr_error_t err) {
    if (err)
        throw AudioError(QStringLiteral("Audio resampling failed: %1").arg(QString::fromUtf8(err)));
}
} // namespace

struct PcmConverter::Resampler {
    soxr_t soxr = nullptr;
    std::vector<float> in;
    std::vector<float> out;
    ~Resampler() {
        if (soxr)
            soxr_delete(soxr);
    }
};

PcmConverter::PcmConverter(int inputRate, Target target)
    : m_inputRate(inputRate), m_target(target) {
    if (inputRate <= 0 || target.sampleRate <= 0)
        throw AudioError(QStringLiteral("Cannot convert audio from %1 Hz to %2 Hz.")
                             .arg(inputRate)
                             .arg(target.sampleRate));
    if (target.channels != 1 && target.channels != 2)
        throw AudioError(
            QStringLiteral("Cannot convert audio to %1 channels.").arg(target.channels));
    if (inputRate == target.sampleRate)
        return;
    m_resampler = std::make_unique<Resampler>();
    soxr_error_t err = nullptr;
    m_resampler->soxr =
        soxr_create(inputRate, target.sampleRate, 1, &err, nullptr, nullptr, nullptr);
    if (err || !m_resampler->soxr)
        throw AudioError(QStringLiteral("Cannot resample audio from %1 Hz to %2 Hz: %3")
                             .arg(inputRate)
                             .arg(target.sampleRate)
                             .arg(QString::fromUtf8(err ? err : "unknown error")));
    m_resampler->in.resize(kSliceFrames);
    const double ratio = double(target.sampleRate) / inputRate;
    m_resampler->out.resize(size_t(std::ceil(kSliceFrames * ratio)) + 64);
}

PcmConverter::~PcmConverter() = default;

int PcmConverter::bytesPerFrame() const {
    return m_target.channels * (m_target.sampleType == SampleType::S16 ? 2 : 1);
}

void PcmConverter::convert(const int16_t* input, size_t frames, double gain,
                           std::vector<uint8_t>& out) {
    gain = sanitisedGain(gain);
    if (frames == 0)
        return;

    if (!m_resampler) {
        m_outputFrames += int64_t(frames);
        // The common live case: nothing to do but copy.
        if (gain == 1.0 && m_target.channels == 1 && m_target.sampleType == SampleType::S16) {
            const size_t start = out.size();
            out.resize(start + frames * 2);
            std::memcpy(out.data() + start, input, frames * 2);
            return;
        }
        float scratch[kSliceFrames];
        const float g = float(gain);
        for (size_t done = 0; done < frames;) {
            const size_t n = std::min(kSliceFrames, frames - done);
            for (size_t i = 0; i < n; ++i)
                scratch[i] = float(input[done + i]) * g;
            writeFrames(scratch, n, m_target, out);
            done += n;
        }
        return;
    }

    // Gain goes in before the resampler, so it stays tied to the samples it was
    // given for, even those the filter holds back until the next call.
    Resampler& r = *m_resampler;
    const float g = float(gain / 32768.0);
    for (size_t done = 0; done < frames;) {
        const size_t n = std::min(kSliceFrames, frames - done);
        for (size_t i = 0; i < n; ++i)
            r.in[i] = float(input[done + i]) * g;
        size_t consumed = 0;
        while (consumed < n) {
            size_t idone = 0, odone = 0;
            check(soxr_process(r.soxr, r.in.data() + consumed, n - consumed, &idone, r.out.data(),
                               r.out.size(), &odone));
            consumed += idone;
            for (size_t i = 0; i < odone; ++i)
                r.out[i] *= 32768.0f;
            writeFrames(r.out.data(), odone, m_target, out);
            m_outputFrames += int64_t(odone);
            if (idone == 0 && odone == 0)
                break; // cannot happen with a sane resampler; never spin
        }
        done += n;
    }
}

void PcmConverter::flush(std::vector<uint8_t>& out) {
    if (!m_resampler)
        return;
    Resampler& r = *m_resampler;
    for (;;) {
        size_t odone = 0;
        check(soxr_process(r.soxr, nullptr, 0, nullptr, r.out.data(), r.out.size(), &odone));
        if (odone == 0)
            break;
        for (size_t i = 0; i < odone; ++i)
            r.out[i] *= 32768.0f;
        writeFrames(r.out.data(), odone, m_target, out);
        m_outputFrames += int64_t(odone);
    }
    soxr_clear(r.soxr);
}

std::optional<PcmConverter::Target> pcmTargetForType(int formatType) {
    if (formatType != SAFTDefault && (formatType < 4 || formatType > 39))
        return std::nullopt;
    const auto info = resolvedAudioFormat(formatType);
    if (!info)
        return std::nullopt;
    PcmConverter::Target t;
    t.sampleRate = info->sampleRate;
    t.channels = info->channels;
    t.sampleType =
        info->bitsPerSample == 8 ? PcmConverter::SampleType::U8 : PcmConverter::SampleType::S16;
    return t;
}

} // namespace lectern::audio
