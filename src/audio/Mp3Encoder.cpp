#include "Mp3Encoder.h"

#include "AudioError.h"

#include <QFile>
#include <QRegularExpression>

#include <lame/lame.h>
#include <sndfile.h>
#include <soxr.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace lectern::audio {

namespace {

struct LameDeleter {
    void operator()(lame_global_flags* flags) const { lame_close(flags); }
};
struct SndDeleter {
    void operator()(SNDFILE* file) const { sf_close(file); }
};

void setTitle(lame_global_flags* flags, const QString& title) {
    if (title.isEmpty())
        return;
    // UTF-16 with its byte-order mark, so Chinese titles survive.
    std::vector<unsigned short> text;
    text.reserve(size_t(title.size()) + 2);
    text.push_back(0xFEFF);
    for (QChar c : title)
        text.push_back(c.unicode());
    text.push_back(0);
    id3tag_init(flags);
    id3tag_add_v2(flags);
    id3tag_v2_only(flags);
    id3tag_set_textinfo_utf16(flags, "TIT2", text.data());
}

// Input is gathered into blocks of this many frames before it is resampled
// and encoded: the output then never depends on how the caller cut it.
constexpr size_t kBlockFrames = 4096;

QString writeFailure(const QFile& out) {
    return QStringLiteral("The MP3 file \"%1\" could not be written: %2")
        .arg(out.fileName(), out.errorString());
}
} // namespace

struct Mp3Writer::Impl {
    Mp3Settings settings;
    int channels = 1;
    std::unique_ptr<lame_global_flags, LameDeleter> lame;
    // Null when the input is already at the output rate. LAME's own
    // resampler is slow enough to cost a third of the encoding.
    soxr_t soxr = nullptr;
    QFile out;
    std::vector<int16_t> block; // input held back until a block is full
    std::vector<float> samples; // at the output rate, interleaved, +-1
    std::vector<unsigned char> mp3;
    bool finished = false;

    ~Impl() {
        if (soxr)
            soxr_delete(soxr);
    }

    void put(const unsigned char* data, int size) {
        if (size < 0)
            throw AudioError(QStringLiteral("The MP3 encoder failed (LAME error %1).").arg(size));
        if (size > 0 && out.write(reinterpret_cast<const char*>(data), size) != size)
            throw AudioError(writeFailure(out));
    }

    void encode(const float* data, size_t frames) {
        // The output buffer holds what LAME may make of this many frames.
        const size_t most = (mp3.size() - 7200) * 4 / 5;
        for (size_t done = 0; done < frames;) {
            const int n = int(std::min(most, frames - done));
            const float* at = data + done * size_t(channels);
            // Mono goes in as two equal channels, which joint stereo stores
            // almost free: LAME would write a mono file from one.
            put(mp3.data(), channels == 1 ? lame_encode_buffer_ieee_float(
                                                lame.get(), at, at, n, mp3.data(), int(mp3.size()))
                                          : lame_encode_buffer_interleaved_ieee_float(
                                                lame.get(), at, n, mp3.data(), int(mp3.size())));
            done += size_t(n);
        }
    }

    void resample(const int16_t* data, size_t frames) {
        for (size_t consumed = 0;;) {
            size_t used = 0, made = 0;
            if (const soxr_error_t error = soxr_process(
                    soxr, data ? data + consumed * size_t(channels) : nullptr, frames - consumed,
                    &used, samples.data(), samples.size() / size_t(channels), &made))
                throw AudioError(
                    QStringLiteral("Audio resampling failed: %1").arg(QString::fromUtf8(error)));
            encode(samples.data(), made);
            consumed += used;
            // Flushing (no input) ends when nothing more comes out.
            if (data ? consumed >= frames : made == 0)
                return;
        }
    }

    void encodeBlock() {
        const size_t frames = block.size() / size_t(channels);
        if (soxr) {
            resample(block.data(), frames);
        } else {
            samples.resize(block.size());
            for (size_t i = 0; i < block.size(); ++i)
                samples[i] = float(block[i]) / 32768.0f;
            encode(samples.data(), frames);
        }
        block.clear();
    }
};

Mp3Writer::Mp3Writer(const QString& mp3Path, int inputRate, int channels, const QString& title,
                     Mp3Settings settings)
    : d(std::make_unique<Impl>()) {
    if (channels < 1 || channels > 2)
        throw AudioError(
            QStringLiteral("The MP3 encoder takes one or two channels, not %1.").arg(channels));
    if (inputRate <= 0)
        throw AudioError(
            QStringLiteral("The MP3 encoder cannot take sound at %1 Hz.").arg(inputRate));
    d->settings = settings;
    d->channels = channels;
    d->lame.reset(lame_init());
    if (!d->lame)
        throw AudioError(QStringLiteral("The MP3 encoder could not be started."));
    lame_global_flags* flags = d->lame.get();
    lame_set_num_channels(flags, 2);
    lame_set_in_samplerate(flags, settings.sampleRate);
    lame_set_out_samplerate(flags, settings.sampleRate);
    lame_set_mode(flags, JOINT_STEREO);
    lame_set_VBR(flags, vbr_off);
    lame_set_brate(flags, settings.bitRate);
    lame_set_quality(flags, settings.quality);
    // A constant rate needs no seek table; the file is then complete as
    // streamed, with nothing to patch at its start.
    lame_set_bWriteVbrTag(flags, 0);
    setTitle(flags, title);
    if (lame_init_params(flags) < 0)
        throw AudioError(QStringLiteral("The MP3 encoder refused its settings (%1 Hz, %2 kbit/s).")
                             .arg(settings.sampleRate)
                             .arg(settings.bitRate));

    size_t outFrames = kBlockFrames;
    if (inputRate != settings.sampleRate) {
        const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_FLOAT32_I);
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
        soxr_error_t error = nullptr;
        d->soxr = soxr_create(inputRate, settings.sampleRate, unsigned(channels), &error, &io,
                              &quality, nullptr);
        if (error || !d->soxr)
            throw AudioError(QStringLiteral("Cannot resample audio from %1 Hz to %2 Hz: %3")
                                 .arg(inputRate)
                                 .arg(settings.sampleRate)
                                 .arg(QString::fromUtf8(error ? error : "unknown error")));
        outFrames = size_t(std::ceil(double(kBlockFrames) * settings.sampleRate / inputRate)) + 64;
    }
    d->samples.resize(outFrames * size_t(channels));
    d->block.reserve(kBlockFrames * size_t(channels));
    d->mp3.resize(outFrames * 5 / 4 + 7200);

    d->out.setFileName(mp3Path);
    if (!d->out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw AudioError(QStringLiteral("The MP3 file \"%1\" cannot be created: %2")
                             .arg(mp3Path, d->out.errorString()));
}

Mp3Writer::~Mp3Writer() = default;

void Mp3Writer::write(const int16_t* frames, size_t count) {
    if (d->finished)
        throw AudioError(
            QStringLiteral("The MP3 file \"%1\" is already complete.").arg(d->out.fileName()));
    const size_t channels = size_t(d->channels);
    while (count > 0) {
        const size_t n = std::min(count, kBlockFrames - d->block.size() / channels);
        d->block.insert(d->block.end(), frames, frames + n * channels);
        frames += n * channels;
        count -= n;
        if (d->block.size() == kBlockFrames * channels)
            d->encodeBlock();
    }
}

void Mp3Writer::finish() {
    if (d->finished)
        return;
    d->finished = true;
    if (!d->block.empty())
        d->encodeBlock();
    if (d->soxr)
        d->resample(nullptr, 0);
    d->put(d->mp3.data(), lame_encode_flush(d->lame.get(), d->mp3.data(), int(d->mp3.size())));
    if (!d->out.flush() || d->out.error() != QFileDevice::NoError)
        throw AudioError(writeFailure(d->out));
    d->out.close();
    if (d->out.error() != QFileDevice::NoError)
        throw AudioError(writeFailure(d->out));
}

void Mp3Encoder::encode(const QString& wavPath, const QString& mp3Path, const QString& title,
                        const BetweenFrames& betweenFrames) const {
    SF_INFO info{};
    std::unique_ptr<SNDFILE, SndDeleter> wav(
        sf_open(QFile::encodeName(wavPath).constData(), SFM_READ, &info));
    if (!wav)
        throw AudioError(QStringLiteral("The sound file \"%1\" cannot be read: %2")
                             .arg(wavPath, QString::fromUtf8(sf_strerror(nullptr))));
    if (info.channels < 1 || info.channels > 2)
        throw AudioError(QStringLiteral("The sound file \"%1\" has %2 channels; the MP3 encoder "
                                        "takes one or two.")
                             .arg(wavPath)
                             .arg(info.channels));

    Mp3Writer writer(mp3Path, info.samplerate, info.channels, title, m_settings);
    constexpr int blockFrames = 1152;
    std::vector<short> pcm(size_t(blockFrames) * size_t(info.channels));
    const double total = info.frames > 0 ? double(info.frames) : 1.0;
    sf_count_t done = 0;
    for (;;) {
        const sf_count_t got = sf_readf_short(wav.get(), pcm.data(), blockFrames);
        if (got <= 0)
            break;
        done += got;
        writer.write(pcm.data(), size_t(got));
        if (betweenFrames && !betweenFrames(std::min(1.0, double(done) / total)))
            throw Cancelled();
    }
    if (sf_error(wav.get()) != SF_ERR_NO_ERROR)
        throw AudioError(QStringLiteral("The sound file \"%1\" cannot be read: %2")
                             .arg(wavPath, QString::fromUtf8(sf_strerror(wav.get()))));
    writer.finish();
}

QString titleFromText(const QString& text, int maxChars) {
    static const QRegularExpression tags(QStringLiteral("<[^>]*>"));
    QString plain = QString(text).replace(tags, QStringLiteral(" ")).simplified();
    // The pause commas the markup adds between runs say nothing.
    while (plain.endsWith(u',') || plain.endsWith(u' '))
        plain.chop(1);
    if (plain.size() <= maxChars)
        return plain;
    qsizetype cut = maxChars;
    if (plain.at(cut - 1).isHighSurrogate())
        --cut;
    const qsizetype space = plain.lastIndexOf(u' ', cut);
    if (space > 0)
        cut = space;
    QString title = plain.left(cut);
    while (title.endsWith(u',') || title.endsWith(u' '))
        title.chop(1);
    return title;
}

} // namespace lectern::audio
