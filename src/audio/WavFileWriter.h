#pragma once
// Streams synthesised audio into a WAV file of a given format type with
// libsndfile. Memory stays flat however long the speech is.

#include "SoundWriter.h"

#include <QString>

#include <cstdint>
#include <memory>

namespace lectern::audio {

class WavFileWriter : public SoundWriter {
public:
    // Creates (truncates) the file. Throws AudioError with a plain
    // description when the type is not writable (0..3, 40, out of range) or
    // the file cannot be created.
    WavFileWriter(const QString& path, int formatType, int inputRate);
    ~WavFileWriter() override; // closes if still open, swallowing errors
    WavFileWriter(const WavFileWriter&) = delete;
    WavFileWriter& operator=(const WavFileWriter&) = delete;

    // Mono signed 16-bit samples at inputRate, scaled by gain (0..1).
    // Throws AudioError on a write failure (for example a full disk).
    void write(const int16_t* samples, size_t frames, double gain = 1.0) override;
    // Exact silence of the given length.
    void writeSilence(int64_t inputFrames) override;
    // Bytes of output written so far (the stream position of word events).
    // Exact for PCM, A-law and mu-law; for ADPCM and GSM an average over
    // whole codec blocks, so within one block of the file.
    int64_t bytesWritten() const override;
    // Finishes the header; throws AudioError when the file is incomplete.
    // Closing again does nothing.
    void close() override;
    bool isOpen() const override;

    // True when a file stream can take the type: 4..68 except 40, and
    // SAFTDefault, written as 22 kHz 16-bit mono.
    static bool acceptsType(int formatType);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace lectern::audio
