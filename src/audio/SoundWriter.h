#pragma once
// What synthesised speech is written into: mono signed 16-bit samples at the
// synthesiser's rate go in, a sound in some format comes out. A WAV file is
// one; an MP3 encoder fed as the speech goes is another.

#include <cstddef>
#include <cstdint>

namespace lectern::audio {

class SoundWriter {
public:
    virtual ~SoundWriter() = default;
    // Samples scaled by gain (0..1). Throws AudioError when the sound can
    // take no more (a full disk, a failed encoder).
    virtual void write(const int16_t* samples, size_t frames, double gain = 1.0) = 0;
    // Exact silence of the given length.
    virtual void writeSilence(int64_t inputFrames) = 0;
    // Bytes of output so far in the writer's format (word event positions).
    virtual int64_t bytesWritten() const = 0;
    // Hands over the end; throws AudioError when the sound is incomplete.
    // Closing again does nothing.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
};

} // namespace lectern::audio
