// Export speed against the command-line synthesiser, start latency of live
// speech, and memory growth of a long export.
#include "SpeechEngine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <cmath>
#include <cstdio>

using namespace lectern::engine;

namespace {

QString englishText(int words) {
    static const char* list[] = {"reading", "the",    "quiet",  "river",   "carries", "light",
                                 "across",  "stone",  "and",    "morning", "voices",  "speak",
                                 "of",      "gentle", "winter", "gardens", "beneath", "open"};
    QString s;
    for (int i = 0; i < words; ++i) {
        s += QString::fromLatin1(list[(i * 7 + i / 18) % 18]);
        s += (i % 12 == 11) ? QStringLiteral(". ") : QStringLiteral(" ");
    }
    return s;
}

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
        exportSeconds(englishText(atoi(argv[2])), QStringLiteral("gmw/en-US"),
                      dir.filePath(QStringLiteral("rss.wav")));
        printf("%ld\n", peakRssKiB());
        return 0;
    }

    const QString english = englishText(10000);
    const QString chinese = chineseText(5000);
    // Best of five of each, interleaved, so a busy machine hurts both alike.
    double ratio = 0;
    for (const auto& [text, voice] : {std::pair{english, QStringLiteral("gmw/en-US")},
                                      std::pair{chinese, QStringLiteral("sit/cmn")}}) {
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
    printf("export_vs_espeak_ratio: %.3f\n", ratio);

    // From Speak to the first sound coming out of the sink, as its monitor
    // hands it to a recorder with a 5 ms fragment: an upper bound on the time
    // the first sample was played. The stream's interpolated clock cannot
    // tell: it runs from its last report even before the sink plays
    // anything, and the null sink's own latency reports jump by seconds
    // while it takes in a fast writer's first data.
    try {
        QProcess recorder;
        recorder.start(QStringLiteral("parec"),
                       {QStringLiteral("-d"), QStringLiteral("@DEFAULT_MONITOR@"),
                        QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                        QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=5")});
        recorder.waitForReadyRead(5000); // recording runs
        QThread::msleep(300);
        recorder.readAllStandardOutput();
        SpVoice voice;
        QElapsedTimer clock;
        clock.start();
        voice.Speak(english, SVSFlagsAsync);
        double firstMs = -1;
        while (firstMs < 0 && clock.elapsed() < 10000) {
            QCoreApplication::processEvents();
            recorder.waitForReadyRead(1);
            const QByteArray data = recorder.readAllStandardOutput();
            const auto* samples = reinterpret_cast<const int16_t*>(data.constData());
            for (qsizetype i = 0; i < data.size() / 2; ++i) {
                if (std::abs(samples[i]) > 64) {
                    firstMs = clock.nsecsElapsed() / 1e6;
                    break;
                }
            }
        }
        recorder.kill();
        recorder.waitForFinished(2000);
        if (firstMs < 0)
            fprintf(stderr, "first_audio_ms: no sound reached the sink's monitor\n");
        else
            printf("first_audio_ms: %.1f\n", firstMs);
    } catch (const EngineError& e) {
        fprintf(stderr, "first_audio_ms: %s\n", qPrintable(e.description()));
    }

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
