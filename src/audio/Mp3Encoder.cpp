#include "Mp3Encoder.h"

#include "AudioError.h"

#include <QFile>
#include <QRegularExpression>

#include <lame/lame.h>
#include <sndfile.h>

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

void writeAll(QFile& out, const unsigned char* data, int size) {
    if (size < 0)
        throw AudioError(QStringLiteral("The MP3 encoder failed (LAME error %1).").arg(size));
    if (size > 0 && out.write(reinterpret_cast<const char*>(data), size) != size)
        throw AudioError(QStringLiteral("The MP3 file \"%1\" could not be written: %2")
                             .arg(out.fileName(), out.errorString()));
}

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

} // namespace

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

    std::unique_ptr<lame_global_flags, LameDeleter> flags(lame_init());
    if (!flags)
        throw AudioError(QStringLiteral("The MP3 encoder could not be started."));
    // LAME writes mono for one input channel whatever the mode; mono speech
    // goes in as two equal channels, which joint stereo stores almost free.
    lame_set_num_channels(flags.get(), 2);
    lame_set_in_samplerate(flags.get(), info.samplerate);
    lame_set_out_samplerate(flags.get(), m_settings.sampleRate);
    lame_set_mode(flags.get(), JOINT_STEREO);
    lame_set_VBR(flags.get(), vbr_off);
    lame_set_brate(flags.get(), m_settings.bitRate);
    lame_set_quality(flags.get(), m_settings.quality);
    // A constant rate needs no seek table; the file is then complete as
    // streamed, with nothing to patch at its start.
    lame_set_bWriteVbrTag(flags.get(), 0);
    setTitle(flags.get(), title);
    if (lame_init_params(flags.get()) < 0)
        throw AudioError(QStringLiteral("The MP3 encoder refused its settings (%1 Hz, %2 kbit/s).")
                             .arg(m_settings.sampleRate)
                             .arg(m_settings.bitRate));

    QFile out(mp3Path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw AudioError(QStringLiteral("The MP3 file \"%1\" cannot be created: %2")
                             .arg(mp3Path, out.errorString()));

    constexpr int blockFrames = 1152;
    std::vector<short> pcm(size_t(blockFrames) * size_t(info.channels));
    std::vector<unsigned char> mp3(size_t(blockFrames) * 5 / 4 + 7200);
    const double total = info.frames > 0 ? double(info.frames) : 1.0;
    sf_count_t done = 0;
    for (;;) {
        const sf_count_t got = sf_readf_short(wav.get(), pcm.data(), blockFrames);
        if (got <= 0)
            break;
        done += got;
        const int n = info.channels == 1
                          ? lame_encode_buffer(flags.get(), pcm.data(), pcm.data(), int(got),
                                               mp3.data(), int(mp3.size()))
                          : lame_encode_buffer_interleaved(flags.get(), pcm.data(), int(got),
                                                           mp3.data(), int(mp3.size()));
        writeAll(out, mp3.data(), n);
        if (betweenFrames && !betweenFrames(std::min(1.0, double(done) / total)))
            throw Cancelled();
    }
    if (sf_error(wav.get()) != SF_ERR_NO_ERROR)
        throw AudioError(QStringLiteral("The sound file \"%1\" cannot be read: %2")
                             .arg(wavPath, QString::fromUtf8(sf_strerror(wav.get()))));
    writeAll(out, mp3.data(), lame_encode_flush(flags.get(), mp3.data(), int(mp3.size())));
    if (!out.flush() || out.error() != QFileDevice::NoError)
        throw AudioError(QStringLiteral("The MP3 file \"%1\" could not be written: %2")
                             .arg(mp3Path, out.errorString()));
    out.close();
    if (out.error() != QFileDevice::NoError)
        throw AudioError(QStringLiteral("The MP3 file \"%1\" could not be written: %2")
                             .arg(mp3Path, out.errorString()));
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
