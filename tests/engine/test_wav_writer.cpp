// WAV files written through libsndfile and read back with libsndfile.

#include "PcmConverter.h"
#include "SpeechEngine.h"
#include "WavFileWriter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sndfile.h>
#include <sys/mount.h>

#include <cmath>
#include <fstream>
#include <numbers>

using namespace lectern::engine;

namespace {

constexpr int kInputRate = 22050;

std::vector<int16_t> sine(double freq, double seconds, double amplitude = 12000.0) {
    std::vector<int16_t> s(size_t(seconds * kInputRate));
    for (size_t i = 0; i < s.size(); ++i)
        s[i] = int16_t(std::lround(amplitude *
                                   std::sin(2 * std::numbers::pi * freq * double(i) / kInputRate)));
    return s;
}

// Hands the samples over in uneven pieces, as the synthesiser does.
void writeInPieces(WavFileWriter& w, const std::vector<int16_t>& s, double gain = 1.0) {
    static const size_t pieces[] = {1, 997, 4410, 17, 30000};
    size_t done = 0;
    for (size_t i = 0; done < s.size(); ++i) {
        const size_t n = std::min(pieces[i % std::size(pieces)], s.size() - done);
        w.write(s.data() + done, n, gain);
        done += n;
    }
}

struct ReadBack {
    SF_INFO info{};
    std::vector<short> samples; // interleaved
    std::vector<uint8_t> raw;   // the data chunk's bytes, for 8-bit PCM
};

ReadBack readBack(const QString& path, bool withRaw = false) {
    ReadBack r;
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &r.info);
    if (!f)
        throw std::runtime_error(std::string("unreadable WAV: ") + sf_strerror(nullptr));
    if (withRaw) {
        r.raw.resize(size_t(r.info.frames * r.info.channels));
        r.raw.resize(size_t(sf_read_raw(f, r.raw.data(), sf_count_t(r.raw.size()))));
    } else {
        r.samples.resize(size_t(r.info.frames * r.info.channels));
        r.samples.resize(size_t(sf_readf_short(f, r.samples.data(), r.info.frames)) *
                         size_t(r.info.channels));
    }
    sf_close(f);
    return r;
}

// Frequency of one channel from its zero crossings.
double frequency(const ReadBack& r, int channel) {
    const int ch = r.info.channels;
    int crossings = 0;
    size_t first = 0, last = 0;
    for (size_t i = size_t(ch + channel); i < r.samples.size(); i += size_t(ch)) {
        const short a = r.samples[i - size_t(ch)], b = r.samples[i];
        if ((a < 0 && b >= 0) || (a >= 0 && b < 0)) {
            if (crossings++ == 0)
                first = i / size_t(ch);
            last = i / size_t(ch);
        }
    }
    if (crossings < 2)
        return 0;
    return (crossings - 1) / 2.0 / (double(last - first) / r.info.samplerate);
}

qint64 rssKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stoll(line.substr(6));
    }
    return -1;
}

} // namespace

class TestWavWriter : public QObject {
    Q_OBJECT

private slots:
    void formats_data();
    void formats();
    void silenceAndGain_data();
    void silenceAndGain();
    void silenceFollowsSpeechExactly();
    void refusedTypes_data();
    void refusedTypes();
    void uncreatablePaths();
    void fullDisk_data();
    void fullDisk();
    void fullDiskOnClose();
    void longExportKeepsMemoryFlat();
    void converterLayouts();
    void converterReusableAfterFlush();

private:
    QTemporaryDir m_dir;
};

void TestWavWriter::formats_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("subtype");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    // Codecs pad to whole blocks; allow for that on top of the resampling.
    QTest::addColumn<int>("blockFrames");
    QTest::newRow("PCM u8 8k mono") << 4 << int(SF_FORMAT_PCM_U8) << 8000 << 1 << 0;
    QTest::newRow("PCM u8 22k stereo, no resampling")
        << 21 << int(SF_FORMAT_PCM_U8) << 22050 << 2 << 0;
    QTest::newRow("PCM s16 22k mono, identity") << 22 << int(SF_FORMAT_PCM_16) << 22050 << 1 << 0;
    QTest::newRow("PCM s16 48k stereo") << 39 << int(SF_FORMAT_PCM_16) << 48000 << 2 << 0;
    QTest::newRow("default as 22k s16 mono") << -1 << int(SF_FORMAT_PCM_16) << 22050 << 1 << 0;
    QTest::newRow("A-law 8k stereo") << 42 << int(SF_FORMAT_ALAW) << 8000 << 2 << 0;
    QTest::newRow("mu-law 44k mono") << 55 << int(SF_FORMAT_ULAW) << 44100 << 1 << 0;
    QTest::newRow("ADPCM 22k stereo") << 62 << int(SF_FORMAT_MS_ADPCM) << 22050 << 2 << 4096;
    QTest::newRow("ADPCM 8k mono") << 57 << int(SF_FORMAT_MS_ADPCM) << 8000 << 1 << 1024;
    QTest::newRow("GSM 8k") << 65 << int(SF_FORMAT_GSM610) << 8000 << 1 << 640;
    QTest::newRow("GSM 44k") << 68 << int(SF_FORMAT_GSM610) << 44100 << 1 << 640;
}

// Header, length, pitch and the stream position of every writable kind.
void TestWavWriter::formats() {
    QFETCH(int, type);
    QFETCH(int, subtype);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(int, blockFrames);
    const QString path = m_dir.filePath(QStringLiteral("fmt%1.wav").arg(type));
    const double seconds = 3.0;
    const auto input = sine(440.0, seconds);

    WavFileWriter w(path, type, kInputRate);
    QVERIFY(w.isOpen());
    writeInPieces(w, input);
    w.close();
    QVERIFY(!w.isOpen());
    w.close(); // a second close changes nothing

    const ReadBack r = readBack(path);
    QCOMPARE(r.info.format & SF_FORMAT_TYPEMASK, SF_FORMAT_WAV);
    QCOMPARE(r.info.format & SF_FORMAT_SUBMASK, subtype);
    QCOMPARE(r.info.samplerate, rate);
    QCOMPARE(r.info.channels, channels);
    const double expected = seconds * rate;
    QVERIFY2(std::abs(double(r.info.frames) - expected) <= expected * 0.01 + blockFrames,
             qPrintable(QStringLiteral("%1 frames, expected %2").arg(r.info.frames).arg(expected)));
    for (int c = 0; c < channels; ++c) {
        const double f = frequency(r, c);
        QVERIFY2(std::abs(f - 440.0) < 440.0 * 0.02, qPrintable(QStringLiteral("%1 Hz").arg(f)));
    }

    // The stream position tracks the data written, whatever the coding.
    const qint64 dataBytes = QFileInfo(path).size();
    QVERIFY(w.bytesWritten() > 0);
    QVERIFY2(w.bytesWritten() <= dataBytes && dataBytes - w.bytesWritten() < 2200,
             qPrintable(QStringLiteral("%1 of %2").arg(w.bytesWritten()).arg(dataBytes)));
}

void TestWavWriter::silenceAndGain_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<bool>("useGain"); // gain 0 on a tone, or writeSilence
    QTest::newRow("s16 identity, gain 0") << 22 << true;
    QTest::newRow("s16 48k stereo, gain 0") << 39 << true;
    QTest::newRow("u8 11k, gain 0") << 8 << true;
    QTest::newRow("u8 22k, gain 0") << 20 << true;
    QTest::newRow("s16 identity, silence") << 22 << false;
    QTest::newRow("s16 48k stereo, silence") << 39 << false;
    QTest::newRow("u8 8k stereo, silence") << 5 << false;
    QTest::newRow("ADPCM 11k, silence") << 59 << false;
}

// Two seconds of silence, by gain 0 or writeSilence, is two seconds of
// exact digital zero (128 in 8-bit files).
void TestWavWriter::silenceAndGain() {
    QFETCH(int, type);
    QFETCH(bool, useGain);
    const QString path = m_dir.filePath(QStringLiteral("silence%1%2.wav").arg(type).arg(useGain));
    {
        WavFileWriter w(path, type, kInputRate);
        if (useGain)
            writeInPieces(w, sine(300.0, 2.0, 32767.0), 0.0);
        else
            w.writeSilence(2 * kInputRate);
        w.close();
    }
    const auto format = resolvedAudioFormat(type);
    const bool u8 = format->coding == SampleCoding::Pcm && format->bitsPerSample == 8;
    const ReadBack r = readBack(path, u8);
    QVERIFY(std::abs(double(r.info.frames) - 2.0 * format->sampleRate) <= 1024);
    if (u8) {
        QCOMPARE(r.raw.size(), size_t(r.info.frames * r.info.channels));
        QVERIFY(std::all_of(r.raw.begin(), r.raw.end(), [](uint8_t b) { return b == 128; }));
    } else {
        QCOMPARE(r.samples.size(), size_t(r.info.frames * r.info.channels));
        QVERIFY(std::all_of(r.samples.begin(), r.samples.end(), [](short s) { return s == 0; }));
    }
}

// Silence after speech starts where the speech ends: the resampler's held
// back tail comes first, and the total length is the sum of both.
void TestWavWriter::silenceFollowsSpeechExactly() {
    const QString path = m_dir.filePath("tail.wav");
    {
        WavFileWriter w(path, 38, kInputRate); // 48 kHz
        writeInPieces(w, sine(440.0, 1.0, 20000.0), 0.5);
        w.writeSilence(kInputRate);
        w.close();
    }
    const ReadBack r = readBack(path);
    QVERIFY(std::abs(r.info.frames - 96000) <= 2);
    // Gain 0.5 halves the tone.
    const auto peak = *std::max_element(r.samples.begin(), r.samples.begin() + 48000);
    QVERIFY2(std::abs(peak - 10000) < 150, qPrintable(QString::number(peak)));
    // Sound right up to the end of the first second, zeros shortly after it.
    QVERIFY(std::any_of(r.samples.begin() + 47800, r.samples.begin() + 48000,
                        [](short s) { return std::abs(s) > 1000; }));
    QVERIFY(
        std::all_of(r.samples.begin() + 48500, r.samples.end(), [](short s) { return s == 0; }));
}

void TestWavWriter::refusedTypes_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("named");
    QTest::newRow("no assigned format") << 0 << "SAFTNoAssignedFormat";
    QTest::newRow("text") << 1 << "SAFTText";
    QTest::newRow("non-standard") << 2 << "SAFTNonStandardFormat";
    QTest::newRow("extended") << 3 << "SAFTExtendedAudioFormat";
    QTest::newRow("TrueSpeech") << 40 << "SAFTTrueSpeech_8kHz1BitMono";
    QTest::newRow("past the table") << 69 << "69";
    QTest::newRow("before the table") << -2 << "-2";
}

void TestWavWriter::refusedTypes() {
    QFETCH(int, type);
    QFETCH(QString, named);
    QVERIFY(!WavFileWriter::acceptsType(type));
    const QString path = m_dir.filePath(QStringLiteral("refused%1.wav").arg(type));
    try {
        WavFileWriter w(path, type, kInputRate);
        QFAIL("a file was opened");
    } catch (const EngineError& e) {
        QVERIFY2(e.description().contains(named), qPrintable(e.description()));
    }
    QVERIFY(!QFile::exists(path));
}

void TestWavWriter::uncreatablePaths() {
    const QStringList paths = {m_dir.filePath("no such folder/speech.wav"), m_dir.path(),
                               QString()};
    for (const QString& path : paths) {
        try {
            WavFileWriter w(path, 22, kInputRate);
            QFAIL(qPrintable("opened " + path));
        } catch (const EngineError& e) {
            QVERIFY2(e.description().startsWith("Cannot create the file " + path + ": "),
                     qPrintable(e.description()));
            QVERIFY(e.description().size() >
                    QStringLiteral("Cannot create the file : ").size() + path.size());
        }
    }
}

void TestWavWriter::fullDisk_data() {
    QTest::addColumn<int>("type");
    QTest::addColumn<int>("seconds");
    QTest::newRow("PCM") << 22 << 10;
    QTest::newRow("u8 PCM") << 4 << 10;
    QTest::newRow("ADPCM") << 61 << 10;
    QTest::newRow("GSM") << 65 << 60;
}

// A disk that fills up is a failure, never a finished file.
void TestWavWriter::fullDisk() {
    QFETCH(int, type);
    QFETCH(int, seconds);
    QTemporaryDir mountPoint;
    if (::mount("tmpfs", QFile::encodeName(mountPoint.path()).constData(), "tmpfs", 0,
                "size=64k") != 0)
        QSKIP("cannot mount a small tmpfs here (needs root)");
    const auto cleanup = qScopeGuard([&] { ::umount(QFile::encodeName(mountPoint.path())); });

    const auto input = sine(440.0, seconds);
    bool failed = false;
    {
        WavFileWriter w(mountPoint.filePath("full.wav"), type, kInputRate);
        try {
            writeInPieces(w, input);
            w.close();
        } catch (const EngineError& e) {
            failed = true;
            QVERIFY2(e.description().contains("full.wav"), qPrintable(e.description()));
            QVERIFY_THROWS_EXCEPTION(EngineError, w.write(input.data(), 100));
        }
    }
    QVERIFY(failed);
}

// The codec's last, partial block only reaches the disk on close; a disk that
// is full by then must still make close() fail.
void TestWavWriter::fullDiskOnClose() {
    QTemporaryDir mountPoint;
    const QByteArray mp = QFile::encodeName(mountPoint.path());
    if (::mount("tmpfs", mp.constData(), "tmpfs", 0, "size=256k") != 0)
        QSKIP("cannot mount a small tmpfs here (needs root)");
    const auto cleanup = qScopeGuard([&] { ::umount(mp.constData()); });

    // ADPCM at 22 kHz mono, no resampling: 1012 frames fill one 512-byte block,
    // and libsndfile writes a full block once the next sample arrives.
    const QString path = mountPoint.filePath("last-block.wav");
    const auto block = sine(440.0, 1012.0 / kInputRate);
    WavFileWriter w(path, 61, kInputRate);
    const auto pageRoom = [&] { return (4096 - QFileInfo(path).size() % 4096) % 4096; };
    // Whole blocks until the file's last page has no room for another block.
    for (int i = 0; i < 9; ++i) {
        w.write(block.data(), block.size());
        if (pageRoom() >= 512 && pageRoom() < 1024)
            break;
    }
    w.write(block.data(), 500); // pushes out the full block, holds the rest
    QVERIFY(pageRoom() < 512);

    QFile filler(mountPoint.filePath("filler"));
    QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    const QByteArray page(4096, '\0');
    while (filler.write(page) == page.size()) {
    }
    filler.close();

    QVERIFY_THROWS_EXCEPTION(EngineError, w.close());
    w.close(); // a second close is harmless
}

// Half an hour streamed in small pieces: memory stays flat and the file is whole.
void TestWavWriter::longExportKeepsMemoryFlat() {
    const QString path = m_dir.filePath("long.wav");
    const auto piece = sine(440.0, 0.2);
    const int pieces = 30 * 60 * 5;
    qint64 before = 0;
    {
        WavFileWriter w(path, 59, kInputRate); // ADPCM 11 kHz: resampler and codec
        for (int i = 0; i < pieces; ++i) {
            w.write(piece.data(), piece.size());
            if (i == 10)
                before = rssKiB();
        }
        const qint64 growth = rssKiB() - before;
        QVERIFY2(growth < 20 * 1024, qPrintable(QStringLiteral("grew by %1 KiB").arg(growth)));
        w.close();
    }
    SF_INFO info{};
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    QVERIFY(f);
    sf_close(f);
    QVERIFY(std::abs(double(info.frames) - 30 * 60 * 11025.0) < 2048);
}

// The converter on its own, as the live stream uses it.
void TestWavWriter::converterLayouts() {
    const int16_t in[] = {0, 1000, -1000, 32767, -32768, 129, -129};
    const size_t n = std::size(in);
    std::vector<uint8_t> out;

    PcmConverter identity(kInputRate, {kInputRate, 1, PcmConverter::SampleType::S16});
    identity.convert(in, n, 1.0, out);
    QCOMPARE(out.size(), n * 2);
    QCOMPARE(std::memcmp(out.data(), in, n * 2), 0);

    out.clear();
    PcmConverter stereo(kInputRate, {kInputRate, 2, PcmConverter::SampleType::S16});
    stereo.convert(in, n, 0.5, out);
    std::vector<int16_t> s(out.size() / 2);
    std::memcpy(s.data(), out.data(), out.size());
    const std::vector<int16_t> halved = {0,     0,      500,    500, -500, -500, 16384,
                                         16384, -16384, -16384, 64,  64,   -64,  -64};
    QCOMPARE(s, halved); // rounds half to even, as nearbyint does
    QCOMPARE(stereo.outputFrames(), qint64(n));

    out.clear();
    PcmConverter u8(kInputRate, {kInputRate, 1, PcmConverter::SampleType::U8});
    u8.convert(in, n, 1.0, out);
    const std::vector<uint8_t> bytes = {128, 132, 124, 255, 0, 129, 127};
    QCOMPARE(out, bytes);

    // Out-of-range gains are clamped rather than trusted.
    out.clear();
    identity.convert(in, n, 7.0, out);
    QCOMPARE(std::memcmp(out.data(), in, n * 2), 0);
    out.clear();
    identity.convert(in, n, std::nan(""), out);
    QVERIFY(std::all_of(out.begin(), out.end(), [](uint8_t b) { return b == 0; }));

    const auto def = pcmTargetForType(SAFTDefault);
    QVERIFY(def && def->sampleRate == 22050 && def->channels == 1 &&
            def->sampleType == PcmConverter::SampleType::S16);
    QVERIFY(!pcmTargetForType(3) && !pcmTargetForType(40) && !pcmTargetForType(41));
}

void TestWavWriter::converterReusableAfterFlush() {
    const auto tone = sine(1000.0, 0.5);
    PcmConverter c(kInputRate, {44100, 1, PcmConverter::SampleType::S16});
    std::vector<uint8_t> first, second;
    c.convert(tone.data(), tone.size(), 1.0, first);
    c.flush(first);
    c.convert(tone.data(), tone.size(), 1.0, second);
    c.flush(second);
    QCOMPARE(first.size(), size_t(44100)); // half a second, two bytes a frame
    QVERIFY(first == second);
    QCOMPARE(c.outputFrames(), qint64(44100));
}

QTEST_GUILESS_MAIN(TestWavWriter)
#include "test_wav_writer.moc"
