#include "WavFileWriter.h"

#include "AudioError.h"
#include "AudioFormats.h"
#include "PcmConverter.h"

#include <QFile>

#include <sndfile.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <vector>

namespace lectern::audio {

namespace {
// Input is converted and written in slices of this many frames, so memory
// stays the same whatever one call hands over.
constexpr size_t kSliceFrames = 16384;
// Raw PCM is gathered up to this size before it goes to the file: one system
// call per synthesiser callback costs more than the copy.
constexpr size_t kRawCommitBytes = 64 * 1024;

QString formatLabel(int formatType) {
    if (const AudioFormatInfo* f = audioFormatByValue(formatType))
        return QString::fromLatin1(f->name);
    return QStringLiteral("type %1").arg(formatType);
}

[[noreturn]] void refuseType(int formatType) {
    throw AudioError(
        QStringLiteral("The format %1 cannot be written to a file.").arg(formatLabel(formatType)));
}

int subtypeFor(const AudioFormatInfo& f) {
    switch (f.coding) {
    case SampleCoding::Pcm:
        return f.bitsPerSample == 8 ? SF_FORMAT_PCM_U8 : SF_FORMAT_PCM_16;
    case SampleCoding::ALaw:
        return SF_FORMAT_ALAW;
    case SampleCoding::MuLaw:
        return SF_FORMAT_ULAW;
    case SampleCoding::Adpcm:
        return SF_FORMAT_MS_ADPCM;
    case SampleCoding::Gsm610:
        return SF_FORMAT_GSM610;
    default:
        return 0;
    }
}

// Average bytes per output frame. Exact for PCM and the companded codecs; for
// the block codecs it spreads each block's bytes over its frames, so the value
// runs ahead of or behind the file by at most one block.
double bytesPerFrame(const AudioFormatInfo& f) {
    switch (f.coding) {
    case SampleCoding::Pcm:
        return f.channels * (f.bitsPerSample / 8);
    case SampleCoding::ALaw:
    case SampleCoding::MuLaw:
        return f.channels;
    case SampleCoding::Adpcm: {
        // libsndfile's MS ADPCM block size grows with the data rate.
        const int rate = f.sampleRate * f.channels;
        const int blockAlign = rate < 12000 ? 256 : rate < 23000 ? 512 : 1024;
        const int framesPerBlock = 2 + 2 * (blockAlign - 7 * f.channels) / f.channels;
        return double(blockAlign) / framesPerBlock;
    }
    case SampleCoding::Gsm610:
        return 65.0 / 320.0; // WAV GSM: 65 bytes carry two 160-sample frames
    default:
        return 0;
    }
}
} // namespace

struct WavFileWriter::Impl {
    QString path;
    AudioFormatInfo format{};
    bool raw = false; // PCM goes to the file as the converter's bytes
    std::unique_ptr<PcmConverter> converter;
    std::vector<uint8_t> buffer;
    int fd = -1;
    SNDFILE* sf = nullptr;
    QString failure; // first write failure; everything after repeats it

    // Writes what the buffer holds; raw PCM waits for a full batch unless `all`.
    void commit(bool all = false) {
        if (buffer.empty() || (raw && !all && buffer.size() < kRawCommitBytes))
            return;
        bool ok;
        errno = 0;
        if (raw) {
            const auto n = sf_count_t(buffer.size());
            ok = sf_write_raw(sf, buffer.data(), n) == n;
        } else {
            const auto items = sf_count_t(buffer.size() / 2);
            ok = sf_write_short(sf, reinterpret_cast<const short*>(buffer.data()), items) == items;
        }
        buffer.clear();
        if (!ok)
            fail(reason());
    }

    // The system's words when a system call failed ("No space left on
    // device"), libsndfile's otherwise.
    QString reason() const {
        return QString::fromLocal8Bit(errno ? std::strerror(errno) : sf_strerror(sf));
    }

    [[noreturn]] void fail(const QString& reason) {
        failure = QStringLiteral("Cannot write to the file %1: %2").arg(path, reason);
        throw AudioError(failure);
    }

    bool holdsAllFrames() const {
        SF_INFO info{};
        SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
        if (!f)
            return false;
        sf_close(f);
        return info.frames >= converter->outputFrames();
    }

    void requireWritable() const {
        if (!failure.isEmpty())
            throw AudioError(failure);
        if (!sf)
            throw AudioError(QStringLiteral("The file %1 is already closed.").arg(path));
    }
};

WavFileWriter::WavFileWriter(const QString& path, int formatType, int inputRate)
    : d(std::make_unique<Impl>()) {
    if (!acceptsType(formatType))
        refuseType(formatType);
    const auto format = resolvedAudioFormat(formatType);
    if (!format)
        refuseType(formatType);
    d->path = path;
    d->format = *format;
    d->raw = format->coding == SampleCoding::Pcm;

    SF_INFO info{};
    info.samplerate = format->sampleRate;
    info.channels = format->channels;
    info.format = SF_FORMAT_WAV | subtypeFor(*format);
    if (!sf_format_check(&info))
        refuseType(formatType);

    PcmConverter::Target target;
    target.sampleRate = format->sampleRate;
    target.channels = format->channels;
    target.sampleType = d->raw && format->bitsPerSample == 8 ? PcmConverter::SampleType::U8
                                                             : PcmConverter::SampleType::S16;
    // Made before the file, so a refused conversion leaves nothing on disk.
    d->converter = std::make_unique<PcmConverter>(inputRate, target);
    d->buffer.reserve(size_t(double(kSliceFrames) * format->sampleRate / inputRate + 256) *
                          size_t(d->converter->bytesPerFrame()) +
                      kRawCommitBytes);

    const QByteArray native = QFile::encodeName(path);
    d->fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (d->fd < 0)
        throw AudioError(QStringLiteral("Cannot create the file %1: %2")
                             .arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    d->sf = sf_open_fd(d->fd, SFM_WRITE, &info, SF_FALSE);
    if (!d->sf) {
        const QString reason = QString::fromLocal8Bit(sf_strerror(nullptr));
        ::close(d->fd);
        ::unlink(native.constData());
        throw AudioError(QStringLiteral("Cannot create the file %1: %2").arg(path, reason));
    }
}

WavFileWriter::~WavFileWriter() {
    try {
        close();
    } catch (...) {
        // A destructor has nobody to tell; callers who care call close().
    }
}

void WavFileWriter::write(const int16_t* samples, size_t frames, double gain) {
    d->requireWritable();
    for (size_t done = 0; done < frames;) {
        const size_t n = std::min(kSliceFrames, frames - done);
        d->converter->convert(samples + done, n, gain, d->buffer);
        d->commit();
        done += n;
    }
}

void WavFileWriter::writeSilence(int64_t inputFrames) {
    d->requireWritable();
    // Through the converter rather than around it: the resampler's pending tail
    // comes out first and the timing stays exact.
    static const int16_t zeros[kSliceFrames] = {};
    while (inputFrames > 0) {
        const size_t n = size_t(std::min<int64_t>(inputFrames, int64_t(kSliceFrames)));
        d->converter->convert(zeros, n, 1.0, d->buffer);
        d->commit();
        inputFrames -= int64_t(n);
    }
}

int64_t WavFileWriter::bytesWritten() const {
    if (d->raw)
        return d->converter->outputFrames() * d->converter->bytesPerFrame();
    return int64_t(double(d->converter->outputFrames()) * bytesPerFrame(d->format));
}

void WavFileWriter::close() {
    if (!d->sf)
        return;
    QString problem = d->failure;
    if (problem.isEmpty()) {
        try {
            d->converter->flush(d->buffer);
            d->commit(true);
        } catch (const AudioError& e) {
            problem = e.description();
        }
    }
    if (problem.isEmpty() && sf_error(d->sf) != SF_ERR_NO_ERROR)
        problem = QStringLiteral("Cannot write to the file %1: %2")
                      .arg(d->path, QString::fromLocal8Bit(sf_strerror(d->sf)));
    // sf_close writes the last codec block and the final header.
    const int rc = sf_close(d->sf);
    d->sf = nullptr;
    if (problem.isEmpty() && rc != SF_ERR_NO_ERROR)
        problem = QStringLiteral("Cannot finish the file %1: %2")
                      .arg(d->path, QString::fromLocal8Bit(sf_error_number(rc)));
    if (::close(d->fd) != 0 && problem.isEmpty())
        problem = QStringLiteral("Cannot finish the file %1: %2")
                      .arg(d->path, QString::fromLocal8Bit(std::strerror(errno)));
    d->fd = -1;
    // libsndfile drops a failed write of the last codec block without telling
    // sf_close's caller, so read back what the header now promises.
    if (problem.isEmpty() && !d->holdsAllFrames())
        problem = QStringLiteral("Cannot finish the file %1: not all of the audio could be "
                                 "written (the disk may be full).")
                      .arg(d->path);
    if (!problem.isEmpty()) {
        d->failure = problem;
        throw AudioError(problem);
    }
}

bool WavFileWriter::isOpen() const {
    return d->sf != nullptr;
}

bool WavFileWriter::acceptsType(int formatType) {
    return formatType == SAFTDefault || (formatType >= 4 && formatType <= 68 && formatType != 40);
}

} // namespace lectern::audio
