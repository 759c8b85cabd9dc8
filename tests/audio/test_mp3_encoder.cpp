// The MP3 encoder over real files; the results are read back by sox, which
// knows nothing of how they were made.

#include "AudioError.h"
#include "Mp3Encoder.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sndfile.h>

#include <cmath>
#include <vector>

using namespace lectern::audio;

namespace {

// A tone of `seconds` in the given libsndfile format.
void writeTone(const QString& path, int rate, int channels, int format, double seconds) {
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    QVERIFY2(f, sf_strerror(nullptr));
    const int frames = int(rate * seconds);
    std::vector<short> pcm(size_t(frames) * size_t(channels));
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            pcm[size_t(i * channels + c)] = short(8000 * std::sin(2 * M_PI * 440 * i / rate));
    sf_writef_short(f, pcm.data(), frames);
    sf_close(f);
}

QString soxi(const QString& option, const QString& path) {
    QProcess p;
    p.start(QStringLiteral("soxi"), {option, path});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

} // namespace

class Mp3EncoderTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

private slots:
    void encodesAnyWavAs44kHzJointStereo128_data() {
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("format");
        QTest::newRow("22 kHz 16-bit mono") << 22050 << 1 << (SF_FORMAT_WAV | SF_FORMAT_PCM_16);
        QTest::newRow("8 kHz 8-bit stereo") << 8000 << 2 << (SF_FORMAT_WAV | SF_FORMAT_PCM_U8);
        QTest::newRow("11 kHz A-law mono") << 11025 << 1 << (SF_FORMAT_WAV | SF_FORMAT_ALAW);
        QTest::newRow("8 kHz GSM mono") << 8000 << 1 << (SF_FORMAT_WAV | SF_FORMAT_GSM610);
        QTest::newRow("48 kHz 16-bit stereo") << 48000 << 2 << (SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    }
    void encodesAnyWavAs44kHzJointStereo128() {
        QFETCH(int, rate);
        QFETCH(int, channels);
        QFETCH(int, format);
        const QString wav = path("in.wav"), mp3 = path("out.mp3");
        writeTone(wav, rate, channels, format, 6.0);
        Mp3Encoder().encode(wav, mp3, QString());
        QCOMPARE(soxi(QStringLiteral("-r"), mp3), QStringLiteral("44100"));
        QCOMPARE(soxi(QStringLiteral("-c"), mp3), QStringLiteral("2"));
        QCOMPARE(soxi(QStringLiteral("-B"), mp3), QStringLiteral("128k"));
        const double seconds = soxi(QStringLiteral("-D"), mp3).toDouble();
        QVERIFY2(std::abs(seconds - 6.0) < 0.3, qPrintable(QString::number(seconds)));
        // Constant 128 kbit/s: the size follows from the length.
        const double expected = 6.0 * 128000 / 8;
        QVERIFY(std::abs(QFileInfo(mp3).size() - expected) < expected * 0.05);
    }

    // The bytes follow from the samples alone, not from how they came in.
    void sameBytesHoweverTheSamplesAreCut_data() {
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::newRow("22 kHz mono, resampled") << 22050 << 1;
        QTest::newRow("44 kHz stereo, as it is") << 44100 << 2;
    }
    void sameBytesHoweverTheSamplesAreCut() {
        QFETCH(int, rate);
        QFETCH(int, channels);
        std::vector<int16_t> pcm(size_t(rate) * 3 * size_t(channels));
        for (size_t i = 0; i < pcm.size(); ++i)
            pcm[i] = int16_t(9000 * std::sin(double(i) * i * 1e-7) + int(i * 7919 % 1000));
        const size_t frames = pcm.size() / size_t(channels);
        auto encodeCut = [&](const char* name, size_t piece) {
            Mp3Writer writer(path(name), rate, channels, QStringLiteral("t"));
            for (size_t done = 0; done < frames; done += piece)
                writer.write(pcm.data() + done * size_t(channels), std::min(piece, frames - done));
            writer.finish();
            QFile f(path(name));
            return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        };
        const QByteArray whole = encodeCut("whole.mp3", frames);
        QVERIFY(whole.size() > 3 * 128000 / 8 * 9 / 10);
        QVERIFY(whole == encodeCut("ones.mp3", 1));
        QVERIFY(whole == encodeCut("odd.mp3", 4097));
    }

    void titleTagKeepsChinese() {
        const QString wav = path("t.wav"), mp3 = path("t.mp3");
        writeTone(wav, 22050, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1.0);
        Mp3Encoder().encode(wav, mp3, QStringLiteral("Hello 你好"));
        QFile f(mp3);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray head = f.read(200);
        QVERIFY(head.startsWith("ID3"));
        QVERIFY(head.contains("TIT2"));
        // UTF-16 little-endian after its byte-order mark.
        const QString title = QStringLiteral("Hello 你好");
        const QByteArray utf16(reinterpret_cast<const char*>(title.utf16()), title.size() * 2);
        QVERIFY(head.contains(QByteArray("\xff\xfe") + utf16));
    }

    void stopsWhenAskedAndReportsProgress() {
        const QString wav = path("c.wav"), mp3 = path("c.mp3");
        writeTone(wav, 22050, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 5.0);
        QList<double> seen;
        QVERIFY_THROWS_EXCEPTION(Cancelled, Mp3Encoder().encode(wav, mp3, {}, [&](double done) {
            seen << done;
            return done < 0.5;
        }));
        QVERIFY(seen.size() > 10);
        QVERIFY(std::is_sorted(seen.begin(), seen.end()));
        QVERIFY(seen.last() >= 0.5 && seen.last() < 0.6);
    }

    void failuresCarryADescription_data() {
        QTest::addColumn<QString>("wav");
        QTest::addColumn<QString>("mp3");
        QTest::addColumn<QString>("mentions");
        QTest::newRow("missing input") << QStringLiteral("missing.wav") << QStringLiteral("x.mp3")
                                       << QStringLiteral("missing.wav");
        QTest::newRow("not a sound file")
            << QStringLiteral("text.wav") << QStringLiteral("x.mp3") << QStringLiteral("text.wav");
        QTest::newRow("unwritable output")
            << QStringLiteral("ok.wav") << QStringLiteral("no/such/folder/x.mp3")
            << QStringLiteral("x.mp3");
    }
    void failuresCarryADescription() {
        QFETCH(QString, wav);
        QFETCH(QString, mp3);
        QFETCH(QString, mentions);
        writeTone(path("ok.wav"), 8000, 1, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 0.5);
        QFile text(path("text.wav"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("not sound at all");
        text.close();
        try {
            Mp3Encoder().encode(dir.filePath(wav), dir.filePath(mp3), {});
            QFAIL("no failure");
        } catch (const AudioError& e) {
            QVERIFY2(e.description().contains(mentions), qPrintable(e.description()));
        }
    }

    void titleIsTheFirstWords_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("max");
        QTest::addColumn<QString>("title");
        QTest::newRow("markup dropped")
            << QStringLiteral("<VOICE REQUIRED=\" NAME=x\"><rate speed=\"0\">Hello</rate></VOICE>"
                              "<silence msec=\"0\"/>, <VOICE>你好</VOICE>, ")
            << 60 << QStringLiteral("Hello , 你好");
        QTest::newRow("cut at a word")
            << QStringLiteral("one two three four") << 12 << QStringLiteral("one two");
        QTest::newRow("word ending at the limit")
            << QStringLiteral("one two three four") << 13 << QStringLiteral("one two three");
        QTest::newRow("no blanks: cut at the limit")
            << QStringLiteral("天地玄黃宇宙洪荒日月盈昃") << 4 << QStringLiteral("天地玄黃");
        QTest::newRow("surrogate pair kept whole")
            << (QStringLiteral("ab") + QString::fromUcs4(U"\U00020000") + QStringLiteral("cd")) << 3
            << QStringLiteral("ab");
        QTest::newRow("only markup")
            << QStringLiteral("<silence msec=\"500\"/>") << 60 << QString();
    }
    void titleIsTheFirstWords() {
        QFETCH(QString, text);
        QFETCH(int, max);
        QFETCH(QString, title);
        QCOMPARE(titleFromText(text, max), title);
    }
};

QTEST_GUILESS_MAIN(Mp3EncoderTest)
#include "test_mp3_encoder.moc"
