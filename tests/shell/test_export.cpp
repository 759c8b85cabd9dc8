// The export against the real engine and real files, with the window's
// dialogs answered by stand-ins.

#include "EngineBackend.h"
#include "ExportCommand.h"
#include "FakeWindow.h"
#include "FileFaults.h"
#include "Mp3Encoder.h"
#include "ReadingCommands.h"
#include "SpeechEngine.h"

#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <sndfile.h>

#include <csignal>
#include <functional>
#include <sys/resource.h>

using namespace lectern;
using lectern::speech::PromptAnswer;
using lectern::speech::PromptButtons;
using lectern::speech::PromptIcon;

namespace {

class FakeExportUi : public shell::ExportUi {
public:
    QString name;
    int dialogs = 0;
    QStringList opened;
    QList<int> progress;
    bool cancelAt = false;
    int cancelAtPermille = 2000;
    std::function<void(int)> onProgress;

    QString saveFileName(const QString& title, const QString& filter) override {
        ++dialogs;
        lastTitle = title;
        lastFilter = filter;
        return name;
    }
    void openFile(const QString& path) override { opened << path; }
    void showProgress(int permille) override {
        progress << permille;
        if (onProgress)
            onProgress(permille);
    }
    bool cancelRequested() override {
        return !progress.isEmpty() && progress.last() >= cancelAtPermille;
    }
    void hideProgress() override {}
    QString lastTitle, lastFilter;
};

// Answers every question with `answer`, and lets a test look at the disk
// the moment a question is asked.
class ExportPrompter : public RecordingPrompter {
public:
    PromptAnswer overwrite = PromptAnswer::Yes;
    std::function<void(const QString&)> onQuestion;
    PromptAnswer prompt(const QString& title, const QString& text, PromptIcon icon,
                        PromptButtons buttons) override {
        if (onQuestion)
            onQuestion(text);
        const PromptAnswer given = RecordingPrompter::prompt(title, text, icon, buttons);
        if (text == shell::overwriteQuestion())
            return overwrite;
        return given;
    }
};

struct SoundFile {
    SF_INFO info{};
    int peak = 0;
};

SoundFile readSound(const QString& path) {
    SoundFile s;
    SNDFILE* f = sf_open(QFile::encodeName(path).constData(), SFM_READ, &s.info);
    if (!f)
        return s;
    std::vector<short> buf(4096 * size_t(s.info.channels));
    sf_count_t n;
    while ((n = sf_readf_short(f, buf.data(), 4096)) > 0)
        for (sf_count_t i = 0; i < n * s.info.channels; ++i)
            s.peak = std::max(s.peak, std::abs(int(buf[size_t(i)])));
    sf_close(f);
    return s;
}

QString soxi(const QString& option, const QString& path) {
    QProcess p;
    p.start(QStringLiteral("soxi"), {option, path});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

} // namespace

class ExportTest : public QObject {
    Q_OBJECT

    speech::EngineBackend engine;
    FakeHost host;
    FakeClipboard clipboard;
    ExportPrompter prompter;
    FakeExportUi ui;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<speech::ReadingCommands> commands;
    std::unique_ptr<shell::ExportCommand> exporter;

    QString path(const QString& name) const { return dir->filePath(name); }
    QStringList texts() const {
        QStringList all;
        for (const Prompt& p : prompter.prompts)
            all << p.text;
        return all;
    }
    QStringList files() const { return QDir(dir->path()).entryList(QDir::Files | QDir::Hidden); }
    void exportTo(const QString& name,
                  const QString& format = QStringLiteral("SAFT22kHz16BitMono")) {
        ui.name = name.isEmpty() ? QString() : path(name);
        host.settings.formatName = format;
        exporter->Output();
    }

private slots:
    void init() {
        host = FakeHost();
        host.selection = QStringLiteral("Hello 你好");
        clipboard.content.clear();
        prompter = ExportPrompter();
        prompter.answer = PromptAnswer::No; // do not play
        ui = FakeExportUi();
        dir = std::make_unique<QTemporaryDir>();
        commands = std::make_unique<speech::ReadingCommands>(host, clipboard, prompter, engine);
        commands->replaceVoice();
        exporter = std::make_unique<shell::ExportCommand>(host, *commands, ui, prompter);
    }
    void cleanup() {
        exporter.reset();
        commands.reset();
    }

    void wavInTheChosenFormat_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("subtype");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("channels");
        QTest::newRow("8 kHz 8-bit mono")
            << QStringLiteral("SAFT8kHz8BitMono") << int(SF_FORMAT_PCM_U8) << 8000 << 1;
        QTest::newRow("44 kHz 16-bit stereo")
            << QStringLiteral("SAFT44kHz16BitStereo") << int(SF_FORMAT_PCM_16) << 44100 << 2;
        QTest::newRow("A-law") << QStringLiteral("SAFTCCITT_ALaw_22kHzMono") << int(SF_FORMAT_ALAW)
                               << 22050 << 1;
        QTest::newRow("mu-law") << QStringLiteral("SAFTCCITT_uLaw_8kHzStereo")
                                << int(SF_FORMAT_ULAW) << 8000 << 2;
        QTest::newRow("ADPCM") << QStringLiteral("SAFTADPCM_11kHzMono") << int(SF_FORMAT_MS_ADPCM)
                               << 11025 << 1;
        QTest::newRow("GSM") << QStringLiteral("SAFTGSM610_8kHzMono") << int(SF_FORMAT_GSM610)
                             << 8000 << 1;
        QTest::newRow("unknown list text")
            << QStringLiteral("saft8khz8bitmono") << int(SF_FORMAT_PCM_16) << 22050 << 1;
    }
    void wavInTheChosenFormat() {
        QFETCH(QString, format);
        QFETCH(int, subtype);
        QFETCH(int, rate);
        QFETCH(int, channels);
        exportTo(QStringLiteral("speech.wav"), format);
        const SoundFile s = readSound(path(QStringLiteral("speech.wav")));
        QCOMPARE(s.info.format, SF_FORMAT_WAV | subtype);
        QCOMPARE(s.info.samplerate, rate);
        QCOMPARE(s.info.channels, channels);
        QVERIFY2(s.peak > 1000, "silence");
        QCOMPARE(files(), QStringList{QStringLiteral("speech.wav")});
        QCOMPARE(texts(), QStringList{shell::playQuestion(path(QStringLiteral("speech.wav")))});
        QCOMPARE(prompter.prompts.last().icon, PromptIcon::None);
        QCOMPARE(prompter.prompts.last().title, QStringLiteral("訊息"));
        QCOMPARE(ui.lastTitle, QStringLiteral("請填入檔案名稱"));
        QVERIFY(ui.opened.isEmpty());
        QVERIFY(!host.busy);
    }

    void mp3LastsAsLongAsTheWav() {
        exportTo(QStringLiteral("speech.wav"));
        exportTo(QStringLiteral("speech.mp3"));
        const QString mp3 = path(QStringLiteral("speech.mp3"));
        QCOMPARE(soxi(QStringLiteral("-t"), mp3), QStringLiteral("mp3"));
        QCOMPARE(soxi(QStringLiteral("-r"), mp3), QStringLiteral("44100"));
        QCOMPARE(soxi(QStringLiteral("-c"), mp3), QStringLiteral("2"));
        QCOMPARE(soxi(QStringLiteral("-B"), mp3), QStringLiteral("128k"));
        const double wavSeconds =
            soxi(QStringLiteral("-D"), path(QStringLiteral("speech.wav"))).toDouble();
        const double mp3Seconds = soxi(QStringLiteral("-D"), mp3).toDouble();
        QVERIFY(wavSeconds > 0.5);
        QVERIFY2(std::abs(mp3Seconds - wavSeconds) <= wavSeconds * 0.05,
                 qPrintable(QStringLiteral("%1 vs %2").arg(mp3Seconds).arg(wavSeconds)));
        // Only the two results: the sound in between was kept elsewhere.
        QCOMPARE(files(),
                 (QStringList{QStringLiteral("speech.mp3"), QStringLiteral("speech.wav")}));
        QCOMPARE(texts().last(), shell::playQuestion(mp3));
    }

    void kindFollowsTheNameAlone_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("mp3");
        QTest::newRow("upper case") << QStringLiteral("x.MP3") << true;
        QTest::newRow("mixed case") << QStringLiteral("x.Mp3") << true;
        QTest::newRow("mp3 then wav") << QStringLiteral("x.mp3.wav") << false;
        QTest::newRow("no extension") << QStringLiteral("x") << false;
        QTest::newRow("mp3 without dot") << QStringLiteral("xmp3") << false;
    }
    void kindFollowsTheNameAlone() {
        QFETCH(QString, name);
        QFETCH(bool, mp3);
        QCOMPARE(shell::isMp3Name(name), mp3);
        exportTo(name);
        QCOMPARE(files(), QStringList{name});
        const QByteArray head = contents(path(name)).left(4);
        QCOMPARE(head == "RIFF", !mp3);
        QCOMPARE(head.startsWith("ID3"), mp3);
    }

    void playingOpensTheChosenFile() {
        prompter.answer = PromptAnswer::Yes;
        exportTo(QStringLiteral("play.wav"));
        QCOMPARE(ui.opened, QStringList{path(QStringLiteral("play.wav"))});
    }

    void declinedOverwriteKeepsTheOldFile() {
        QFile old(path(QStringLiteral("old.wav")));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("precious bytes\0\1\2", 17);
        old.close();
        prompter.overwrite = PromptAnswer::No;
        exportTo(QStringLiteral("old.wav"));
        QCOMPARE(contents(path(QStringLiteral("old.wav"))), QByteArray("precious bytes\0\1\2", 17));
        QCOMPARE(texts(),
                 (QStringList{shell::overwriteQuestion(), shell::exportCancelledMessage()}));
        for (const Prompt& p : prompter.prompts) {
            QCOMPARE(p.title, QStringLiteral("訊息"));
            QCOMPARE(p.icon, PromptIcon::None);
        }
        QCOMPARE(files(), QStringList{QStringLiteral("old.wav")});
    }

    void acceptedOverwriteReplacesAndKeepsPermissions() {
        QFile old(path(QStringLiteral("old.wav")));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
        old.close();
        QVERIFY(old.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        const QFile::Permissions before = QFile::permissions(path(QStringLiteral("old.wav")));
        exportTo(QStringLiteral("old.wav"));
        QVERIFY(readSound(path(QStringLiteral("old.wav"))).peak > 1000);
        QCOMPARE(QFile::permissions(path(QStringLiteral("old.wav"))), before);
        QVERIFY(!(before & QFile::ReadOther));
    }

    // Every failure: the description with the exclamation icon, no file
    // under the chosen name, an old file untouched, nothing left beside it.
    void failuresLeaveNothingBehind_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("oldFile");
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("limit");
        QTest::newRow("dialog cancelled")
            << QString() << false << QStringLiteral("SAFT22kHz16BitMono") << 0;
        QTest::newRow("missing folder") << QStringLiteral("no/such/x.wav") << false
                                        << QStringLiteral("SAFT22kHz16BitMono") << 0;
        QTest::newRow("full disk, new file")
            << QStringLiteral("x.wav") << false << QStringLiteral("SAFT22kHz16BitMono") << 20000;
        QTest::newRow("full disk, old file")
            << QStringLiteral("x.wav") << true << QStringLiteral("SAFT22kHz16BitMono") << 20000;
        // A codec's sound is made in full before it is encoded.
        QTest::newRow("full disk under the sound of an mp3")
            << QStringLiteral("x.mp3") << true << QStringLiteral("SAFTCCITT_ALaw_44kHzStereo")
            << 20000;
        QTest::newRow("format a file cannot take")
            << QStringLiteral("x.wav") << true << QStringLiteral("SAFTText") << 0;
    }
    void failuresLeaveNothingBehind() {
        QFETCH(QString, name);
        QFETCH(bool, oldFile);
        QFETCH(QString, format);
        QFETCH(int, limit);
        const QByteArray old("the old file");
        if (oldFile) {
            QFile f(path(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(old);
        }
        host.selection = QStringLiteral("Hello 你好, this sentence is long enough to need more "
                                        "room than the disk has left for it.");
        commands->state().ReadingInterrupted = true;
        {
            std::optional<FileSizeLimit> full;
            if (limit)
                full.emplace(rlim_t(limit));
            exportTo(name, format);
        }
        QCOMPARE(prompter.prompts.size(), oldFile ? 2 : 1);
        const Prompt& failure = prompter.prompts.last();
        QCOMPARE(failure.icon, PromptIcon::Exclamation);
        QCOMPARE(failure.title, QStringLiteral("訊息"));
        QVERIFY(!failure.text.isEmpty());
        QVERIFY(!commands->state().ReadingInterrupted);
        QVERIFY(!host.busy);
        if (oldFile) {
            QCOMPARE(contents(path(name)), old);
            QCOMPARE(files(), QStringList{name});
        } else {
            QVERIFY(files().isEmpty());
        }
        // The voice speaks to its device again.
        auto* live = dynamic_cast<speech::EngineVoice*>(commands->voice());
        QVERIFY(live);
        QVERIFY(dynamic_cast<engine::SpFileStream*>(live->engineVoice().AudioOutputStream()) ==
                nullptr);
    }

    void mp3EncodingFailureIsToldAndNotOfferedForPlaying_data() {
        QTest::addColumn<QString>("format");
        QTest::newRow("encoded as it is spoken") << QStringLiteral("SAFT8kHz8BitMono");
        QTest::newRow("encoded from the codec's file") << QStringLiteral("SAFTCCITT_uLaw_8kHzMono");
    }
    void mp3EncodingFailureIsToldAndNotOfferedForPlaying() {
        QFETCH(QString, format);
        // Eight-bit mono sound is smaller than the MP3 made from it, so the
        // limit is met by the encoder only.
        host.selection = QStringLiteral("This sentence takes a few seconds to say out loud.");
        QFile old(path(QStringLiteral("x.mp3")));
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("the old file");
        old.close();
        {
            FileSizeLimit full(40000);
            exportTo(QStringLiteral("x.mp3"), format);
        }
        QCOMPARE(prompter.prompts.size(), 2);
        QCOMPARE(prompter.prompts[1].icon, PromptIcon::Exclamation);
        QCOMPARE(prompter.prompts[1].title, QStringLiteral("訊息"));
        QVERIFY2(prompter.prompts[1].text.contains(QStringLiteral("MP3")),
                 qPrintable(prompter.prompts[1].text));
        QCOMPARE(contents(path(QStringLiteral("x.mp3"))), QByteArray("the old file"));
        QCOMPARE(files(), QStringList{QStringLiteral("x.mp3")});
        QVERIFY(!host.busy);
    }

    // The engine's failure is the one told, whatever it left the encoder with.
    void voiceLostMidwayIsTheFailureTold_data() {
        QTest::addColumn<QString>("name");
        QTest::newRow("wav") << QStringLiteral("x.wav");
        QTest::newRow("mp3") << QStringLiteral("x.mp3");
    }
    void voiceLostMidwayIsTheFailureTold() {
        QFETCH(QString, name);
        host.selection = QStringLiteral("One sentence. ").repeated(20);
        commands->state().ReadingInterrupted = true;
        bool replaced = false;
        ui.onProgress = [&](int permille) {
            if (permille > 0 && !replaced) {
                replaced = true;
                commands->replaceVoice();
            }
        };
        exportTo(name);
        QVERIFY(replaced);
        QCOMPARE(prompter.prompts.size(), 1);
        QVERIFY2(prompter.prompts[0].text.contains(QStringLiteral("replaced the voice")),
                 qPrintable(prompter.prompts[0].text));
        QCOMPARE(prompter.prompts[0].icon, PromptIcon::Exclamation);
        QVERIFY(!commands->state().ReadingInterrupted);
        QVERIFY(files().isEmpty());
        QVERIFY(!host.busy);
    }

    void soundWaitsInAPrivateTemporaryFolder_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<bool>("temporary");
        QTest::newRow("codec: its file first")
            << QStringLiteral("SAFTCCITT_ALaw_22kHzMono") << true;
        QTest::newRow("linear PCM: no file at all")
            << QStringLiteral("SAFT22kHz16BitMono") << false;
    }
    void soundWaitsInAPrivateTemporaryFolder() {
        QFETCH(QString, format);
        QFETCH(bool, temporary);
        QTemporaryDir temp;
        const QByteArray saved = qgetenv("TMPDIR");
        qputenv("TMPDIR", QFile::encodeName(temp.path()));
        QStringList seen;
        int beside = 0;
        ui.onProgress = [&](int) {
            for (const QFileInfo& sub :
                 QDir(temp.path()).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
                if (QFileInfo::exists(sub.filePath() + QStringLiteral("/temp.wav")) &&
                    sub.permissions() == (QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                          QFile::ReadUser | QFile::WriteUser | QFile::ExeUser))
                    seen << sub.fileName();
            beside = std::max(beside, int(files().size()));
        };
        exportTo(QStringLiteral("x.mp3"), format);
        qputenv("TMPDIR", saved);
        QCOMPARE(!seen.isEmpty(), temporary);
        // Beside the chosen name only the MP3 being written.
        QCOMPARE(beside, 1);
        QVERIFY(QDir(temp.path()).isEmpty());
        QVERIFY(QFileInfo::exists(path(QStringLiteral("x.mp3"))));
    }

    void cancelLeavesNoFile_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("at");
        QTest::newRow("wav while speaking") << QStringLiteral("x.wav") << 1;
        QTest::newRow("mp3 while speaking") << QStringLiteral("x.mp3") << 1;
        QTest::newRow("mp3 while encoding") << QStringLiteral("x.mp3") << 600;
    }
    void cancelLeavesNoFile() {
        QFETCH(QString, name);
        QFETCH(int, at);
        host.selection = QStringLiteral("One sentence. ").repeated(40);
        ui.cancelAtPermille = at;
        exportTo(name);
        QCOMPARE(texts(), QStringList{shell::exportCancelledMessage()});
        QVERIFY(files().isEmpty());
        QVERIFY(ui.progress.last() < 1000);
        QVERIFY(!host.busy);
    }

    void secondExportIsRefusedWhileOneRuns() {
        bool asked = false;
        ui.onProgress = [&](int) {
            if (!asked) {
                asked = true;
                exporter->Output();
            }
        };
        exportTo(QStringLiteral("x.wav"));
        QCOMPARE(texts().first(), shell::exportRunningMessage());
        QCOMPARE(prompter.prompts.first().icon, PromptIcon::Exclamation);
        QCOMPARE(ui.dialogs, 1);
        QVERIFY(readSound(path(QStringLiteral("x.wav"))).peak > 1000);
        // Over: the next one runs.
        exportTo(QStringLiteral("y.wav"));
        QCOMPARE(ui.dialogs, 2);
    }

    void asynchronousFlagStillFinishesFirst() {
        host.settings.flags = flagBoxes({2, 3, 5});
        qint64 sizeAtQuestion = -1;
        prompter.onQuestion = [&](const QString& text) {
            if (text.endsWith(QStringLiteral("是否立即播放檔案 ?")))
                sizeAtQuestion = readSound(path(QStringLiteral("x.wav"))).info.frames;
        };
        exportTo(QStringLiteral("x.wav"));
        QVERIFY(sizeAtQuestion > 0);
        QCOMPARE(sizeAtQuestion, readSound(path(QStringLiteral("x.wav"))).info.frames);
    }

    void dialoguePage_data() {
        QTest::addColumn<bool>("stopped");
        QTest::addColumn<QString>("markup");
        QTest::addColumn<QString>("clip");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("row without voice")
            << true << QStringLiteral("<silence msec=\"0\"/>") << QString()
            << QStringList{lectern::dialogue::noVoiceMessage()};
        QTest::newRow("no rows, empty clipboard")
            << false << QString() << QString() << QStringList{speech::noTextSelectedMessage()};
        QTest::newRow("no rows, clipboard declined")
            << false << QString() << QStringLiteral("clip")
            << QStringList{
                   QStringLiteral("您並未選取文字 , 要轉出剪貼簿的文字嗎 ?\r\n\r\n剪貼簿內容 :"
                                  "\r\n\r\nclip...")};
    }
    void dialoguePage() {
        QFETCH(bool, stopped);
        QFETCH(QString, markup);
        QFETCH(QString, clip);
        QFETCH(QStringList, expected);
        host.tab = speech::DialogueTab;
        host.dialogueStoppedEarly = stopped;
        host.dialogue = markup;
        clipboard.content = clip;
        prompter.answer = PromptAnswer::No;
        exportTo(QStringLiteral("x.wav"));
        QCOMPARE(texts(), expected);
        QCOMPARE(ui.dialogs, 0);
        QVERIFY(files().isEmpty());
        QVERIFY(!host.busy);
    }

    void dialogueMarkupIsSpokenAsGiven() {
        host.tab = speech::DialogueTab;
        host.dialogue = QStringLiteral("<silence msec=\"1500\"/>");
        exportTo(QStringLiteral("x.wav"));
        const SoundFile s = readSound(path(QStringLiteral("x.wav")));
        QVERIFY(std::abs(double(s.info.frames) / s.info.samplerate - 1.5) < 0.1);
        QCOMPARE(s.peak, 0);
    }

    void markupEndsEveryRunWithThePauseComma() {
        QSignalSpy spoken(exporter.get(), &shell::ExportCommand::aboutToSpeak);
        host.selection = QStringLiteral("Hello");
        host.settings.abc.voiceName = QStringLiteral("English (America)");
        exportTo(QStringLiteral("x.wav"));
        QCOMPARE(spoken.size(), 1);
        const QString markup = spoken[0][0].toString();
        QVERIFY(markup.startsWith(QStringLiteral("<VOICE REQUIRED=\" NAME=English (America)\">")));
        QVERIFY2(markup.contains(QStringLiteral("hello, ")), qPrintable(markup));
        QCOMPARE(commands->state().CurrentRunText.isEmpty(), false);
    }
};

QTEST_MAIN(ExportTest)
#include "test_export.moc"
