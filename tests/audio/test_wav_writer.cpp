// WAV files written through libsndfile and read back with libsndfile.

#include "AudioError.h"
#include "PcmConverter.h"
#include "WavFileWriter.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sndfile.h>
#include <sys/mount.h>

#include <cmath>
#include <fstream>
#include <numbers>

using namespace lectern::audio;

namespace {

constexpr int kRate = 22050;

std::vector<int16_t> sine(double freq, double seconds, double amplitude = 12000.0) {
    std::vector<int16_t> s(size_t(seconds * kRate));
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = int16_t(std::lround(amplitude * std::sin(2 * std::numbers::pi * freq * i / kRate)));
    return s;
}

// Uneven pieces, as the synthesiser hands them over.
void writeInPieces(WavFileWriter& w, const std::vector<int16_t>& s, double gain = 1.0) {
    static const size_t pieces[] = {1, 997, 4410, 17, 30000};
    for (size_t i = 0, done = 0; done < s.size(); ++i) {
        const size_t n = std::min(pieces[i % std::size(pieces)], s.size() - done);
        w.write(s.data() + done, n, gain);
        done += n;
    }
}

// Interleaved samples; libsndfile reads 8-bit 128 as 0, so 0 is silence in both.
std::vector<short> readBack(const QString& path, SF_INFO& info) {
    info = {};
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!f)
        return {};
    std::vector<short> s(size_t(info.frames * info.channels));
    s.resize(size_t(sf_readf_short(f, s.data(), info.frames) * info.channels));
    sf_close(f);
    return s;
}

// Frequency of one channel from its zero crossings.
double frequency(const std::vector<short>& s, const SF_INFO& info, int channel) {
    const size_t ch = size_t(info.channels);
    int crossings = 0;
    size_t first = 0, last = 0;
    for (size_t i = ch + size_t(channel); i < s.size(); i += ch) {
        if ((s[i - ch] < 0) != (s[i] < 0)) {
            if (crossings++ == 0)
                first = i / ch;
            last = i / ch;
        }
    }
    return crossings < 2 ? 0 : (crossings - 1) / 2.0 * info.samplerate / double(last - first);
}

qint64 rssKiB() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stoll(line.substr(6));
    }
    return -1;
}

bool allZero(const std::vector<short>& s) {
    return std::all_of(s.begin(), s.end(), [](short v) { return v == 0; });
}

} // namespace

class TestWavWriter : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void formats_data() {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("subtype");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("blockFrames"); // codecs pad to whole blocks
        QTest::newRow("u8 8k mono") << 4 << int(SF_FORMAT_PCM_U8) << 8000 << 1 << 0;
        QTest::newRow("u8 22k stereo") << 21 << int(SF_FORMAT_PCM_U8) << 22050 << 2 << 0;
        QTest::newRow("s16 22k mono") << 22 << int(SF_FORMAT_PCM_16) << 22050 << 1 << 0;
        QTest::newRow("s16 48k stereo") << 39 << int(SF_FORMAT_PCM_16) << 48000 << 2 << 0;
        QTest::newRow("default") << -1 << int(SF_FORMAT_PCM_16) << 22050 << 1 << 0;
        QTest::newRow("A-law 8k stereo") << 42 << int(SF_FORMAT_ALAW) << 8000 << 2 << 0;
        QTest::newRow("mu-law 44k") << 55 << int(SF_FORMAT_ULAW) << 44100 << 1 << 0;
        QTest::newRow("ADPCM 22k stereo") << 62 << int(SF_FORMAT_MS_ADPCM) << 22050 << 2 << 4096;
        QTest::newRow("ADPCM 8k") << 57 << int(SF_FORMAT_MS_ADPCM) << 8000 << 1 << 1024;
        QTest::newRow("GSM 8k") << 65 << int(SF_FORMAT_GSM610) << 8000 << 1 << 640;
        QTest::newRow("GSM 44k") << 68 << int(SF_FORMAT_GSM610) << 44100 << 1 << 640;
    }

    // Header, length, pitch and stream position of every kind of file.
    void formats() {
        QFETCH(int, type);
        QFETCH(int, subtype);
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(int, blockFrames);
        const QString path = m_dir.filePath(QStringLiteral("fmt%1.wav").arg(type));
        WavFileWriter w(path, type, kRate);
        writeInPieces(w, sine(440.0, 3.0));
        w.close();
        QVERIFY(!w.isOpen());
        w.close();

        SF_INFO info;
        const auto s = readBack(path, info);
        QCOMPARE(info.format, SF_FORMAT_WAV | subtype);
        QCOMPARE(info.samplerate, rate);
        QCOMPARE(info.channels, channels);
        QVERIFY2(std::abs(info.frames - 3.0 * rate) <= 3.0 * rate * 0.01 + blockFrames,
                 qPrintable(QString::number(info.frames)));
        for (int c = 0; c < channels; ++c) {
            const double f = frequency(s, info, c);
            QVERIFY2(std::abs(f - 440.0) < 440.0 * 0.02, qPrintable(QString::number(f)));
        }
        // Level, away from the edges and the codecs' padding; both channels alike.
        double sum = 0;
        for (int i = rate / 2; i < rate * 5 / 2; ++i) {
            const short v = s[size_t(i * channels)];
            QVERIFY(channels == 1 || v == s[size_t(i * channels + 1)]);
            sum += double(v) * v;
        }
        const double rms = std::sqrt(sum / (2.0 * rate));
        QVERIFY2(std::abs(rms / (12000 / std::sqrt(2.0)) - 1) < 0.03,
                 qPrintable(QString::number(rms)));
        const qint64 size = QFileInfo(path).size();
        QVERIFY2(w.bytesWritten() > 0 && w.bytesWritten() <= size && size - w.bytesWritten() < 2200,
                 qPrintable(QStringLiteral("%1 of %2").arg(w.bytesWritten()).arg(size)));
    }

    // Gain 0 and writeSilence give exact digital silence of the right length.
    void silence() {
        for (int type : {22, 39, 8, 5, 59}) {
            for (bool byGain : {true, false}) {
                const QString path =
                    m_dir.filePath(QStringLiteral("quiet%1%2.wav").arg(type).arg(byGain));
                WavFileWriter w(path, type, kRate);
                if (byGain)
                    writeInPieces(w, sine(300.0, 2.0, 32767.0), 0.0);
                else
                    w.writeSilence(2 * kRate);
                w.close();
                SF_INFO info;
                const auto s = readBack(path, info);
                const QByteArray what = QByteArray::number(type) + (byGain ? " gain" : " silence");
                QVERIFY2(std::abs(info.frames - 2 * info.samplerate) <= 1024, what);
                QVERIFY2(!s.empty() && allZero(s), what);
            }
        }
    }

    // Silence after speech starts where the speech ends: the resampler's held
    // back tail comes first, and the length is the sum of both.
    void silenceFollowsSpeech() {
        const QString path = m_dir.filePath("tail.wav");
        WavFileWriter w(path, 38, kRate); // 48 kHz
        writeInPieces(w, sine(440.0, 1.0, 20000.0), 0.5);
        w.writeSilence(kRate);
        w.close();
        SF_INFO info;
        const auto s = readBack(path, info);
        QVERIFY(std::abs(info.frames - 96000) <= 2);
        const short peak = *std::max_element(s.begin(), s.begin() + 48000);
        QVERIFY2(std::abs(peak - 10000) < 150, qPrintable(QString::number(peak)));
        QVERIFY(std::any_of(s.begin() + 47800, s.begin() + 48000,
                            [](short v) { return std::abs(v) > 1000; }));
        QVERIFY(allZero({s.begin() + 48500, s.end()}));
    }

    void refusedTypes() {
        const std::pair<int, QString> refused[] = {{0, "SAFTNoAssignedFormat"},
                                                   {3, "SAFTExtendedAudioFormat"},
                                                   {40, "SAFTTrueSpeech_8kHz1BitMono"},
                                                   {69, "69"},
                                                   {-2, "-2"}};
        for (const auto& [type, name] : refused) {
            QVERIFY(!WavFileWriter::acceptsType(type));
            const QString path = m_dir.filePath(QStringLiteral("refused%1.wav").arg(type));
            try {
                WavFileWriter w(path, type, kRate);
                QFAIL("a refused type was opened");
            } catch (const AudioError& e) {
                QVERIFY2(e.description().contains(name), qPrintable(e.description()));
            }
            QVERIFY(!QFile::exists(path));
        }
    }

    void uncreatablePaths() {
        for (const QString& path :
             {m_dir.filePath("missing/speech.wav"), m_dir.path(), QString()}) {
            const QString head = "Cannot create the file " + path + ": ";
            try {
                WavFileWriter w(path, 22, kRate);
                QFAIL(qPrintable("opened " + path));
            } catch (const AudioError& e) {
                QVERIFY2(e.description().startsWith(head) && e.description().size() > head.size(),
                         qPrintable(e.description()));
            }
        }
    }

    // A disk that fills up is a failure, never a finished file: while writing,
    // and when only the codec's last block, written on close, no longer fits.
    void fullDisk() {
        QTemporaryDir mountPoint;
        const QByteArray mp = QFile::encodeName(mountPoint.path());
        if (::mount("tmpfs", mp.constData(), "tmpfs", 0, "size=128k") != 0)
            QSKIP("cannot mount a small tmpfs here (needs root)");
        const auto unmount = qScopeGuard([&] { ::umount(mp.constData()); });

        {
            WavFileWriter w(mountPoint.filePath("big.wav"), 22, kRate);
            const auto tone = sine(440.0, 10.0);
            try {
                writeInPieces(w, tone);
                QFAIL("10 s of audio fitted into 128 KiB");
            } catch (const AudioError& e) {
                QVERIFY2(e.description().contains("big.wav") && e.description().contains("space"),
                         qPrintable(e.description()));
            }
            QVERIFY_THROWS_EXCEPTION(AudioError, w.write(tone.data(), 100));
            QVERIFY_THROWS_EXCEPTION(AudioError, w.close());
        }
        QVERIFY(QFile::remove(mountPoint.filePath("big.wav")));

        // ADPCM 22 kHz mono: 1012 frames make a 512-byte block, which libsndfile
        // writes once the next sample arrives. Leave the last page too small
        // for one more block, then fill the disk.
        const QString path = mountPoint.filePath("last-block.wav");
        const auto block = sine(440.0, 1012.0 / kRate);
        WavFileWriter w(path, 61, kRate);
        const auto pageRoom = [&] { return (4096 - QFileInfo(path).size() % 4096) % 4096; };
        for (int i = 0; i < 9 && !(pageRoom() >= 512 && pageRoom() < 1024); ++i)
            w.write(block.data(), block.size());
        w.write(block.data(), 500);
        QVERIFY(pageRoom() < 512);
        QFile filler(mountPoint.filePath("filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(4096, '\0')) == 4096) {
        }
        QVERIFY_THROWS_EXCEPTION(AudioError, w.close());
    }

    // Half an hour streamed in small pieces: memory stays flat, the file is whole.
    void longExport() {
        const QString path = m_dir.filePath("long.wav");
        const auto piece = sine(440.0, 0.2);
        qint64 before = 0;
        {
            WavFileWriter w(path, 59, kRate); // ADPCM 11 kHz: resampler and codec
            for (int i = 0; i < 30 * 60 * 5; ++i) {
                w.write(piece.data(), piece.size());
                if (i == 10)
                    before = rssKiB();
            }
            QVERIFY2(rssKiB() - before < 20 * 1024, qPrintable(QString::number(rssKiB() - before)));
        }
        SF_INFO info{};
        SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
        QVERIFY(f);
        sf_close(f);
        QVERIFY(std::abs(info.frames - 30 * 60 * 11025.0) < 2048);
    }

    // The converter on its own, as the live stream uses it.
    void converter() {
        const int16_t in[] = {0, 1000, -1000, 32767, -32768, 129, -129};
        const size_t n = std::size(in);
        using T = PcmConverter::SampleType;
        std::vector<uint8_t> out;

        PcmConverter identity(kRate, {kRate, 1, T::S16});
        identity.convert(in, n, 1.0, out);
        QVERIFY(out.size() == n * 2 && std::memcmp(out.data(), in, n * 2) == 0);
        out.clear();
        identity.convert(in, n, 7.0, out); // gain is at most 1
        QVERIFY(out.size() == n * 2 && std::memcmp(out.data(), in, n * 2) == 0);

        out.clear();
        PcmConverter stereo(kRate, {kRate, 2, T::S16});
        stereo.convert(in, n, 0.5, out);
        std::vector<int16_t> s(out.size() / 2);
        std::memcpy(s.data(), out.data(), out.size());
        const std::vector<int16_t> halved = {0,     0,      500,    500, -500, -500, 16384,
                                             16384, -16384, -16384, 64,  64,   -64,  -64};
        QCOMPARE(s, halved);

        out.clear();
        PcmConverter u8(kRate, {kRate, 1, T::U8});
        u8.convert(in, n, 1.0, out);
        QCOMPARE(out, (std::vector<uint8_t>{128, 132, 124, 255, 0, 129, 127}));

        // Flushing empties the resampler and leaves it ready for a fresh run.
        const auto tone = sine(1000.0, 0.5);
        PcmConverter up(kRate, {44100, 1, T::S16});
        std::vector<uint8_t> first, second;
        for (auto* o : {&first, &second}) {
            up.convert(tone.data(), tone.size(), 1.0, *o);
            up.flush(*o);
        }
        QCOMPARE(first.size(), size_t(44100));
        QVERIFY(first == second);
        QCOMPARE(up.outputFrames(), qint64(44100));

        const auto def = pcmTargetForType(SAFTDefault);
        QVERIFY(def && def->sampleRate == 22050 && def->channels == 1 && def->sampleType == T::S16);
        QVERIFY(!pcmTargetForType(3) && !pcmTargetForType(40) && !pcmTargetForType(41));
    }
};

QTEST_GUILESS_MAIN(TestWavWriter)
#include "test_wav_writer.moc"
