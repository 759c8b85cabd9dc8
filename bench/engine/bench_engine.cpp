// Export speed against the command-line synthesiser, start latency of live
// speech, and memory growth of a long export.
#include "SpeechEngine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

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
    QProcess::execute(QStringLiteral("espeak-ng"),
                      {QStringLiteral("-w"), dir.filePath(QStringLiteral("ref.wav")),
                       QStringLiteral("-v"), voiceId, QStringLiteral("-f"), f.fileName()});
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
    double ratio = 0;
    for (const auto& [text, voice] : {std::pair{english, QStringLiteral("gmw/en-US")},
                                      std::pair{chinese, QStringLiteral("sit/cmn")}}) {
        const double ours = exportSeconds(text, voice, dir.filePath(QStringLiteral("o.wav")));
        const double theirs = espeakSeconds(text, voice, dir);
        ratio = std::max(ratio, ours / theirs);
    }
    printf("export_vs_espeak_ratio: %.3f\n", ratio);

    try {
        SpVoice voice;
        QElapsedTimer clock;
        clock.start();
        voice.Speak(english, SVSFlagsAsync);
        while (voice.playedBytes() <= 0 && clock.elapsed() < 10000) {
            QCoreApplication::processEvents();
            QThread::usleep(200);
        }
        printf("first_audio_ms: %.1f\n", clock.nsecsElapsed() / 1e6);
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
