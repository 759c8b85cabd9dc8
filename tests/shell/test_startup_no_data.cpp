// Start-up on a machine whose synthesiser data is missing: the one message
// at the end must name the cause, not only that the engine is not running.
// A program of its own, because the engine starts once per process.

#include "EngineBackend.h"
#include "FakeWindow.h"
#include "PaneStartUpHost.h"
#include "ReadingCommands.h"
#include "SettingsPane.h"
#include "StartUp.h"

#include <QComboBox>
#include <QTemporaryDir>
#include <QtTest>

using namespace lectern;

class StartUpNoDataTest : public QObject {
    Q_OBJECT

    QTemporaryDir config;
    QTemporaryDir emptyData;

private slots:
    void initTestCase() {
        QVERIFY(config.isValid() && emptyData.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
        qputenv("ESPEAK_DATA_PATH", QFile::encodeName(emptyData.path()));
    }

    void lastFailureNamesTheMissingData() {
        FakeHost host;
        FakeClipboard clipboard;
        RecordingPrompter prompter;
        shell::SettingsPane pane;
        speech::EngineBackend engine;
        speech::ReadingCommands commands{host, clipboard, prompter, engine};
        bool settingsHidden = true;
        shell::PaneStartUpHost startUpHost{pane, host, settingsHidden};
        speech::StartUp startUp{startUpHost, commands, engine, engine, prompter};
        startUp.Form_Load();

        QVERIFY(!commands.voice());
        QCOMPARE(pane.Combo1->count(), 0);
        QVERIFY(!settingsHidden); // the steps after the failures still ran
        QCOMPARE(prompter.prompts.size(), 1);
        const Prompt& shown = prompter.prompts.front();
        QCOMPARE(shown.icon, speech::PromptIcon::Error);
        QVERIFY2(shown.text.startsWith(
                     QStringLiteral("The speech engine has not been started: eSpeak NG found "
                                    "no voice data in %1")
                         .arg(emptyData.path())),
                 qPrintable(shown.text));
    }
};

QTEST_MAIN(StartUpNoDataTest)
#include "test_startup_no_data.moc"
