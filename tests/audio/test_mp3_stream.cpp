// MP3 encoding while the sound is still being made: the file must equal the
// one encoded afterwards from a WAV file of the same type, and the thread
// that feeds the encoder must never be left waiting on it.

#include "AudioError.h"
#include "AudioFormats.h"
#include "FileFaults.h"
#include "Mp3Encoder.h"
#include "Mp3Stream.h"
#include "WavFileWriter.h"

#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <cmath>
#include <csignal>
#include <sys/resource.h>
#include <thread>
#include <vector>

using namespace lectern::audio;

namespace {

constexpr int kSynthRate = 22050;

// Something like speech: a gliding tone with noise, loud enough to clip
// at full gain.
std::vector<int16_t> voiceLike(double seconds) {
    std::vector<int16_t> s(size_t(seconds * kSynthRate));
    uint32_t noise = 1;
    for (size_t i = 0; i < s.size(); ++i) {
        noise = noise * 1664525u + 1013904223u;
        const double t = double(i) / kSynthRate;
        const double v = 30000 * std::sin(2 * M_PI * (200 + 300 * t) * t) +
                         3000 * (double(noise >> 16) / 32768.0 - 1.0);
        s[i] = int16_t(std::clamp(v, -32768.0, 32767.0));
    }
    return s;
}

// Feeds a writer the way the engine does: uneven pieces, a gain, silence.
void speak(SoundWriter& writer, const std::vector<int16_t>& samples) {
    const size_t cuts[] = {1, 882, 7, 4096, 17000, 300};
    size_t done = 0;
    for (int i = 0; done < samples.size(); ++i) {
        const size_t n = std::min(cuts[i % 6], samples.size() - done);
        writer.write(samples.data() + done, n, i % 3 == 0 ? 0.7 : 1.0);
        done += n;
        if (i == 5)
            writer.writeSilence(5000);
    }
    writer.close();
}

} // namespace

class Mp3StreamTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

private slots:
    void sameFileAsEncodingTheWavAfterwards_data() {
        QTest::addColumn<QString>("format");
        QTest::newRow("22 kHz 16-bit mono") << QStringLiteral("SAFT22kHz16BitMono");
        QTest::newRow("8 kHz 8-bit mono") << QStringLiteral("SAFT8kHz8BitMono");
        QTest::newRow("11 kHz 8-bit stereo") << QStringLiteral("SAFT11kHz8BitStereo");
        QTest::newRow("44 kHz 16-bit stereo") << QStringLiteral("SAFT44kHz16BitStereo");
        QTest::newRow("48 kHz 16-bit mono") << QStringLiteral("SAFT48kHz16BitMono");
    }
    void sameFileAsEncodingTheWavAfterwards() {
        QFETCH(QString, format);
        const int type = *audioFormatValue(format);
        QVERIFY(Mp3SoundWriter::acceptsType(type));
        const std::vector<int16_t> samples = voiceLike(4.0);
        const QString title = QStringLiteral("Hello 你好");

        WavFileWriter wav(path("a.wav"), type, kSynthRate);
        speak(wav, samples);
        Mp3Encoder().encode(path("a.wav"), path("after.mp3"), title);

        Mp3SoundWriter streamed(path("streamed.mp3"), title, type, kSynthRate);
        QCOMPARE(streamed.bytesWritten(), 0);
        speak(streamed, samples);
        QVERIFY(streamed.encoder()->waitUntilOver(30000));
        QCOMPARE(streamed.encoder()->failure(), QString());
        // Word positions point into the sound as they would into the WAV file.
        QCOMPARE(streamed.bytesWritten(), wav.bytesWritten());

        const QByteArray after = contents(path("after.mp3"));
        QVERIFY(after.size() > 4 * 128000 / 8 * 9 / 10);
        QVERIFY(after == contents(path("streamed.mp3")));
    }

    void codecTypesAreLeftToTheFile_data() {
        QTest::addColumn<QString>("format");
        QTest::newRow("A-law") << QStringLiteral("SAFTCCITT_ALaw_22kHzMono");
        QTest::newRow("ADPCM") << QStringLiteral("SAFTADPCM_11kHzMono");
        QTest::newRow("GSM") << QStringLiteral("SAFTGSM610_8kHzMono");
    }
    void codecTypesAreLeftToTheFile() {
        QFETCH(QString, format);
        const int type = *audioFormatValue(format);
        QVERIFY(!Mp3SoundWriter::acceptsType(type));
        QVERIFY_THROWS_EXCEPTION(AudioError,
                                 Mp3SoundWriter(path("codec.mp3"), {}, type, kSynthRate));
    }

    // A full disk: the feeding side hears of it with the encoder's own words
    // and is never left waiting, however much it still has to give.
    void failureReachesTheFeeder() {
        const std::vector<int16_t> second(kSynthRate, 1000);
        Mp3StreamEncoder encoder(path("full.mp3"), kSynthRate, 1, {});
        QString heard;
        {
            FileSizeLimit full(30000);
            try {
                for (int i = 0; i < 600; ++i)
                    encoder.write(second.data(), second.size());
            } catch (const AudioError& e) {
                heard = e.description();
            }
            QVERIFY(encoder.waitUntilOver(30000));
        }
        QVERIFY2(heard.contains(QStringLiteral("MP3")), qPrintable(heard));
        QCOMPARE(encoder.failure(), heard);
    }

    void stopReleasesAWaitingFeeder() {
        Mp3StreamEncoder encoder(path("stopped.mp3"), kSynthRate, 2, {});
        std::atomic<bool> refused = false;
        std::atomic<int> written = 0;
        std::thread feeder([&] {
            const std::vector<int16_t> second(size_t(kSynthRate) * 2, 1000);
            try {
                for (;;) {
                    encoder.write(second.data(), kSynthRate);
                    ++written;
                }
            } catch (const AudioError&) {
                refused = true;
            }
        });
        QTRY_VERIFY(written > 3);
        encoder.stop();
        feeder.join();
        QVERIFY(refused);
    }
};

QTEST_GUILESS_MAIN(Mp3StreamTest)
#include "test_mp3_stream.moc"
