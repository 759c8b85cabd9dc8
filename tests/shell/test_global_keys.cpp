// F9 and Pause from anywhere on the desktop, through the test key watcher,
// with the real engine and the window stood in for.

#include "EngineBackend.h"
#include "FakeWindow.h"
#include "GlobalKeys.h"
#include "ReadingCommands.h"
#include "TestKeyWatcher.h"
#include "VoiceMarkup.h"

#include <QSignalSpy>
#include <QtTest>

using namespace lectern;

class GlobalKeysTest : public QObject {
    Q_OBJECT

    speech::EngineBackend engine;
    FakeHost host;
    FakeClipboard clipboard;
    FakeClipboard primary;
    RecordingPrompter prompter;
    TestKeyWatcher watcher;
    int pauseClicks = 0;
    std::unique_ptr<speech::ReadingCommands> commands;
    std::unique_ptr<speech::FirstTextOf> otherProgramText;
    std::unique_ptr<shell::GlobalKeys> keys;
    std::unique_ptr<QSignalSpy> spoken;

private slots:
    void init() {
        host = FakeHost();
        prompter = RecordingPrompter();
        pauseClicks = 0;
        commands = std::make_unique<speech::ReadingCommands>(host, clipboard, prompter, engine);
        commands->replaceVoice();
        otherProgramText = std::make_unique<speech::FirstTextOf>(primary, clipboard);
        keys = std::make_unique<shell::GlobalKeys>(watcher, *commands, *otherProgramText,
                                                   [this] { ++pauseClicks; });
        spoken =
            std::make_unique<QSignalSpy>(commands.get(), &speech::ReadingCommands::aboutToSpeak);
        watcher.start();
    }

    void cleanup() {
        watcher.stop();
        if (commands->voice())
            commands->voice()->purge();
        spoken.reset();
        keys.reset();
        commands.reset();
    }

    void f9ReadsWhatTheWindowInFrontHolds_data() {
        QTest::addColumn<bool>("lecternInFront");
        QTest::addColumn<QString>("primaryText");
        QTest::addColumn<QString>("clipboardText");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("spacedHead");
        // Lectern's own selection is read as the read button reads it:
        // trimmed, lower-cased, no comma after a lone Latin run's end.
        QTest::newRow("Lectern in front")
            << true << QStringLiteral("Other Text") << QStringLiteral("Copied")
            << QStringLiteral("in lectern") << false;
        QTest::newRow("another program's selection")
            << false << QStringLiteral("Other Text\r\nLine") << QStringLiteral("Copied")
            << QStringLiteral("Other Text  Line, ") << true;
        QTest::newRow("nothing selected there: the clipboard")
            << false << QString() << QStringLiteral("Copied") << QStringLiteral("Copied, ") << true;
    }
    void f9ReadsWhatTheWindowInFrontHolds() {
        QFETCH(bool, lecternInFront);
        QFETCH(QString, primaryText);
        QFETCH(QString, clipboardText);
        QFETCH(QString, expected);
        QFETCH(bool, spacedHead);
        host.selection = QStringLiteral("  In Lectern ");
        watcher.lecternInFront = lecternInFront;
        primary.content = primaryText;
        clipboard.content = clipboardText;

        watcher.pressF9();

        QVERIFY(prompter.prompts.isEmpty());
        QCOMPARE(spoken->size(), 1);
        const auto abc = speech::buildProfileMarkup(
            host.settings.abc,
            spacedHead ? speech::HeadVariant::SpacedName : speech::HeadVariant::Plain, false);
        QCOMPARE(spoken->last().at(0).toString(), abc.head + expected + abc.tail);
        QCOMPARE(pauseClicks, 0);
    }

    void heldF9StartsTheReadingAgainEachTime() {
        primary.content = QStringLiteral("held down");
        for (int i = 0; i < 20; ++i)
            watcher.pressF9();
        QCOMPARE(spoken->size(), 20);
        QVERIFY(prompter.prompts.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(commands->voice()->isSpeaking(), 5000);
    }

    void pauseIsThePauseButton() {
        watcher.pressPause();
        watcher.pressPause();
        QCOMPARE(pauseClicks, 2);
        QCOMPARE(spoken->size(), 0);
    }

    void nothingHappensOnceStopped() {
        primary.content = QStringLiteral("text");
        watcher.stop();
        watcher.pressF9();
        watcher.pressPause();
        QCOMPARE(spoken->size(), 0);
        QCOMPARE(pauseClicks, 0);
    }
};

QTEST_GUILESS_MAIN(GlobalKeysTest)
#include "test_global_keys.moc"
