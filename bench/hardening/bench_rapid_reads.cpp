// Readings started back to back, each with a fresh voice as every reading
// command makes: how much memory and how many threads stay behind.
#include "EngineBackend.h"
#include "FakeWindow.h"
#include "ReadingCommands.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

using namespace lectern;

namespace {

long statusField(const char* name) {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(name) + ':';
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLong();
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    FakeHost host;
    FakeClipboard clipboard;
    RecordingPrompter prompter;
    speech::EngineBackend engine;
    speech::ReadingCommands commands(host, clipboard, prompter, engine);
    commands.replaceVoice();

    auto readings = [&](int count) {
        for (int i = 0; i < count; ++i) {
            host.selection = QStringLiteral("Reading number %1, 第%1次").arg(i);
            commands.Speak();
            QCoreApplication::processEvents();
        }
    };
    readings(10);
    const long rssAfter10 = statusField("VmRSS");
    const long threadsAfter10 = statusField("Threads");
    readings(990);
    commands.StopAndReset();
    QCoreApplication::processEvents();
    const long rssAfter1000 = statusField("VmRSS");
    const long threadsAfter1000 = statusField("Threads");

    std::printf("rapid_reads_rss_growth_mib: %.1f\n", (rssAfter1000 - rssAfter10) / 1024.0);
    std::printf("rapid_reads_threads_growth: %ld\n", threadsAfter1000 - threadsAfter10);
    if (!prompter.prompts.isEmpty())
        std::fprintf(stderr, "rapid reads: %lld failures shown, the first: %s\n",
                     static_cast<long long>(prompter.prompts.size()),
                     qPrintable(prompter.prompts.first().text));
    return prompter.prompts.isEmpty() ? 0 : 1;
}
