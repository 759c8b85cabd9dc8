// Export speed against the command-line synthesiser, start latency of live
// speech and markup, how long silencing a huge markup reading takes, and
// memory growth of a long export. "--live" measures live speech only.
#include "BenchText.h"
#include "SpeechEngine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace lectern::engine;

namespace {

QString chineseText(int chars) {
    QString s;
    for (int i = 0; i < chars; ++i)
        s += (i % 15 == 14) ? QChar(u'。') : QChar(char16_t(0x4E00 + (i * 37) % 0x5000));
    return s;
}

double exportSeconds(const QString& text, const QString& voiceId, const QString& path) {
    SpVoice voice;
    const SpObjectTokens voices = SpVoice::GetVoices();
    for (const auto& t : voices.items())
        if (t.id == voiceId)
            voice.setVoice(t);
    SpFileStream file;
    file.Format().setType(22);
    QElapsedTimer clock;
    clock.start();
    file.Open(path);
    voice.setAudioOutputStream(&file);
    voice.Speak(text, 0);
    file.Close();
    return clock.nsecsElapsed() / 1e9;
}

double espeakSeconds(const QString& text, const QString& voiceId, const QTemporaryDir& dir) {
    QFile f(dir.filePath(QStringLiteral("text.txt")));
    f.open(QIODevice::WriteOnly);
    f.write(text.toUtf8());
    f.close();
    QElapsedTimer clock;
    clock.start();
    // Same voice, rate and punctuation as the engine's defaults; it writes
    // 22 kHz 16-bit mono WAV too.
    QProcess::execute(QStringLiteral("espeak-ng"),
                      {QStringLiteral("-w"), dir.filePath(QStringLiteral("ref.wav")),
                       QStringLiteral("-v"), voiceId, QStringLiteral("-s"), QStringLiteral("175"),
                       QStringLiteral("-f"), f.fileName()});
    return clock.nsecsElapsed() / 1e9;
}

// About 1 MiB of mixed English and Chinese, each run wrapped in its voice's
// markup the way the reading commands do: about ten times as long as the text.
QString mixedMarkup() {
    QString english = QStringLiteral("English (America)"), chinese = english;
    const SpObjectTokens voices = SpVoice::GetVoices();
    for (const auto& t : voices.items())
        if (t.id == u"sit/cmn")
            chinese = t.description;
    auto wrap = [](QString& out, QStringView run, const QString& voice) {
        out += QStringLiteral("<VOICE REQUIRED=\"NAME=%1\"><volume level=\"100\"><rate "
                              "speed=\"0\"><pitch middle=\"0\">")
                   .arg(voice);
        out += run;
        out += QStringLiteral("</pitch></rate></volume></VOICE><silence msec=\"0\"/>");
    };
    const QString piece = QStringLiteral("The reader speaks 中文與 English text, 第3章 page 12. ");
    QString text;
    while (text.size() < 1024 * 1024)
        text += piece;
    text.truncate(1024 * 1024);
    QString out;
    qsizetype start = 0;
    auto isChinese = [&](qsizetype i) { return text[i].unicode() >= 0x3000; };
    for (qsizetype i = 1; i <= text.size(); ++i) {
        if (i == text.size() || isChinese(i) != isChinese(start)) {
            wrap(out, QStringView(text).sliced(start, i - start),
                 isChinese(start) ? chinese : english);
            start = i;
        }
    }
    return out;
}

// Records the default sink's monitor to see when sound really comes out.
class Monitor {
public:
    Monitor() {
        m_recorder.start(QStringLiteral("parec"),
                         {QStringLiteral("-d"), QStringLiteral("@DEFAULT_MONITOR@"),
                          QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                          QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=5")});
        m_recorder.waitForReadyRead(5000); // recording runs
        settle();
    }
    ~Monitor() {
        m_recorder.kill();
        m_recorder.waitForFinished(2000);
    }
    // Lets what was playing die away, then forgets it.
    void settle() {
        QThread::msleep(300);
        QCoreApplication::processEvents();
        m_recorder.readAllStandardOutput();
    }
    // Milliseconds on `clock` when the first sound arrived; -1 after 10 s.
    double waitForSound(const QElapsedTimer& clock) {
        while (clock.elapsed() < 10000) {
            QCoreApplication::processEvents();
            m_recorder.waitForReadyRead(1);
            const QByteArray data = m_recorder.readAllStandardOutput();
            const auto* samples = reinterpret_cast<const int16_t*>(data.constData());
            for (qsizetype i = 0; i < data.size() / 2; ++i)
                if (std::abs(samples[i]) > 64)
                    return clock.nsecsElapsed() / 1e6;
        }
        return -1;
    }

private:
    QProcess m_recorder;
};

void report(const char* name, double ms) {
    if (ms < 0)
        fprintf(stderr, "%s: no sound reached the sink's monitor\n", name);
    else
        printf("%s: %.1f\n", name, ms);
    fflush(stdout);
}

long peakRssKiB() {
    QFile f(QStringLiteral("/proc/self/status"));
    f.open(QIODevice::ReadOnly);
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (argc == 3 && QByteArray(argv[1]) == "--export-rss") {
        exportSeconds(lectern::bench::englishText(atoi(argv[2])), QStringLiteral("gmw/en-US"),
                      dir.filePath(QStringLiteral("rss.wav")));
        printf("%ld\n", peakRssKiB());
        return 0;
    }

    const bool liveOnly = argc == 2 && QByteArray(argv[1]) == "--live";
    const QString english = lectern::bench::englishText(10000);
    const QString chinese = chineseText(5000);
    // Best of five of each, interleaved, so a busy machine hurts both alike.
    double ratio = 0;
    std::vector<std::pair<QString, QString>> exports;
    if (!liveOnly)
        exports = {{english, QStringLiteral("gmw/en-US")}, {chinese, QStringLiteral("sit/cmn")}};
    for (const auto& [text, voice] : exports) {
        double ours = 1e9, theirs = 1e9;
        for (int round = 0; round < 5; ++round) {
            ours =
                std::min(ours, exportSeconds(text, voice, dir.filePath(QStringLiteral("o.wav"))));
            theirs = std::min(theirs, espeakSeconds(text, voice, dir));
        }
        // Both must have rendered the same speech, or the times say nothing.
        const double length = QFileInfo(dir.filePath(QStringLiteral("o.wav"))).size();
        const double reference = QFileInfo(dir.filePath(QStringLiteral("ref.wav"))).size();
        if (std::abs(length / reference - 1) > 0.01)
            fprintf(stderr, "export_vs_espeak_ratio: %s output differs in length (%.0f vs %.0f)\n",
                    qPrintable(voice), length, reference);
        fprintf(stderr, "  export %s: %.3f s, espeak-ng %.3f s\n", qPrintable(voice), ours, theirs);
        ratio = std::max(ratio, ours / theirs);
    }
    if (!liveOnly)
        printf("export_vs_espeak_ratio: %.3f\n", ratio);

    // From Speak to the first sound coming out of the sink, as its monitor
    // hands it to a recorder with a 5 ms fragment: an upper bound on the time
    // the first sample was played. The stream's interpolated clock cannot
    // tell: it runs from its last report even before the sink plays
    // anything, and the null sink's own latency reports jump by seconds
    // while it takes in a fast writer's first data.
    try {
        const QString markup = mixedMarkup();
        Monitor monitor;
        {
            SpVoice voice;
            QElapsedTimer clock;
            clock.start();
            voice.Speak(english, SVSFlagsAsync);
            report("first_audio_ms", monitor.waitForSound(clock));
        }
        {
            SpVoice voice;
            monitor.settle();
            QElapsedTimer clock;
            clock.start();
            voice.Speak(markup, SVSFlagsAsync);
            report("first_audio_markup_ms", monitor.waitForSound(clock));
        }
        // Silencing a reading of the huge markup, as the read button does
        // before it starts the next one. Median of three.
        std::vector<double> waits;
        for (int round = 0; round < 3; ++round) {
            SpVoice voice;
            monitor.settle();
            QElapsedTimer clock;
            clock.start();
            voice.Speak(markup, SVSFlagsAsync);
            if (monitor.waitForSound(clock) < 0)
                break;
            QThread::msleep(200);
            clock.restart();
            voice.Speak(QString(), SVSFPurgeBeforeSpeak | SVSFIsNotXML);
            const bool done = voice.WaitUntilDone(5000);
            waits.push_back(done ? clock.nsecsElapsed() / 1e6 : 5000.0);
        }
        std::sort(waits.begin(), waits.end());
        report("purge_wait_ms", waits.size() == 3 ? waits[1] : -1);
    } catch (const EngineError& e) {
        fprintf(stderr, "first_audio_ms: %s\n", qPrintable(e.description()));
    }

    if (liveOnly)
        return 0;
    auto rss = [&](int words) {
        QProcess p;
        p.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--export-rss"), QString::number(words)});
        p.waitForFinished(600000);
        return p.readAllStandardOutput().trimmed().toLong();
    };
    printf("export_rss_growth_mib: %.1f\n", (rss(10000) - rss(100)) / 1024.0);
    return 0;
}
