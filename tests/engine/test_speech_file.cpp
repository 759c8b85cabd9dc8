// Speech rendered into WAV files by the real synthesiser, then measured:
// length, loudness and silences tell whether markup really took effect.
#include "AudioFormats.h"
#include "SpeechEngine.h"

#include <sndfile.h>

#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <cmath>

using namespace lectern::engine;
using namespace lectern::audio;

namespace {

struct Sound {
    int rate = 0;
    int channels = 0;
    int format = 0;
    std::vector<float> samples; // first channel
    double seconds() const { return rate ? double(samples.size()) / rate : 0; }
    double rms(size_t from = 0, size_t to = SIZE_MAX) const {
        to = std::min(to, samples.size());
        double sum = 0;
        for (size_t i = from; i < to; ++i)
            sum += double(samples[i]) * samples[i];
        return to > from ? std::sqrt(sum / double(to - from)) : 0;
    }
    // Longest run of exact zeros, in seconds.
    double longestSilence() const {
        size_t best = 0, run = 0;
        for (float s : samples) {
            run = s == 0.f ? run + 1 : 0;
            best = std::max(best, run);
        }
        return double(best) / rate;
    }
};

Sound readSound(const QString& path) {
    Sound s;
    SF_INFO info{};
    SNDFILE* f = sf_open(path.toLocal8Bit().constData(), SFM_READ, &info);
    if (!f)
        return s;
    s.rate = info.samplerate;
    s.channels = info.channels;
    s.format = info.format;
    std::vector<float> all(size_t(info.frames) * size_t(info.channels));
    sf_readf_float(f, all.data(), info.frames);
    sf_close(f);
    for (size_t i = 0; i < all.size(); i += size_t(info.channels))
        s.samples.push_back(all[i]);
    return s;
}

// Fundamental frequency every 10 ms (0 where unvoiced): normalised
// autocorrelation over 40 ms, refined between lags.
std::vector<double> f0Track(const Sound& s) {
    // The low harmonics carry the pitch; the highs only move the peak about
    // with the filtering the audio went through.
    std::vector<float> x = s.samples;
    const float alpha = float(1 - std::exp(-2 * M_PI * 800.0 / s.rate));
    for (int pass = 0; pass < 2; ++pass) {
        float y = 0;
        for (float& v : x)
            v = y += alpha * (v - y);
    }
    const int frame = s.rate * 40 / 1000, hop = s.rate / 100;
    const int minLag = s.rate / 400, maxLag = s.rate / 60;
    const double loud = s.rms() * 0.25;
    std::vector<double> track;
    std::vector<double> r(size_t(maxLag) + 2);
    for (size_t at = 0; at + size_t(frame + maxLag + 1) < x.size(); at += size_t(hop)) {
        track.push_back(0);
        if (s.rms(at, at + size_t(frame)) < loud)
            continue;
        for (int lag = minLag - 1; lag <= maxLag + 1; ++lag) {
            double c = 0, e0 = 0, e1 = 0;
            for (int i = 0; i < frame; ++i) {
                const double a = x[at + size_t(i)], b = x[at + size_t(i + lag)];
                c += a * b;
                e0 += a * a;
                e1 += b * b;
            }
            r[size_t(lag)] = c / std::sqrt(e0 * e1 + 1e-12);
        }
        int best = minLag;
        for (int lag = minLag; lag <= maxLag; ++lag)
            if (r[size_t(lag)] > r[size_t(best)])
                best = lag;
        if (r[size_t(best)] < 0.6)
            continue;
        // A parabola through the integer lags pulls towards them, which hides
        // shifts of a fraction of a percent; search the fractional lag.
        const auto correlation = [&](double lag) {
            const auto whole = size_t(lag);
            const double part = lag - double(whole);
            double c = 0, e0 = 0, e1 = 0;
            for (size_t i = 0; i < size_t(frame); ++i) {
                const double a = x[at + i];
                const double b = x[at + i + whole] * (1 - part) + x[at + i + whole + 1] * part;
                c += a * b;
                e0 += a * a;
                e1 += b * b;
            }
            return c / std::sqrt(e0 * e1 + 1e-12);
        };
        double lo = best - 1, hi = best + 1;
        for (int step = 0; step < 20; ++step) {
            const double m1 = lo + (hi - lo) / 3, m2 = hi - (hi - lo) / 3;
            (correlation(m1) < correlation(m2) ? lo : hi) =
                correlation(m1) < correlation(m2) ? m1 : m2;
        }
        track.back() = s.rate / ((lo + hi) / 2);
    }
    return track;
}

// How much higher `b` is pitched than `a`: the median ratio of their F0 at
// the same point of the utterance (times scaled to the two lengths), so that
// both are compared on the same frames.
double pitchRatio(const std::vector<double>& a, const std::vector<double>& b) {
    std::vector<double> ratios;
    for (size_t i = 0; i < a.size(); ++i) {
        const size_t j = size_t(std::lround(double(i) * double(b.size()) / double(a.size())));
        if (a[i] > 0 && j < b.size() && b[j] > 0 && b[j] / a[i] > 0.7 && b[j] / a[i] < 1.4)
            ratios.push_back(b[j] / a[i]);
    }
    if (ratios.size() < 20)
        return 0;
    std::nth_element(ratios.begin(), ratios.begin() + long(ratios.size() / 2), ratios.end());
    return ratios[ratios.size() / 2];
}

SpObjectToken voiceById(const QString& id) {
    const SpObjectTokens tokens = SpVoice::GetVoices();
    for (const auto& t : tokens.items())
        if (t.id == id)
            return t;
    return {};
}

const QString kEnglish = QStringLiteral("English (America)");
const QString kMandarin = QStringLiteral("Chinese (Mandarin, latin as English)");

QString run(const QString& name, int volume, int rate, int pitch, const QString& text) {
    return QStringLiteral("<VOICE REQUIRED=\"NAME=%1\"><volume level=\"%2\"><rate speed=\"%3\">"
                          "<pitch middle=\"%4\">%5</pitch></rate></volume></VOICE>")
        .arg(name)
        .arg(volume)
        .arg(rate)
        .arg(pitch)
        .arg(text);
}

} // namespace

class SpeechFileTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_count = 0;

    Sound speak(const QString& text, int type = SAFT22kHz16BitMono, int flags = 0,
                const QString& voiceId = QStringLiteral("gmw/en-US")) {
        const QString path = m_dir.filePath(QStringLiteral("out%1.wav").arg(m_count++));
        SpVoice voice;
        voice.setVoice(voiceById(voiceId));
        SpFileStream file;
        file.Format().setType(type);
        file.Open(path, SSFMCreateForWrite, false);
        voice.setAudioOutputStream(&file);
        voice.Speak(text, flags);
        file.Close();
        voice.setAudioOutputStream(nullptr);
        return readSound(path);
    }

private slots:
    void englishAndMandarinSpeech() {
        const QStringList voices = [] {
            QStringList ids;
            const SpObjectTokens tokens = SpVoice::GetVoices();
            for (const auto& t : tokens.items())
                ids << t.id;
            return ids;
        }();
        QCOMPARE(voices.value(0), QStringLiteral("gmw/en-US"));
        QVERIFY(voices.contains(QStringLiteral("sit/cmn")));
        QCOMPARE(SpVoice::GetVoices().Item(0).GetDescription(), kEnglish);
        QCOMPARE(SpVoice().Voice().id, QStringLiteral("gmw/en-US"));

        const Sound en = speak(QStringLiteral("The quick brown fox jumps over the lazy dog."));
        QCOMPARE(en.rate, 22050);
        QVERIFY2(en.seconds() > 1.5 && en.seconds() < 6, qPrintable(QString::number(en.seconds())));
        QVERIFY(en.rms() > 0.02);

        const Sound zh = speak(QStringLiteral("我们今天去公园散步，天气很好。"), SAFT22kHz16BitMono,
                               0, QStringLiteral("sit/cmn"));
        QVERIFY2(zh.seconds() > 1.5 && zh.seconds() < 8, qPrintable(QString::number(zh.seconds())));
        QVERIFY(zh.rms() > 0.02);
    }

    void everyKindOfFileFormat() {
        struct Case {
            int type;
            int rate;
            int channels;
            int subtype;
        };
        const Case cases[] = {{4, 8000, 1, SF_FORMAT_PCM_U8},
                              {39, 48000, 2, SF_FORMAT_PCM_16},
                              {41, 8000, 1, SF_FORMAT_ALAW},
                              {57, 8000, 1, SF_FORMAT_MS_ADPCM},
                              {65, 8000, 1, SF_FORMAT_GSM610}};
        for (const Case& c : cases) {
            const Sound s = speak(QStringLiteral("Testing one two three."), c.type);
            QCOMPARE(s.rate, c.rate);
            QCOMPARE(s.channels, c.channels);
            QCOMPARE(s.format & SF_FORMAT_SUBMASK, c.subtype);
            QVERIFY2(s.seconds() > 0.8 && s.seconds() < 4, qPrintable(QString::number(c.type)));
            QVERIFY2(s.rms() > 0.02, qPrintable(QString::number(c.type)));
        }

        SpFileStream file;
        for (int refused : {0, 3, 40, 69, -2}) {
            QVERIFY_THROWS_EXCEPTION(EngineError, file.Format().setType(refused));
            QCOMPARE(file.Format().Type(), SAFT22kHz16BitMono);
        }
        QVERIFY_THROWS_EXCEPTION(EngineError,
                                 file.Open(m_dir.filePath(QStringLiteral("no/such/dir/x.wav"))));
        QVERIFY(!file.isOpen());
    }

    void silenceRateVolumeAndCase() {
        const QString words = QStringLiteral("Silence is golden today.");
        const Sound plain =
            speak(run(kEnglish, 100, 0, 0, words) + run(kEnglish, 100, 0, 0, words));
        const Sound paused =
            speak(run(kEnglish, 100, 0, 0, words) + QStringLiteral("<silence msec=\"2000\"/>") +
                  run(kEnglish, 100, 0, 0, words));
        QVERIFY2(std::abs(paused.seconds() - plain.seconds() - 2.0) < 0.1,
                 qPrintable(QStringLiteral("%1 vs %2").arg(paused.seconds()).arg(plain.seconds())));
        QVERIFY(paused.longestSilence() >= 2.0);

        const Sound fast = speak(run(kEnglish, 100, 10, 0, words + words));
        const Sound slow = speak(run(kEnglish, 100, -10, 0, words + words));
        QVERIFY2(fast.seconds() < slow.seconds() * 0.5,
                 qPrintable(QStringLiteral("%1 vs %2").arg(fast.seconds()).arg(slow.seconds())));

        const Sound mute = speak(run(kEnglish, 0, 0, 0, words));
        QVERIFY(mute.seconds() > 1.0);
        QCOMPARE(mute.rms(), 0.0);
        const Sound half = speak(run(kEnglish, 50, 0, 0, words));
        const Sound full = speak(run(kEnglish, 100, 0, 0, words));
        QVERIFY(std::abs(half.rms() / full.rms() - 0.5) < 0.05);

        const QString upper = run(kEnglish, 100, 5, 40, words);
        const Sound lowerCase = speak(upper.toLower());
        const Sound upperCase = speak(upper);
        // The synthesiser varies by a few samples from call to call.
        QVERIFY(std::abs(lowerCase.seconds() - upperCase.seconds()) < 0.02);
        QVERIFY(upperCase.seconds() < full.seconds() * 0.9); // rate 5 took effect
    }

    // All 21 speeds differ, the ends of the scale included.
    void everyRateIsFasterThanTheOneBelow() {
        const QString sentence =
            QStringLiteral("The quick brown fox jumps over the lazy dog, then runs away.");
        double last = 0;
        QStringList seen;
        for (int rate = -10; rate <= 10; ++rate) {
            const Sound s = speak(run(kEnglish, 100, rate, 0, sentence));
            seen << QStringLiteral("%1: %2s").arg(rate).arg(s.seconds(), 0, 'f', 3);
            if (rate > -10)
                QVERIFY2(s.seconds() < last, qPrintable(seen.join(QStringLiteral(", "))));
            last = s.seconds();
        }
        qInfo("%s", qPrintable(seen.join(QStringLiteral(", "))));
    }

    // Every pitch value, also between the synthesiser's own steps, must sound
    // higher than the one below it, without changing the length noticeably.
    void pitchRisesWithEveryValue() {
        const QString phrase =
            QStringLiteral("Aaah, oh, you are so lovely and alone. Oh, we are all alone, aaah.");
        const int middles[] = {-100, -51, -50, -49, 0, 1, 2, 50, 99, 100};
        std::vector<double> last;
        double lastSeconds = 0;
        QStringList seen;
        for (int middle : middles) {
            const Sound s = speak(run(kEnglish, 100, 0, middle, phrase));
            const std::vector<double> track = f0Track(s);
            if (!last.empty()) {
                const double ratio = pitchRatio(last, track);
                seen << QStringLiteral("%1: x%2 %3s")
                            .arg(middle)
                            .arg(ratio, 0, 'f', 4)
                            .arg(s.seconds(), 0, 'f', 4);
                QVERIFY2(ratio > 1.0, qPrintable(seen.join(QStringLiteral(", "))));
                QVERIFY2(std::abs(s.seconds() / lastSeconds - 1) < 0.02,
                         qPrintable(QStringLiteral("%1 s at %2").arg(s.seconds()).arg(middle)));
            }
            last = track;
            lastSeconds = s.seconds();
        }
        qInfo("%s", qPrintable(seen.join(QStringLiteral(", "))));
    }

    // Across the whole scale, values 10 apart are a clearly heard step apart
    // (at least 30 cents), at the same tempo.
    void pitchStepsOfTenAreHeard() {
        const QString phrase =
            QStringLiteral("Aaah, oh, you are so lovely and alone. Oh, we are all alone, aaah.");
        const double minimumRatio = std::pow(2.0, 30.0 / 1200.0);
        std::vector<double> last;
        double lastSeconds = 0;
        QStringList seen;
        for (int middle = -100; middle <= 100; middle += 10) {
            const Sound s = speak(run(kEnglish, 100, 0, middle, phrase));
            const std::vector<double> track = f0Track(s);
            if (!last.empty()) {
                const double cents = 1200.0 * std::log2(pitchRatio(last, track));
                seen << QStringLiteral("%1: %2 cents %3s")
                            .arg(middle)
                            .arg(cents, 0, 'f', 1)
                            .arg(s.seconds(), 0, 'f', 3);
                QVERIFY2(pitchRatio(last, track) >= minimumRatio,
                         qPrintable(seen.join(QStringLiteral(", "))));
                QVERIFY2(std::abs(s.seconds() / lastSeconds - 1) < 0.02,
                         qPrintable(seen.join(QStringLiteral(", "))));
            }
            last = track;
            lastSeconds = s.seconds();
        }
        qInfo("%s", qPrintable(seen.join(QStringLiteral(", "))));
    }

    void voiceSwitchIsHeard() {
        const QString text = QStringLiteral("12345 67890");
        const Sound en = speak(run(kEnglish, 100, 0, 0, text));
        const Sound zh = speak(run(kMandarin, 100, 0, 0, text));
        const Sound both = speak(run(kEnglish, 100, 0, 0, text) + run(kMandarin, 100, 0, 0, text));
        QVERIFY2(std::abs(en.seconds() - zh.seconds()) > 0.3,
                 qPrintable(QStringLiteral("%1 vs %2").arg(en.seconds()).arg(zh.seconds())));
        QVERIFY2(std::abs(both.seconds() - en.seconds() - zh.seconds()) < 0.15,
                 qPrintable(QStringLiteral("%1 vs %2 + %3")
                                .arg(both.seconds())
                                .arg(en.seconds())
                                .arg(zh.seconds())));
    }

    void wordEventsCutTheString() {
        const QString path = m_dir.filePath(QStringLiteral("words.wav"));
        SpVoice voice;
        SpFileStream file;
        file.Open(path);
        voice.setAudioOutputStream(&file);
        struct Word {
            qint64 position;
            int start;
            int length;
        };
        std::vector<Word> words;
        bool onUiThread = true;
        connect(&voice, &SpVoice::Word, this, [&](int, qint64 position, int start, int length) {
            onUiThread = onUiThread && QThread::currentThread() == qApp->thread();
            words.push_back({position, start, length});
        });
        const QString sentence = QStringLiteral("Héllo wörld, this is Lectern speaking.");
        voice.Speak(sentence, 0);
        QVERIFY(onUiThread);
        QStringList cut;
        for (const auto& w : words)
            cut << sentence.mid(w.start, w.length);
        QCOMPARE(cut, (QStringList{"Héllo", "wörld", "this", "is", "Lectern", "speaking"}));
        for (size_t i = 1; i < words.size(); ++i)
            QVERIFY(words[i].position > words[i - 1].position);

        // With markup the offsets point into the markup string.
        words.clear();
        const QString markup = run(kEnglish, 100, 0, 0, QStringLiteral("fish &amp; chips")) +
                               QStringLiteral("<silence msec=\"0\"/>") +
                               run(kMandarin, 100, 0, 0, QStringLiteral("你好"));
        voice.Speak(markup, 0);
        cut.clear();
        for (const auto& w : words)
            cut << markup.mid(w.start, w.length);
        QVERIFY2(cut.size() >= 4, qPrintable(cut.join(u'|')));
        // "&" is read as a word, and its event covers the whole entity.
        QCOMPARE(cut.mid(0, 3), (QStringList{"fish", "&amp;", "chips"}));
        QVERIFY(cut.last() == QStringLiteral("好") || cut.last() == QStringLiteral("你好"));
        file.Close();
    }

    void flagsAndFiles() {
        SpVoice voice;
        SpFileStream file;
        file.Open(m_dir.filePath(QStringLiteral("flags.wav")));
        voice.setAudioOutputStream(&file);
        QVERIFY_THROWS_EXCEPTION(EngineError, voice.Speak(QStringLiteral("x"), -128));
        QVERIFY_THROWS_EXCEPTION(EngineError, voice.Speak(QStringLiteral("x"), 128));
        QVERIFY_THROWS_EXCEPTION(
            EngineError,
            voice.Speak(m_dir.filePath(QStringLiteral("missing.txt")), SVSFIsFilename));
        QVERIFY_THROWS_EXCEPTION(EngineError, voice.setVoice({"xx/none", "Nobody"}));
        QVERIFY_THROWS_EXCEPTION(EngineError, voice.setRate(11));
        QVERIFY_THROWS_EXCEPTION(EngineError, voice.setVolume(-1));
        file.Close();

        // Is-filename speaks the file's text; not-XML speaks tags literally.
        QFile text(m_dir.filePath(QStringLiteral("text.txt")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("<volume level=\"0\">Loud words from a file.</volume>");
        text.close();
        const Sound fromFile = speak(text.fileName(), SAFT22kHz16BitMono, SVSFIsFilename);
        QCOMPARE(fromFile.rms(), 0.0);
        const Sound literal =
            speak(text.fileName(), SAFT22kHz16BitMono, SVSFIsFilename | SVSFIsNotXML);
        QVERIFY(literal.rms() > 0.02);
        QVERIFY(literal.seconds() > fromFile.seconds() + 1);
        const Sound both =
            speak(text.fileName(), SAFT22kHz16BitMono, SVSFIsFilename | SVSFIsXML | SVSFIsNotXML);
        QVERIFY(std::abs(both.seconds() - literal.seconds()) < 0.02);
    }
};

QTEST_GUILESS_MAIN(SpeechFileTest)
#include "test_speech_file.moc"
