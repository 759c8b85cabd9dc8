// Reading the clipboard (or another program's selection) aloud: the real
// engine and sound server, with the window and clipboard stood in for.

#include "EngineBackend.h"
#include "FakeWindow.h"
#include "ReadingCommands.h"
#include "VoiceMarkup.h"

#include <QSignalSpy>
#include <QtTest>

using namespace lectern;
using lectern::speech::PromptIcon;

class ClipboardReadingTest : public QObject {
    Q_OBJECT

    speech::EngineBackend engine;
    FakeHost host;
    FakeClipboard clipboard;
    RecordingPrompter prompter;
    std::unique_ptr<speech::ReadingCommands> commands;
    std::unique_ptr<QSignalSpy> spoken;

    speech::ProfileMarkup spaced(const speech::VoiceProfile& profile) const {
        return speech::buildProfileMarkup(profile, speech::HeadVariant::SpacedName, false);
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
        if (commands->voice())
            commands->voice()->purge();
        spoken.reset();
        commands.reset();
    }

    void textIsReadAsItStands_data() {
        QTest::addColumn<QString>("clip");
        QTest::addColumn<QStringList>("abcRuns");   // in order, each followed by ", "
        QTest::addColumn<QStringList>("otherRuns"); // in order, each followed by ", "
        QTest::newRow("three letters")
            << QStringLiteral("abc") << QStringList{"abc"} << QStringList{};
        QTest::newRow("capitals and blanks kept")
            << QStringLiteral("  Hello World  ") << QStringList{"  Hello World  "} << QStringList{};
        QTest::newRow("each CR LF becomes two spaces")
            << QStringLiteral("One\r\nTwo\r\n\r\nThree") << QStringList{"One  Two    Three"}
            << QStringList{};
        QTest::newRow("a comma after every run, Chinese included")
            << QStringLiteral("Read 中文 Now") << QStringList{"Read ", "Now"}
            << QStringList{"中文 "};
    }
    void textIsReadAsItStands() {
        QFETCH(QString, clip);
        QFETCH(QStringList, abcRuns);
        QFETCH(QStringList, otherRuns);
        clipboard.content = clip;
        commands->state().FollowReading = true;
        host.busy = true;

        commands->SpeakClipboard();

        QVERIFY(prompter.prompts.isEmpty());
        QCOMPARE(spoken->size(), 1);
        QCOMPARE(spoken->last().at(1).toInt(), 11);
        const QString markup = spoken->last().at(0).toString();
        const auto abc = spaced(host.settings.abc);
        const auto other = spaced(host.settings.other);
        QVERIFY(
            abc.head.startsWith(QStringLiteral("<VOICE REQUIRED=\" NAME=English (America)\">")));
        QString expected;
        // Runs alternate, starting with the script of the first character.
        const bool abcFirst = !clip.isEmpty() && clip.at(0).unicode() < 0x80;
        for (int i = 0, a = 0, o = 0; a < abcRuns.size() || o < otherRuns.size(); ++i) {
            const bool takeAbc = (i % 2 == 0) == abcFirst;
            if (takeAbc && a < abcRuns.size())
                expected += abc.head + abcRuns[a++] + QStringLiteral(", ") + abc.tail;
            else if (!takeAbc && o < otherRuns.size())
                expected += other.head + otherRuns[o++] + QStringLiteral(", ") + other.tail;
        }
        QCOMPARE(markup, expected);
        QVERIFY(!commands->state().FollowReading);
        QVERIFY(!host.busy);
    }

    void emptyClipboardReadsNothingAndSaysNothing() {
        commands->state().CurrentRunText = QStringLiteral("left from before");
        commands->SpeakClipboard();
        QCOMPARE(spoken->size(), 0);
        QVERIFY(prompter.prompts.isEmpty());
        QVERIFY(commands->state().CurrentRunText.isEmpty());
        QCOMPARE(host.normalCursorCalls, 1);
    }

    void refusedFormatShowsTheTwoLineMessage() {
        host.settings.formatName = QStringLiteral("SAFTTrueSpeech_8kHz1BitMono");
        clipboard.content = QStringLiteral("abc");
        commands->state().ReadingInterrupted = true;
        commands->SpeakClipboard();
        QCOMPARE(spoken->size(), 0);
        QCOMPARE(prompter.prompts.size(), 2);
        QCOMPARE(prompter.prompts[1].title, QStringLiteral("訊息"));
        QCOMPARE(prompter.prompts[1].icon, PromptIcon::Exclamation);
        QCOMPARE(prompter.prompts[1].text,
                 QStringLiteral("音訊裝置錯誤！\r\n若持續產生錯誤無法朗讀，請重啟程式再試！"));
        QVERIFY(!commands->state().ReadingInterrupted);
    }

    void otherProgramsSelectionComesBeforeTheClipboard_data() {
        QTest::addColumn<QString>("primary");
        QTest::addColumn<QString>("clip");
        QTest::addColumn<QString>("read");
        QTest::newRow("selection held")
            << QStringLiteral("Selected") << QStringLiteral("Copied") << QStringLiteral("Selected");
        QTest::newRow("nothing selected")
            << QString() << QStringLiteral("Copied") << QStringLiteral("Copied");
        QTest::newRow("blank selection is text")
            << QStringLiteral(" ") << QStringLiteral("Copied") << QStringLiteral(" ");
    }
    void otherProgramsSelectionComesBeforeTheClipboard() {
        QFETCH(QString, primary);
        QFETCH(QString, clip);
        QFETCH(QString, read);
        FakeClipboard selection;
        selection.content = primary;
        clipboard.content = clip;
        commands->SpeakClipboard(speech::FirstTextOf(selection, clipboard));
        QCOMPARE(spoken->size(), 1);
        const auto abc = spaced(host.settings.abc);
        QCOMPARE(spoken->last().at(0).toString(),
                 abc.head + read + QStringLiteral(", ") + abc.tail);
    }

    void otherFailuresShowTheirDescription() {
        clipboard.content = QStringLiteral("abc");
        host.settings.flags = flagBoxes({11}); // the engine refuses unknown flag bits
        commands->SpeakClipboard();
        QCOMPARE(prompter.prompts.size(), 1);
        QCOMPARE(prompter.prompts[0].icon, PromptIcon::Error);
        QVERIFY(!prompter.prompts[0].text.isEmpty());
    }
};

QTEST_GUILESS_MAIN(ClipboardReadingTest)
#include "test_clipboard_reading.moc"
