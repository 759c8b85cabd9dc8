// The reading commands against the real engine and sound server, with the
// window, clipboard and message boxes stood in for.

#include "EngineBackend.h"
#include "FakeWindow.h"
#include "ReadingCommands.h"
#include "SoundProbes.h"
#include "VoiceMarkup.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QtTest>

using namespace lectern;
using lectern::speech::PromptAnswer;
using lectern::speech::PromptButtons;
using lectern::speech::PromptIcon;

namespace {

QString question(const QString& shown) {
    return QStringLiteral("您並未選取文字 , 要朗讀剪貼簿的文字嗎 ?\r\n\r\n剪貼簿內容 :\r\n\r\n") +
           shown + QStringLiteral("...");
}

} // namespace

class ReadingCommandsTest : public QObject {
    Q_OBJECT

    speech::EngineBackend engine;
    FakeHost host;
    FakeClipboard clipboard;
    RecordingPrompter prompter;
    std::unique_ptr<speech::ReadingCommands> commands;
    std::unique_ptr<QSignalSpy> spoken;

    QString lastMarkup() const {
        return spoken->isEmpty() ? QString() : spoken->last().at(0).toString();
    }

private slots:
    void init() {
        host = FakeHost();
        clipboard.content.clear();
        prompter = RecordingPrompter();
        commands = std::make_unique<speech::ReadingCommands>(host, clipboard, prompter, engine);
        commands->replaceVoice();
        spoken =
            std::make_unique<QSignalSpy>(commands.get(), &speech::ReadingCommands::aboutToSpeak);
    }

    void cleanup() {
        spoken.reset();
        commands.reset();
    }

    void nothingSelectedAndEmptyClipboardOnlyTellsSo_data() {
        QTest::addColumn<int>("tab");
        QTest::addColumn<QString>("selection");
        QTest::newRow("document") << int(speech::DocumentTab) << QString();
        QTest::newRow("browser") << int(speech::BrowserTab) << QString();
        QTest::newRow("browser, blank frame ends the search")
            << int(speech::BrowserTab) << QStringLiteral("   ");
    }
    void nothingSelectedAndEmptyClipboardOnlyTellsSo() {
        QFETCH(int, tab);
        QFETCH(QString, selection);
        host.tab = tab;
        host.selection = selection;
        host.browser.frame = selection.isEmpty() ? std::nullopt : std::optional(selection);
        host.busy = true;
        speech::SpeechVoice* before = commands->voice();

        commands->Speak();

        QCOMPARE(prompter.prompts.size(), 1);
        QCOMPARE(prompter.prompts[0].title, QStringLiteral("訊息"));
        QCOMPARE(prompter.prompts[0].text, QStringLiteral("您並未選取任何文字 !"));
        QCOMPARE(prompter.prompts[0].icon, PromptIcon::Exclamation);
        QCOMPARE(spoken->size(), 0);
        QVERIFY(!host.busy);
        // The speech object was replaced before the text was looked for.
        QVERIFY(commands->voice() != before);
    }

    void blankSelectionAsksAboutTheClipboard_data() {
        QTest::addColumn<QString>("clip");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<bool>("yes");
        const QString longText = QString(150, QLatin1Char('A')) + QString(100, QChar(0x5B57));
        QTest::newRow("250 characters, No") << longText << longText.left(100) << false;
        QTest::newRow("3 characters, Yes")
            << QStringLiteral("A\r\nB") << QStringLiteral("A\r\nB") << true;
    }
    void blankSelectionAsksAboutTheClipboard() {
        QFETCH(QString, clip);
        QFETCH(QString, shown);
        QFETCH(bool, yes);
        host.selection = QStringLiteral("    ");
        clipboard.content = clip;
        prompter.answer = yes ? PromptAnswer::Yes : PromptAnswer::No;

        commands->Speak();

        QCOMPARE(prompter.prompts.size(), 1);
        QCOMPARE(prompter.prompts[0].title, QStringLiteral("提示"));
        QCOMPARE(prompter.prompts[0].text, question(shown));
        QCOMPARE(prompter.prompts[0].icon, PromptIcon::None);
        QCOMPARE(prompter.prompts[0].buttons, PromptButtons::YesNo);
        QCOMPARE(spoken->size(), yes ? 1 : 0);
        if (yes) // clipboard text keeps its capitals
            QVERIFY2(lastMarkup().contains(QStringLiteral(">A  B</")), qPrintable(lastMarkup()));
    }

    void selectionIsTrimmedLowerCasedAndWrapped() {
        host.selection = QStringLiteral("  Hello World\r\n");
        host.settings.abc.speed = -3;

        commands->Speak();

        QVERIFY(prompter.prompts.isEmpty());
        QCOMPARE(spoken->size(), 1);
        const auto head =
            speech::buildProfileMarkup(host.settings.abc, speech::HeadVariant::Plain, false);
        QCOMPARE(lastMarkup(), head.head + QStringLiteral("hello world  ") + head.tail);
        QVERIFY(lastMarkup().contains(QStringLiteral("<rate speed=\"-3\">")));
        QCOMPARE(commands->state().CurrentRunText, QStringLiteral("hello world  "));
    }

    void browserSelectionFallsBackToTheFirstFrame() {
        QCOMPARE(speech::chooseBrowserText({QStringLiteral("  Top Page  "), QStringLiteral("x")}),
                 QStringLiteral("top page"));
        QCOMPARE(speech::chooseBrowserText({QStringLiteral("   "), QStringLiteral(" In A Frame ")}),
                 QStringLiteral("in a frame"));
        QCOMPARE(speech::chooseBrowserText({QString(), std::nullopt}), QString());
    }

    void speakCursorReadsToTheEndWithoutTrimming() {
        host.tab = speech::BrowserTab;
        host.fromCaret = QStringLiteral("  Abc\r\n");
        commands->SpeakCursor();
        QCOMPARE(host.tab, int(speech::DocumentTab));
        QVERIFY2(lastMarkup().contains(QStringLiteral(">  abc  </")), qPrintable(lastMarkup()));

        host.fromCaret.clear(); // caret at the end
        commands->SpeakCursor();
        QCOMPARE(spoken->size(), 2);
        QCOMPARE(lastMarkup(), QString());
        QVERIFY(prompter.prompts.isEmpty());
    }

    void everyReadingPathConverts_data() {
        QTest::addColumn<int>("tab");
        QTest::addColumn<bool>("fromCaret");
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("direction");
        QTest::addColumn<QString>("spokenText");
        const int toSimp = int(speech::ScriptConversion::TradToSimp);
        const int toTrad = int(speech::ScriptConversion::SimpToTrad);
        const int browser = speech::BrowserTab, document = speech::DocumentTab;
        QTest::newRow("document selection") << document << false << QStringLiteral("後來乾杯")
                                            << toSimp << QStringLiteral("后来干杯");
        QTest::newRow("browser selection") << browser << false << QStringLiteral("乾杯，Cheers")
                                           << toSimp << QStringLiteral("干杯，cheers");
        QTest::newRow("from the caret") << browser << true << QStringLiteral("并且干杯") << toTrad
                                        << QStringLiteral("並且乾杯");
        QTest::newRow("clipboard")
            << document << false << QString() << toSimp << QStringLiteral("后来");
        QTest::newRow("no box") << document << false << QStringLiteral("後來干杯")
                                << int(speech::ScriptConversion::None)
                                << QStringLiteral("後來干杯");
    }
    void everyReadingPathConverts() {
        QFETCH(int, tab);
        QFETCH(bool, fromCaret);
        QFETCH(QString, text);
        QFETCH(int, direction);
        QFETCH(QString, spokenText);
        host.settings.conversion = speech::ScriptConversion(direction);
        host.tab = tab;
        host.browser.page = tab == speech::BrowserTab ? text : QString();
        host.selection = tab == speech::DocumentTab ? text : QString();
        host.fromCaret = text;
        clipboard.content = QStringLiteral("後來");

        fromCaret ? commands->SpeakCursor() : commands->Speak();

        QCOMPARE(spoken->size(), 1);
        QString said = lastMarkup();
        said.remove(QRegularExpression(QStringLiteral("<[^>]*>"))).remove(QStringLiteral(", "));
        QCOMPARE(said, spokenText);
    }

    void dialogueRowsAreNeverConverted() {
        host.settings.conversion = speech::ScriptConversion::TradToSimp;
        host.tab = speech::DialogueTab;
        host.dialogue = QStringLiteral("<voice required=\"NAME=V\">後來乾杯</voice>");
        commands->Speak();
        QCOMPARE(spoken->size(), 1);
        QCOMPARE(lastMarkup(), host.dialogue);
    }

    void dialogueStoppedAtARowWithoutVoice() {
        host.tab = speech::DialogueTab;
        host.dialogue = QStringLiteral("<VOICE REQUIRED=\"NAME=V\">first</VOICE>");
        host.dialogueStoppedEarly = true;
        commands->state().CurrentRunText = QStringLiteral("untouched");
        commands->Speak();
        QCOMPARE(prompter.prompts.size(), 1);
        QCOMPARE(prompter.prompts[0].text, QStringLiteral("請選擇語音 !"));
        QCOMPARE(prompter.prompts[0].icon, PromptIcon::None);
        QCOMPARE(prompter.prompts[0].buttons, speech::PromptButtons::Ok);
        QCOMPARE(prompter.prompts[0].title, QCoreApplication::applicationName());
        // The rows before it are read all the same.
        QCOMPARE(spoken->size(), 1);
        QCOMPARE(lastMarkup(), host.dialogue);
        QCOMPARE(commands->state().CurrentRunText, QStringLiteral("untouched"));
    }

    void refusedFormatStopsTheReading() {
        const QString twoLines =
            QStringLiteral("你的音訊輸出串流不支援此模式 !\n建議 SAFT22kHz16BitMono 模式");
        QVERIFY(!commands->FormatType(QStringLiteral("SAFTTrueSpeech_8kHz1BitMono")));
        QCOMPARE(prompter.prompts.size(), 1);
        QCOMPARE(prompter.prompts[0].text, twoLines);
        QCOMPARE(prompter.prompts[0].icon, PromptIcon::Exclamation);
        QCOMPARE(prompter.prompts[0].title, QStringLiteral("訊息"));
        QVERIFY(commands->FormatType(QStringLiteral("SAFT22kHz16BitMono")));
        QCOMPARE(prompter.prompts.size(), 1);

        prompter.prompts.clear();
        host.settings.formatName = QStringLiteral("SAFTTrueSpeech_8kHz1BitMono");
        host.selection = QStringLiteral("abc");
        commands->state().ReadingInterrupted = true;
        speech::SpeechVoice* before = commands->voice();
        commands->Speak();
        QCOMPARE(prompter.prompts.size(), 2);
        QCOMPARE(prompter.prompts[0].text, twoLines);
        QCOMPARE(prompter.prompts[1].text, QStringLiteral("音訊裝置錯誤!"));
        QCOMPARE(prompter.prompts[1].icon, PromptIcon::Exclamation);
        QVERIFY(!commands->state().ReadingInterrupted);
        QCOMPARE(spoken->size(), 0);
        QCOMPARE(commands->voice(), before); // stopped before the voice was replaced
    }

    void withoutASpeechObjectNothingCrashes() {
        FakeHost bare;
        RecordingPrompter answers;
        speech::ReadingCommands fresh(bare, clipboard, answers, engine);
        QVERIFY(!fresh.FormatType(QStringLiteral("SAFT22kHz16BitMono")));
        fresh.Speakstopresume();
        QCOMPARE(answers.prompts.size(), 2);
        QCOMPARE(answers.prompts[1].icon, PromptIcon::Error);
        QVERIFY(!answers.prompts[1].text.isEmpty());
        fresh.StopAndReset(); // every step is skipped quietly
        QCOMPARE(answers.prompts.size(), 2);
        QCOMPARE(bare.tooltip, QStringLiteral("Pause Reading"));
    }

    void engineFailureIsShownWithItsDescription() {
        host.selection = QStringLiteral("abc");
        host.settings.flags = flagBoxes({11}); // the engine refuses unknown flag bits
        host.busy = true;
        commands->Speak();
        QCOMPARE(spoken->size(), 1);
        QCOMPARE(spoken->last().at(1).toInt(), -128);
        QCOMPARE(prompter.prompts.size(), 1);
        QCOMPARE(prompter.prompts[0].icon, PromptIcon::Error);
        QCOMPARE(prompter.prompts[0].title, QStringLiteral("訊息"));
        QVERIFY(!prompter.prompts[0].text.isEmpty());
        QVERIFY(!host.busy);

        prompter.prompts.clear();
        host.settings.flags = flagBoxes({2, 3, 5});
        host.tab = speech::BrowserTab;
        host.browserFails = true;
        commands->Speak();
        QCOMPARE(prompter.prompts.size(), 1);
        QCOMPARE(prompter.prompts[0].text,
                 QStringLiteral("The web page did not report its selection in time."));
    }

    void pauseClicksMarkTheReadingInterrupted() {
        host.selection = QStringLiteral("a sentence to keep the voice busy for a while");
        commands->Speak();
        for (const char* expected : {"Resume Reading", "Pause Reading"}) {
            commands->state().ReadingInterrupted = false;
            commands->Speakstopresume();
            QCOMPARE(host.tooltip, QLatin1String(expected));
            QVERIFY(commands->state().ReadingInterrupted);
        }
        host.tooltip = QStringLiteral("Resume Reading");
        commands->StopAndReset();
        QCOMPARE(host.tooltip, QStringLiteral("Pause Reading"));
        QVERIFY(!commands->voice()->isSpeaking());
        QVERIFY(prompter.prompts.isEmpty());
    }
    void speechThatFailsLaterIsReported() {
        host.tab = speech::DocumentTab;
        host.selection =
            QStringLiteral("a reading long enough to be cut off while it plays. ").repeated(8);
        commands->Speak();
        QCOMPARE(prompter.prompts.size(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(commands->voice()->isSpeaking(), 5000);
        QTest::qWait(300);
        breakOwnStreams();
        QTRY_COMPARE_WITH_TIMEOUT(prompter.prompts.size(), 1, 10000);
        QCOMPARE(prompter.prompts[0].title, QStringLiteral("訊息"));
        QCOMPARE(prompter.prompts[0].icon, PromptIcon::Error);
        QVERIFY(!prompter.prompts[0].text.isEmpty());
        // Only once, and the reading has ended rather than hanging.
        QVERIFY(commands->voice()->waitUntilDone(5000));
        QCOMPARE(prompter.prompts.size(), 1);
    }
};

QTEST_GUILESS_MAIN(ReadingCommandsTest)
#include "test_reading_commands.moc"
