// Live speech on the sound server, checked by recording the output sink's
// monitor: what the listener would hear, not what the engine claims.
#include "SpeechEngine.h"

#include <sndfile.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <algorithm>
#include <cmath>

using namespace lectern::engine;

namespace {

constexpr int kRate = 8000; // recording rate; plenty to tell sound from silence

int countLoudMs(const int16_t* samples, qsizetype count, int rate, int level) {
    const qsizetype step = rate / 100;
    int ms = 0;
    for (qsizetype at = 0; at + step <= count; at += step) {
        const auto peak =
            std::max_element(samples + at, samples + at + step,
                             [](int16_t a, int16_t b) { return std::abs(a) < std::abs(b); });
        if (std::abs(*peak) > level)
            ms += 10;
    }
    return ms;
}

class Recorder {
public:
    explicit Recorder(const QString& sink) {
        // An idle sink sends its monitor nothing; playing silence keeps the
        // recording clock running.
        m_keepAlive.start(QStringLiteral("pacat"),
                          {QStringLiteral("-p"), QStringLiteral("-d"), sink,
                           QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                           QStringLiteral("--rate=%1").arg(kRate), QStringLiteral("--channels=1"),
                           QStringLiteral("/dev/zero")});
        m_process.start(QStringLiteral("parec"),
                        {QStringLiteral("-d"), sink + QStringLiteral(".monitor"),
                         QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                         QStringLiteral("--rate=%1").arg(kRate), QStringLiteral("--channels=1"),
                         QStringLiteral("--latency-msec=20")});
        m_started = m_process.waitForStarted(5000) && m_keepAlive.waitForStarted(5000);
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput,
                         [this] { m_data += m_process.readAllStandardOutput(); });
        QElapsedTimer clock;
        clock.start();
        while (m_started && mark() < kRate / 10 && clock.elapsed() < 5000)
            QTest::qWait(10);
    }
    ~Recorder() {
        for (QProcess* p : {&m_process, &m_keepAlive}) {
            p->kill();
            p->waitForFinished(2000);
        }
    }
    bool started() const { return m_started; }
    // Recorded samples so far, without taking in more.
    qsizetype recorded() const { return m_data.size() / 2; }
    // Recorded samples so far (a clock that runs with the sink).
    qsizetype mark() {
        QCoreApplication::processEvents();
        return m_data.size() / 2;
    }
    // Index of the first sample at or after `from` louder than `level`; -1 if none yet.
    qsizetype firstLoud(qsizetype from, int level) const {
        const auto* s = reinterpret_cast<const int16_t*>(m_data.constData());
        for (qsizetype i = from; i < m_data.size() / 2; ++i)
            if (std::abs(s[i]) > level)
                return i;
        return -1;
    }
    // Milliseconds in 10 ms steps whose peak passes `level`.
    int loudMs(qsizetype from, qsizetype to, int level) const {
        const auto* s = reinterpret_cast<const int16_t*>(m_data.constData());
        return countLoudMs(s + from, std::min<qsizetype>(to, m_data.size() / 2) - from, kRate,
                           level);
    }
    double rms(qsizetype from, qsizetype to) const {
        const auto* s = reinterpret_cast<const int16_t*>(m_data.constData());
        to = std::min<qsizetype>(to, m_data.size() / 2);
        double sum = 0;
        for (qsizetype i = from; i < to; ++i)
            sum += double(s[i]) * s[i];
        return to > from ? std::sqrt(sum / double(to - from)) / 32768.0 : 0;
    }
    // Records for `ms` of sink time and returns its loudness.
    double listen(int ms) {
        const qsizetype from = mark();
        QElapsedTimer clock;
        clock.start();
        while (mark() < from + qsizetype(ms) * kRate / 1000 && clock.elapsed() < ms * 4 + 2000)
            QTest::qWait(10);
        return rms(from, from + qsizetype(ms) * kRate / 1000);
    }
    // Waits until a 100 ms stretch is louder (or quieter) than the threshold.
    bool waitFor(bool loud, int timeoutMs) {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < timeoutMs) {
            const double level = listen(100);
            if (loud ? level > kLoud : level < kQuiet)
                return true;
        }
        return false;
    }

    static constexpr double kLoud = 0.01;
    static constexpr double kQuiet = 0.0005;

private:
    QProcess m_keepAlive;
    QProcess m_process;
    QByteArray m_data;
    bool m_started = false;
};

QString pactl(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("pactl"), args);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// Sample layouts ("s16le 1ch 22050Hz") of Lectern's playback streams, as
// the sound server reports them.
QStringList speechStreamLayouts() {
    QStringList layouts;
    QString layout;
    for (const QString& raw :
         pactl({QStringLiteral("list"), QStringLiteral("sink-inputs")}).split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(u"Sink Input #"))
            layout.clear();
        else if (line.startsWith(u"Sample Specification:"))
            layout = line.section(u':', 1).trimmed();
        else if (line == QStringLiteral("media.name = \"Lectern speech\""))
            layouts << layout;
    }
    return layouts;
}

// Sink inputs of Lectern's playback streams.
QStringList speechStreams() {
    QStringList ids;
    QString id;
    for (const QString& raw :
         pactl({QStringLiteral("list"), QStringLiteral("sink-inputs")}).split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.startsWith(u"Sink Input #"))
            id = line.mid(12);
        else if (line == QStringLiteral("media.name = \"Lectern speech\""))
            ids << id;
    }
    return ids;
}

// Loud milliseconds of `text` rendered into a file, as countLoudMs counts them.
int renderedLoudMs(const QString& text, int flags, const QString& path, int level) {
    SpVoice voice;
    SpFileStream file;
    file.Open(path);
    voice.setAudioOutputStream(&file);
    voice.Speak(text, flags & ~(SVSFlagsAsync | SVSFPurgeBeforeSpeak));
    file.Close();
    SF_INFO info{};
    SNDFILE* f = sf_open(path.toLocal8Bit().constData(), SFM_READ, &info);
    if (!f)
        return -1;
    std::vector<int16_t> samples(size_t(info.frames));
    sf_readf_short(f, samples.data(), info.frames);
    sf_close(f);
    return countLoudMs(samples.data(), qsizetype(samples.size()), info.samplerate, level);
}

// A null sink of the test's own, so that killing its streams touches nobody else's.
class OwnSink {
public:
    OwnSink() : m_name(QStringLiteral("lectern_test_%1").arg(QCoreApplication::applicationPid())) {
        m_module = pactl({QStringLiteral("load-module"), QStringLiteral("module-null-sink"),
                          QStringLiteral("sink_name=") + m_name});
        for (const QString& line :
             pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sinks")})
                 .split(u'\n')) {
            const QStringList fields = line.split(u'\t');
            if (fields.size() > 1 && fields[1] == m_name)
                m_index = fields[0];
        }
    }
    ~OwnSink() {
        if (!m_module.isEmpty())
            pactl({QStringLiteral("unload-module"), m_module});
    }
    bool loaded() const { return !m_index.isEmpty(); }
    SpObjectToken token() const { return {m_name, {}}; }
    // Playback streams on this sink.
    QStringList inputs() const {
        QStringList found;
        for (const QString& line :
             pactl({QStringLiteral("list"), QStringLiteral("short"), QStringLiteral("sink-inputs")})
                 .split(u'\n')) {
            const QStringList fields = line.split(u'\t');
            if (fields.size() > 1 && fields[1] == m_index)
                found << fields[0];
        }
        return found;
    }
    // Microseconds of audio the server holds for this sink's streams
    // (their buffers plus the sink's own latency); -1 when none plays.
    qint64 heldAhead() const {
        const QStringList mine = inputs();
        qint64 worst = -1, buffer = 0;
        bool ours = false;
        for (const QString& raw :
             pactl({QStringLiteral("list"), QStringLiteral("sink-inputs")}).split(u'\n')) {
            const QString line = raw.trimmed();
            if (line.startsWith(u"Sink Input #"))
                ours = mine.contains(line.mid(12));
            const auto usec = [&] { return line.section(u' ', 2, 2).toLongLong(); };
            if (ours && line.startsWith(u"Buffer Latency:"))
                buffer = usec();
            if (ours && line.startsWith(u"Sink Latency:"))
                worst = std::max(worst, buffer + usec());
        }
        return worst;
    }
    // Breaks every playback stream on this sink, as a server in trouble would.
    void killInputs() const {
        for (const QString& input : inputs())
            QProcess::execute(QStringLiteral("pacmd"), {QStringLiteral("kill-sink-input"), input});
    }

private:
    QString m_name;
    QString m_module;
    QString m_index;
};

const QString kLongText = QStringLiteral(
    "Reading aloud is a pleasure when the voice keeps going for a good while, sentence after "
    "sentence, so that there is always something to hear while the test listens. ");

} // namespace

class PlaybackTest : public QObject {
    Q_OBJECT

    QString m_sink;

private slots:
    void initTestCase() {
        const SpObjectTokens outputs = SpVoice::GetAudioOutputs();
        QVERIFY(outputs.Count() > 0);
        m_sink = outputs.Item(0).id;
        QVERIFY(!outputs.Item(0).GetDescription().isEmpty());
        QCOMPARE(SpVoice().AudioOutput().id, m_sink);
    }

    void asyncSpeechPlaysAndPurgeStopsIt() {
        Recorder rec(m_sink);
        QVERIFY(rec.started());
        QVERIFY(rec.waitFor(false, 3000));
        SpVoice voice;
        QElapsedTimer clock;
        clock.start();
        voice.Speak(kLongText.repeated(20), SVSFlagsAsync);
        QVERIFY2(clock.elapsed() < 300, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(rec.waitFor(true, 3000));
        QVERIFY(voice.isSpeaking());
        QVERIFY(!voice.WaitUntilDone(100));

        voice.Speak(QString(), SVSFPurgeBeforeSpeak | SVSFIsNotXML);
        // At once, though the engine thread may still be letting go of it.
        QVERIFY(!voice.isSpeaking());
        QVERIFY(rec.waitFor(false, 1000));
        QVERIFY(voice.WaitUntilDone(2000));
        QVERIFY(rec.listen(500) < Recorder::kQuiet);

        // The voice still speaks after a purge.
        voice.Speak(QStringLiteral("Again, after the purge."), SVSFlagsAsync);
        QVERIFY(rec.waitFor(true, 3000));
        QVERIFY(voice.WaitUntilDone(10000));
    }

    void pauseKeepsThePlaceAndResumeGoesOn() {
        Recorder rec(m_sink);
        SpVoice voice;
        int words = 0;
        connect(&voice, &SpVoice::Word, this, [&] { ++words; });
        voice.Speak(kLongText.repeated(5), SVSFlagsAsync);
        QVERIFY(rec.waitFor(true, 3000));
        voice.Pause();
        QVERIFY(rec.waitFor(false, 1000));
        const int wordsAtPause = words;
        QVERIFY(rec.listen(800) < Recorder::kQuiet);
        QCOMPARE(words, wordsAtPause); // nothing is heard, so no words either
        QVERIFY(!voice.WaitUntilDone(200));
        voice.Resume();
        QVERIFY(rec.waitFor(true, 2000));
        QTRY_VERIFY_WITH_TIMEOUT(words > wordsAtPause, 3000);
    }

    void destroyingTheVoiceStopsIt() {
        Recorder rec(m_sink);
        auto voice = std::make_unique<SpVoice>();
        voice->Speak(kLongText.repeated(10), SVSFlagsAsync);
        QVERIFY(rec.waitFor(true, 3000));
        voice.reset();
        QVERIFY(rec.waitFor(false, 1000));
        QVERIFY(rec.listen(500) < Recorder::kQuiet);
    }

    void wordsArriveAsTheyAreHeard() {
        SpVoice voice;
        const QString sentence =
            QStringLiteral("One two three four five six seven eight nine ten.");
        QStringList cut;
        QElapsedTimer clock;
        qint64 first = -1, last = -1;
        bool onUiThread = true;
        connect(&voice, &SpVoice::Word, this, [&](int, qint64, int start, int length) {
            onUiThread = onUiThread && QThread::currentThread() == qApp->thread();
            cut << sentence.mid(start, length);
            (first < 0 ? first : last) = clock.elapsed();
        });
        clock.start();
        voice.Speak(sentence, SVSFlagsAsync);
        QVERIFY(voice.WaitUntilDone(20000));
        QVERIFY(onUiThread);
        QCOMPARE(cut, sentence.chopped(1).split(u' '));
        // Synthesis takes a few milliseconds; hearing ten words takes seconds.
        QVERIFY2(last - first > 1500, qPrintable(QStringLiteral("%1 %2").arg(first).arg(last)));

        // A synchronous Speak returns once the words have been played.
        clock.restart();
        voice.Speak(QStringLiteral("One two three four five."), SVSFDefault);
        QVERIFY2(clock.elapsed() > 900, qPrintable(QString::number(clock.elapsed())));
        QVERIFY(!voice.isSpeaking());
    }

    // Words must not be signalled before they can be heard, also at the
    // start of a fresh voice, while the server takes in the first data.
    // Two measurements, each robust on a loaded machine: every word against
    // the stream's own playback clock, read in the same process when the
    // word arrives; and that clock against the sound on the sink's monitor.
    void wordsAreNotAheadOfTheSound() {
        Recorder rec(m_sink);
        QVERIFY(rec.started());
        QVERIFY(rec.waitFor(false, 3000));
        constexpr double kBytesPerMs = 22050 * 2 / 1000.0;
        for (int round = 0; round < 3; ++round) {
            SpVoice voice;
            // Per word: where it starts in the stream, and the stream's
            // clock when it was signalled.
            std::vector<std::pair<qint64, qint64>> words;
            connect(&voice, &SpVoice::Word, this, [&](int, qint64 position, int, int) {
                words.emplace_back(position, voice.playedBytes());
            });
            const qsizetype from = rec.mark();
            voice.Speak(kLongText, SVSFlagsAsync);
            // How far the clock runs ahead of the monitor: the least of many
            // looks, since the recorder's data reaches this process late by
            // varying amounts, never early.
            double clockAhead = 1e9;
            QElapsedTimer clock;
            clock.start();
            while (words.size() < 8 && clock.elapsed() < 10000) {
                QTest::qWait(10);
                const qint64 played = voice.playedBytes();
                const qsizetype start = rec.firstLoud(from, 300);
                if (played < 0 || start < 0)
                    continue;
                const double heardMs = double(rec.mark() - start) * 1000.0 / kRate;
                clockAhead = std::min(clockAhead, double(played) / kBytesPerMs - heardMs);
            }
            QVERIFY(words.size() >= 8);
            double worst = -1e9;
            for (const auto& [position, played] : words)
                worst =
                    std::max(worst, double(position - std::max<qint64>(played, 0)) / kBytesPerMs);
            qInfo("round %d: words %.1f ms ahead of the clock, clock %.1f ms ahead of the sound",
                  round, worst, clockAhead);
            // The words themselves wait for the clock (read a moment later
            // here, give or take the clock's smoothing).
            QVERIFY2(worst <= 10, qPrintable(QStringLiteral("a word came %1 ms before the stream "
                                                            "played it")
                                                 .arg(worst)));
            // The recorder hears each fragment 20 ms late, which makes the
            // clock look early by as much; 100 ms beyond that is still in time.
            QVERIFY2(clockAhead <= 120,
                     qPrintable(QStringLiteral("the stream's clock ran %1 ms ahead of the sound")
                                    .arg(clockAhead)));
            voice.Speak(QString(), SVSFPurgeBeforeSpeak | SVSFIsNotXML);
            QVERIFY(rec.waitFor(false, 2000));
        }

        // Without a recorder asking for low latency, a sink left to itself
        // takes in seconds ahead, and the stream's clock then runs early.
        // The null sink's own latency wanders by a few hundred ms; seconds
        // are what must not happen.
        OwnSink sink;
        QVERIFY(sink.loaded());
        SpVoice voice;
        voice.setAudioOutput(sink.token());
        voice.Speak(kLongText.repeated(10), SVSFlagsAsync);
        QTRY_VERIFY_WITH_TIMEOUT(!sink.inputs().isEmpty(), 5000);
        QTest::qWait(1000);
        const qint64 held = sink.heldAhead();
        QVERIFY2(held >= 0 && held < 1200000, qPrintable(QString::number(held)));
    }

    // Words spoken one at a time, each waited for and each purging first,
    // as follow reading does: every word is heard whole, and the stream
    // that played the first plays them all, so none waits for a new stream
    // to get going.
    void wordsSpokenOneByOneAreHeardWholeOnOneStream() {
        // Voiced sounds only: hiss above the recorder's band would not count.
        const QStringList pieces = {QStringLiteral("no "),    QStringLiteral("more "),
                                    QStringLiteral("moon "),  QStringLiteral("warm "),
                                    QStringLiteral("alone "), QStringLiteral("lamb")};
        constexpr int flags = SVSFlagsAsync | SVSFPurgeBeforeSpeak | SVSFIsXML;
        constexpr int kLevel = 300;
        QTemporaryDir dir;
        int expected = 0;
        for (const QString& piece : pieces) {
            const int ms =
                renderedLoudMs(piece, flags, dir.filePath(QStringLiteral("piece.wav")), kLevel);
            QVERIFY(ms > 0);
            expected += ms;
        }

        Recorder rec(m_sink);
        QVERIFY(rec.started());
        QVERIFY(rec.waitFor(false, 3000));
        SpVoice voice;
        QStringList heardWords;
        connect(&voice, &SpVoice::Word, this, [&](int, qint64, int start, int length) {
            heardWords << pieces[heardWords.size() % pieces.size()].mid(start, length);
        });
        QStringList streams;
        const qsizetype from = rec.mark();
        for (const QString& piece : pieces) {
            voice.Speak(piece, flags);
            QVERIFY(voice.WaitUntilDone(10000));
            streams << speechStreams();
        }
        QVERIFY(rec.waitFor(false, 3000));
        QStringList trimmed;
        for (const QString& piece : pieces)
            trimmed << piece.trimmed();
        QCOMPARE(heardWords, trimmed);
        streams.removeDuplicates();
        QCOMPARE(streams.size(), 1);
        const int heard = rec.loudMs(from, rec.mark(), kLevel);
        QVERIFY2(std::abs(heard - expected) <= expected / 10,
                 qPrintable(QStringLiteral("heard %1 ms of sound, the words hold %2 ms")
                                .arg(heard)
                                .arg(expected)));
    }

    void liveFormats() {
        Recorder rec(m_sink);
        SpVoice voice;
        auto& format = voice.AudioOutputStream()->Format();
        for (int refused : {0, 3, 40, 41, 68, 69}) {
            QVERIFY_THROWS_EXCEPTION(EngineError, format.setType(refused));
            QCOMPARE(format.Type(), 22);
        }
        // The stream the server plays has exactly the chosen layout.
        const std::pair<int, const char*> layouts[] = {
            {4, "u8 1ch 8000Hz"},   {7, "s16le 2ch 8000Hz"},   {21, "u8 2ch 22050Hz"},
            {32, "u8 1ch 44100Hz"}, {39, "s16le 2ch 48000Hz"}, {-1, "s16le 1ch 22050Hz"}};
        for (const auto& [type, layout] : layouts) {
            SpVoice fresh; // as every reading does
            fresh.AudioOutputStream()->Format().setType(type);
            QCOMPARE(fresh.AudioOutputStream()->Format().Type(), type);
            fresh.Speak(QStringLiteral("Format test, one two three."), SVSFlagsAsync);
            QVERIFY2(rec.waitFor(true, 3000), qPrintable(QString::number(type)));
            QCOMPARE(speechStreamLayouts(), QStringList{QString::fromLatin1(layout)});
            QVERIFY2(fresh.WaitUntilDone(10000), qPrintable(QString::number(type)));
        }
    }

    // A broken stream during asynchronous speech is signalled once, the voice
    // is no longer busy, and it speaks again afterwards. A synchronous Speak
    // throws instead and signals nothing.
    void streamFailuresReachTheUiThread() {
        OwnSink sink;
        QVERIFY(sink.loaded());
        SpVoice voice;
        voice.setAudioOutput(sink.token());
        QStringList failures;
        bool onUiThread = true;
        connect(&voice, &SpVoice::failed, this, [&](const QString& description) {
            onUiThread = onUiThread && QThread::currentThread() == qApp->thread();
            failures << description;
        });

        voice.Speak(kLongText.repeated(20), SVSFlagsAsync);
        QTRY_VERIFY_WITH_TIMEOUT(!sink.inputs().isEmpty(), 5000);
        sink.killInputs();
        QTRY_COMPARE_WITH_TIMEOUT(failures.size(), 1, 5000);
        QVERIFY(onUiThread);
        QVERIFY(!failures[0].isEmpty());
        QVERIFY(voice.WaitUntilDone(3000));
        QVERIFY(!voice.isSpeaking());
        QTest::qWait(200);
        QCOMPARE(failures.size(), 1);

        // The failure is also kept for the next synchronous call.
        QVERIFY_THROWS_EXCEPTION(EngineError, voice.Speak(QStringLiteral("Again."), SVSFDefault));
        voice.Speak(QStringLiteral("And again."), SVSFlagsAsync);
        QVERIFY(voice.WaitUntilDone(10000));
        QCOMPARE(failures.size(), 1);

        QTimer::singleShot(300, this, [&] { sink.killInputs(); });
        QVERIFY_THROWS_EXCEPTION(EngineError, voice.Speak(kLongText.repeated(5), SVSFDefault));
        QTest::qWait(100);
        QCOMPARE(failures.size(), 1);
    }
};

QTEST_GUILESS_MAIN(PlaybackTest)
#include "test_playback.moc"
