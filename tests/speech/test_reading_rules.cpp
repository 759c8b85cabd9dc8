// The reading commands' own rules against a recording engine: which voice
// and flags a reading uses, failures by type, and a reading started while
// another one waits.

#include "FakeSpeech.h"
#include "FakeWindow.h"
#include "ReadingCommands.h"

#include <QtTest>

using namespace lectern;
using lectern::speech::PromptIcon;

class ReadingRulesTest : public QObject {
    Q_OBJECT

    FakeSpeech engine;
    FakeHost host;
    FakeClipboard clipboard;
    RecordingPrompter prompter;
    std::unique_ptr<speech::ReadingCommands> commands;

private slots:
    void init() {
        engine = FakeSpeech();
        host = FakeHost();
        clipboard.content.clear();
        prompter = RecordingPrompter();
        commands = std::make_unique<speech::ReadingCommands>(host, clipboard, prompter, engine);
        commands->replaceVoice();
        engine.log.clear();
    }

    void readingTakesOutputFlagsAndFormatFromTheSettings() {
        host.selection = QStringLiteral("abc");
        host.settings.outputIndex = 1;
        host.settings.flags = flagBoxes({2, 5});
        host.settings.formatName = QStringLiteral("SAFT8kHz8BitMono");
        commands->Speak();

        QVERIFY(prompter.prompts.isEmpty());
        QCOMPARE(engine.log.size(), 3);
        QCOMPARE(engine.log[0], QStringLiteral("format 4"));
        QCOMPARE(engine.log[1], QStringLiteral("create 1"));
        QVERIFY(engine.log[2].startsWith(QStringLiteral("speak 9: ")));
        QVERIFY(engine.log[2].contains(QStringLiteral("abc")));
        QCOMPARE(host.normalCursorCalls, 1);
    }

    void stopPurgesWaitsAndResetsThePauseButton() {
        host.tooltip = QStringLiteral("Resume Reading");
        commands->StopAndReset();
        QCOMPARE(engine.log, QStringList({QStringLiteral("purge"), QStringLiteral("wait 5000")}));
        QCOMPARE(host.tooltip, QStringLiteral("Pause Reading"));
    }

    void failuresAreToldByType_data() {
        QTest::addColumn<bool>("refused");
        QTest::addColumn<QStringList>("shown");
        QTest::newRow("refusal")
            << true
            << QStringList{
                   QStringLiteral("你的音訊輸出串流不支援此模式 !\n建議 SAFT22kHz16BitMono 模式"),
                   QStringLiteral("音訊裝置錯誤!")};
        QTest::newRow("other failure keeps its words")
            << false << QStringList{QStringLiteral("The sound card caught fire.")};
    }
    void failuresAreToldByType() {
        QFETCH(bool, refused);
        QFETCH(QStringList, shown);
        host.selection = QStringLiteral("abc");
        if (refused)
            engine.refusedFormats.insert(22);
        else
            engine.formatFailure = QStringLiteral("The sound card caught fire.");
        commands->Speak();

        QStringList texts;
        for (const Prompt& p : prompter.prompts)
            texts << p.text;
        QCOMPARE(texts, shown);
        QCOMPARE(prompter.prompts.last().icon,
                 refused ? PromptIcon::Exclamation : PromptIcon::Error);
        QVERIFY(engine.logged(QStringLiteral("speak")).isEmpty());
        QVERIFY(engine.logged(QStringLiteral("create")).isEmpty());
    }

    // Window events run while a reading gathers its text; a click then
    // starts another reading inside it. Only the newer one speaks.
    void newerReadingWins_data() {
        QTest::addColumn<bool>("duringPageQuery");
        QTest::newRow("while the page is asked") << true;
        QTest::newRow("while the clipboard question is open") << false;
    }
    void newerReadingWins() {
        QFETCH(bool, duringPageQuery);
        host.browser.page = QStringLiteral("older page text");
        host.fromCaret = QStringLiteral("newer caret text");
        auto startNewer = [this] { commands->SpeakCursor(); };
        if (duringPageQuery) {
            host.tab = speech::BrowserTab;
            host.whileAskingPage = startNewer;
        } else {
            host.tab = speech::DocumentTab;
            clipboard.content = QStringLiteral("older clipboard text");
            prompter.whileShown = startNewer;
        }
        commands->Speak();

        const QStringList spoken = engine.logged(QStringLiteral("speak"));
        QCOMPARE(spoken.size(), 1);
        QVERIFY(spoken[0].contains(QStringLiteral("newer caret text")));
        QCOMPARE(host.normalCursorCalls, 2);
    }

    void lateFailureOfAReplacedVoiceIsMoot() {
        speech::SpeechVoice* old = commands->voice();
        QSignalSpy replaced(old, &QObject::destroyed);
        host.selection = QStringLiteral("abc");
        commands->Speak();
        QCOMPARE(replaced.size(), 1);
        emit commands->voice()->failed(QStringLiteral("The stream broke."));
        QCOMPARE(prompter.prompts.size(), 1);
        QCOMPARE(prompter.prompts[0].icon, PromptIcon::Error);
        QCOMPARE(prompter.prompts[0].text, QStringLiteral("The stream broke."));
    }
};

QTEST_GUILESS_MAIN(ReadingRulesTest)
#include "test_reading_rules.moc"
