// MP3 export of a long text through Lectern against the command-line tools
// doing the same work: eSpeak NG writes the WAV file, lame encodes it.

#include "EngineBackend.h"
#include "ExportCommand.h"
#include "FakeWindow.h"
#include "ReadingCommands.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>

using namespace lectern;

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

class NameUi : public shell::ExportUi {
public:
    QString name;
    QString saveFileName(const QString&, const QString&) override { return name; }
    void openFile(const QString&) override {}
    void showProgress(int) override {}
    bool cancelRequested() override { return false; }
    void hideProgress() override {}
};

double lecternSeconds(const QString& text, const QString& mp3) {
    FakeHost host;
    host.selection = text;
    FakeClipboard clipboard;
    RecordingPrompter prompter;
    prompter.answer = speech::PromptAnswer::No;
    NameUi ui;
    ui.name = mp3;
    speech::EngineBackend engine;
    speech::ReadingCommands commands(host, clipboard, prompter, engine);
    shell::ExportCommand exporter(host, commands, ui, prompter);
    QElapsedTimer clock;
    clock.start();
    exporter.Output();
    const double seconds = clock.nsecsElapsed() / 1e9;
    if (prompter.prompts.size() != 1 || !QFile::exists(mp3)) {
        for (const Prompt& p : prompter.prompts)
            fprintf(stderr, "%s\n", qPrintable(p.text));
        return -1;
    }
    return seconds;
}

double cliSeconds(const QString& text, const QTemporaryDir& dir) {
    QFile f(dir.filePath(QStringLiteral("text.txt")));
    f.open(QIODevice::WriteOnly);
    f.write(text.toUtf8());
    f.close();
    const QString wav = dir.filePath(QStringLiteral("ref.wav"));
    QElapsedTimer clock;
    clock.start();
    // The engine's default voice and rate.
    QProcess::execute(QStringLiteral("espeak-ng"),
                      {QStringLiteral("-w"), wav, QStringLiteral("-v"), QStringLiteral("gmw/en-US"),
                       QStringLiteral("-s"), QStringLiteral("175"), QStringLiteral("-f"),
                       f.fileName()});
    QProcess::execute(QStringLiteral("lame"),
                      {QStringLiteral("--quiet"), QStringLiteral("-b"), QStringLiteral("128"),
                       QStringLiteral("-m"), QStringLiteral("j"), wav,
                       dir.filePath(QStringLiteral("ref.mp3"))});
    return clock.nsecsElapsed() / 1e9;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString text = englishText(10000);
    const double cli = cliSeconds(text, dir);
    const double lectern = lecternSeconds(text, dir.filePath(QStringLiteral("lectern.mp3")));
    if (lectern < 0 || cli <= 0) {
        fprintf(stderr, "mp3 export benchmark failed\n");
        return 1;
    }
    printf("mp3_export_s: %.2f\n", lectern);
    printf("mp3_cli_s: %.2f\n", cli);
    printf("mp3_export_vs_cli_ratio: %.2f\n", lectern / cli);
    return 0;
}
