// Follow reading and word timing against the real engine and sound server.
//
// follow_overhead_ms: the follow-reading walk over 100 English words, one
// utterance per word, each waited for; per piece, the wall time from its
// speak call to the next piece's speak call less the length of its audio,
// taken from the same piece rendered into a file. Median over the pieces.
//
// word_event_skew_ms: one asynchronous reading of a 50-word sentence, the
// default sink's monitor recorded alongside. The first word's audio is
// placed where the monitor first leaves silence; each later word's audio
// that much later as its stream position says. Median over the words of the
// distance between the word event's arrival and that moment.

#include "FollowReading.h"
#include "SpeechEngine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

using namespace lectern;

namespace {

constexpr double BytesPerMs = 22050.0 * 2 / 1000; // the default 22 kHz 16-bit mono
constexpr int MonitorRate = 16000;

double median(std::vector<double> values) {
    if (values.empty())
        return NAN;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

QString words(int count) {
    static const char* const list[] = {"the",  "reader",  "speaks", "every", "word",   "slowly",
                                       "and",  "clearly", "while",  "you",   "follow", "along",
                                       "with", "the",     "light",  "on",    "each",   "one"};
    QStringList out;
    for (int i = 0; i < count; ++i)
        out << QString::fromLatin1(list[i % std::size(list)]);
    return out.join(u' ');
}

void runEventsFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Milliseconds of audio in a WAV file: its data chunk at 22 kHz 16-bit mono.
double wavMs(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return NAN;
    const QByteArray bytes = file.readAll();
    const qsizetype at = bytes.indexOf("data", 12);
    if (at < 0 || at + 8 > bytes.size())
        return NAN;
    const auto* size = reinterpret_cast<const uchar*>(bytes.constData() + at + 4);
    const quint32 length = size[0] | size[1] << 8 | size[2] << 16 | quint32(size[3]) << 24;
    return double(length) / BytesPerMs;
}

speech::FollowCallbacks followCallbacks(std::function<void(const QString&)> speakAndWait) {
    speech::FollowCallbacks callbacks;
    callbacks.takeInterrupt = [] { return false; };
    callbacks.pumpEvents = [](bool) { QCoreApplication::processEvents(); };
    callbacks.convert = [](char16_t ch) { return ch; };
    callbacks.selectVoice = [](speech::RunKind) {};
    callbacks.speakAndWait = std::move(speakAndWait);
    return callbacks;
}

double followOverhead() {
    const QString text = words(100);
    // Each piece's own audio, rendered into a file by the same engine in the
    // same run: what the listener must hear of it at the least.
    QTemporaryDir dir;
    QHash<QString, double> audioMs;
    {
        speech::ReadingState state;
        speech::walkFollowReading(text, state, followCallbacks([&](const QString& piece) {
                                      if (audioMs.contains(piece))
                                          return;
                                      const QString path = dir.filePath(
                                          QStringLiteral("%1.wav").arg(audioMs.size()));
                                      engine::SpVoice voice;
                                      engine::SpFileStream file;
                                      file.Open(path);
                                      voice.setAudioOutputStream(&file);
                                      voice.Speak(piece, engine::SVSFIsXML);
                                      file.Close();
                                      audioMs.insert(piece, wavMs(path));
                                  }));
    }

    engine::SpVoice voice;
    speech::ReadingState state;
    QElapsedTimer clock;
    clock.start();
    std::vector<double> starts;
    std::vector<QString> pieces;
    speech::walkFollowReading(text, state, followCallbacks([&](const QString& piece) {
                                  starts.push_back(double(clock.nsecsElapsed()) / 1e6);
                                  pieces.push_back(piece);
                                  voice.Speak(piece, 11);
                                  voice.WaitUntilDone(3600000);
                              }));
    starts.push_back(double(clock.nsecsElapsed()) / 1e6);
    std::vector<double> overhead;
    for (size_t i = 0; i < pieces.size(); ++i) {
        const double wall = starts[i + 1] - starts[i];
        const double audio = audioMs.value(pieces[i], NAN);
        overhead.push_back(wall - audio);
        if (qEnvironmentVariableIsSet("LECTERN_BENCH_DETAIL"))
            std::fprintf(stderr, "piece %zu %s: wall %.1f audio %.1f\n", i,
                         qPrintable(pieces[i].trimmed()), wall, audio);
    }
    return median(overhead);
}

double wordEventSkew() {
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"), {QStringLiteral("get-default-sink")});
    pactl.waitForFinished(5000);
    const QString sink = QString::fromUtf8(pactl.readAllStandardOutput()).trimmed();

    QElapsedTimer clock;
    clock.start();
    std::vector<int16_t> samples;
    std::vector<double> times;
    QByteArray pending;
    QProcess parec;
    QObject::connect(&parec, &QProcess::readyReadStandardOutput, [&] {
        pending += parec.readAllStandardOutput();
        const qsizetype count = pending.size() / 2;
        const double now = double(clock.nsecsElapsed()) / 1e6;
        const auto* data = reinterpret_cast<const int16_t*>(pending.constData());
        for (qsizetype i = 0; i < count; ++i) {
            samples.push_back(data[i]);
            times.push_back(now - double(count - i) * 1000.0 / MonitorRate);
        }
        pending.remove(0, count * 2);
    });
    parec.start(QStringLiteral("parec"),
                {QStringLiteral("-d"), sink + QStringLiteral(".monitor"), QStringLiteral("--raw"),
                 QStringLiteral("--format=s16le"), QStringLiteral("--rate=16000"),
                 QStringLiteral("--channels=1"), QStringLiteral("--latency-msec=10")});
    while (samples.empty() && clock.elapsed() < 10000)
        runEventsFor(20);
    runEventsFor(300);

    engine::SpVoice voice;
    struct Event {
        double atMs;
        qint64 position;
    };
    std::vector<Event> events;
    QObject::connect(&voice, &engine::SpVoice::Word, [&](int, qint64 position, int, int) {
        events.push_back({double(clock.nsecsElapsed()) / 1e6, position});
    });
    const double spokenAt = double(clock.nsecsElapsed()) / 1e6;
    voice.Speak(words(50) + QStringLiteral("."), 11);
    voice.WaitUntilDone(120000);
    runEventsFor(300);
    parec.terminate();
    parec.waitForFinished(5000);

    double onset = NAN;
    for (size_t i = 0; i < samples.size(); ++i)
        if (times[i] >= spokenAt && std::abs(int(samples[i])) > 600) {
            onset = times[i];
            break;
        }
    if (events.empty() || std::isnan(onset))
        return NAN;
    std::vector<double> skew;
    for (const Event& e : events) {
        const double heard = onset + double(e.position - events.front().position) / BytesPerMs;
        skew.push_back(std::abs(e.atMs - heard));
    }
    return median(skew);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    try {
        std::printf("follow_overhead_ms: %.1f\n", followOverhead());
        std::printf("word_event_skew_ms: %.1f\n", wordEventSkew());
    } catch (const engine::EngineError& e) {
        std::fprintf(stderr, "bench_follow: %s\n", qPrintable(e.description()));
        return 1;
    }
    return 0;
}
