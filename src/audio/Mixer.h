#pragma once
// The machine's master output volume and mute switch.

#include "AudioError.h"

#include <cstdint>
#include <optional>

namespace lectern::audio {

// No sound server answered, so there is no mixer to talk to.
class MixerUnavailable : public AudioError {
public:
    using AudioError::AudioError;
};

class Mixer {
public:
    virtual ~Mixer() = default;
    // Volume on the scale 0..65535. Each call opens the mixer for itself and
    // throws MixerUnavailable when it cannot; nullopt or false means the
    // machine has no master output to act on.
    virtual std::optional<uint32_t> volume() = 0;
    virtual bool setVolume(uint32_t volume) = 0;
    virtual std::optional<bool> muted() = 0;
    virtual bool setMuted(bool muted) = 0;
};

constexpr uint32_t MixerVolumeMax = 65535;

// The PulseAudio default sink: 0..65535 maps linearly onto
// 0..PA_VOLUME_NORM, on all channels alike.
class PulseMixer : public Mixer {
public:
    std::optional<uint32_t> volume() override;
    bool setVolume(uint32_t volume) override;
    std::optional<bool> muted() override;
    bool setMuted(bool muted) override;

    static uint32_t toPulse(uint32_t volume);
    // Above-normal volumes (PulseAudio allows them) show as the maximum.
    static uint32_t fromPulse(uint32_t pulseVolume);
};

} // namespace lectern::audio
