// MP3 export of a long text through Lectern against the command-line tools
// doing the same work: eSpeak NG writes the WAV file, lame encodes it. Both
// must give the same kind of file, 44.1 kHz joint stereo at 128 kbit/s:
// eSpeak NG writes 22 kHz mono and lame keeps whatever it is given (it has
// no way to add a channel), so sox makes the mono sound two channels first
// and lame is told the output rate.

#include "BenchText.h"
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

// Whether `path` is an MP3 file of the kind the export must make.
bool isExportKind(const QString& path) {
    auto soxi = [&](const char* option) {
        QProcess p;
        p.start(QStringLiteral("soxi"), {QString::fromLatin1(option), path});
        p.waitForFinished(60000);
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    };
    const bool ok = soxi("-t") == u"mp3" && soxi("-r") == u"44100" && soxi("-c") == u"2" &&
                    soxi("-B") == u"128k";
    if (!ok)
        fprintf(stderr, "%s is not a 44.1 kHz stereo 128 kbit/s MP3 file\n", qPrintable(path));
    return ok;
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
    if (prompter.prompts.size() != 1 || !isExportKind(mp3)) {
        for (const Prompt& p : prompter.prompts)
            fprintf(stderr, "%s\n", qPrintable(p.text));
        return -1;
    }
    return seconds;
}

bool run(const QString& program, const QStringList& arguments) {
    if (QProcess::execute(program, arguments) == 0)
        return true;
    fprintf(stderr, "%s failed\n", qPrintable(program));
    return false;
}

double cliSeconds(const QString& text, const QTemporaryDir& dir) {
    QFile f(dir.filePath(QStringLiteral("text.txt")));
    f.open(QIODevice::WriteOnly);
    f.write(text.toUtf8());
    f.close();
    const QString wav = dir.filePath(QStringLiteral("ref.wav"));
    const QString stereo = dir.filePath(QStringLiteral("ref-stereo.wav"));
    const QString mp3 = dir.filePath(QStringLiteral("ref.mp3"));
    QElapsedTimer clock;
    clock.start();
    // The engine's default voice and rate.
    const bool ok =
        run(QStringLiteral("espeak-ng"),
            {QStringLiteral("-w"), wav, QStringLiteral("-v"), QStringLiteral("gmw/en-US"),
             QStringLiteral("-s"), QStringLiteral("175"), QStringLiteral("-f"), f.fileName()}) &&
        run(QStringLiteral("sox"), {wav, QStringLiteral("-c"), QStringLiteral("2"), stereo}) &&
        run(QStringLiteral("lame"),
            {QStringLiteral("--quiet"), QStringLiteral("-b"), QStringLiteral("128"),
             QStringLiteral("-m"), QStringLiteral("j"), QStringLiteral("--resample"),
             QStringLiteral("44.1"), stereo, mp3});
    const double seconds = clock.nsecsElapsed() / 1e9;
    return ok && isExportKind(mp3) ? seconds : -1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString text = bench::englishText(10000);
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
