// Start-up and shut-down over a recording engine and a window of plain
// lists: the lists, the Mandarin choice, the order of the panes' services,
// and the stored profiles with their refusal rules.

#include "FakeSpeech.h"
#include "FakeWindow.h"
#include "ReadingCommands.h"
#include "StoredSettings.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

using namespace lectern;

class StartUpRulesTest : public QObject {
    Q_OBJECT

    QTemporaryDir config;

    struct Rig {
        FakeSpeech engine;
        FakeHost window;
        FakeClipboard clipboard;
        RecordingPrompter prompter;
        FakeStartUpHost host;
        speech::ReadingCommands commands{window, clipboard, prompter, engine};
        speech::StartUp startUp{host, commands, engine, engine, prompter};
    };

    static void store(const QList<std::pair<const char*, QString>>& values) {
        QSettings settings(QStringLiteral("Lectern"), QStringLiteral("Lectern"));
        settings.clear();
        settings.beginGroup(QStringLiteral("ini"));
        for (const auto& [key, value] : values)
            settings.setValue(QLatin1String(key), value);
    }

private slots:
    void initTestCase() {
        QVERIFY(config.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    }

    void loadFillsListsAndRunsThePanesServicesInOrder() {
        store({});
        Rig rig;
        rig.startUp.Form_Load();

        QVERIFY(rig.prompter.prompts.isEmpty());
        QVERIFY(!rig.host.settingsHidden);
        QCOMPARE(rig.host.tab, int(speech::BrowserTab));
        QCOMPARE(rig.engine.log.mid(0, 2),
                 QStringList({QStringLiteral("create -1"), QStringLiteral("voice 0")}));
        QCOMPARE(rig.host.abcVoices.size(), 3);
        QCOMPARE(rig.host.settings.abc.voiceName, QStringLiteral("English (America)"));
        QCOMPARE(rig.host.settings.other.voiceName, QStringLiteral("Chinese (Mandarin)"));
        QCOMPARE(rig.host.outputs, rig.engine.outputList);
        QCOMPARE(rig.host.formats.size(), 70);
        QCOMPARE(rig.host.settings.formatName, QStringLiteral("SAFT22kHz16BitMono"));
        QCOMPARE(rig.host.settings.abc.volume, 100);
        QCOMPARE(rig.host.hooks,
                 QStringList({QStringLiteral("fonts"), QStringLiteral("fileBrowser"),
                              QStringLiteral("mixer"), QStringLiteral("home"),
                              QStringLiteral("installKeyWatcher"), QStringLiteral("normalCursor"),
                              QStringLiteral("dialogueGrid")}));

        rig.host.hooks.clear();
        rig.startUp.Form_Unload();
        QCOMPARE(rig.host.hooks,
                 QStringList({QStringLiteral("removeKeyWatcher"), QStringLiteral("normalCursor")}));
    }

    void failingStepsDoNotStopTheOthers() {
        store({});
        Rig rig;
        rig.engine.voiceList.clear(); // the voice cannot be chosen
        rig.startUp.Form_Load();
        QCOMPARE(rig.prompter.prompts.size(), 1);
        QCOMPARE(rig.prompter.prompts[0].icon, speech::PromptIcon::Error);
        QCOMPARE(rig.host.formats.size(), 70);
        QCOMPARE(rig.host.hooks.last(), QStringLiteral("dialogueGrid"));
    }

    void storedProfilesRoundTripAndBadValuesAreRefused_data() {
        QTest::addColumn<QString>("rate");
        QTest::addColumn<QString>("voice");
        QTest::addColumn<int>("expectedRate");
        QTest::addColumn<QString>("expectedVoice");
        QTest::newRow("accepted") << u" -4 "_qs << u"Chinese (Cantonese)"_qs << -4
                                  << u"Chinese (Cantonese)"_qs;
        QTest::newRow("out of range") << u"11"_qs << u"Nobody"_qs << 0 << u"Chinese (Mandarin)"_qs;
        QTest::newRow("not a number") << u"1.5"_qs << u"  "_qs << 0 << u"Chinese (Mandarin)"_qs;
    }
    void storedProfilesRoundTripAndBadValuesAreRefused() {
        QFETCH(QString, rate);
        QFETCH(QString, voice);
        QFETCH(int, expectedRate);
        QFETCH(QString, expectedVoice);
        store({{speech::OtherProfileKeys.rate, rate},
               {speech::OtherProfileKeys.voice, voice},
               {speech::AbcProfileKeys.pitch, u"55"_qs}});
        {
            Rig rig;
            rig.startUp.Form_Load();
            QCOMPARE(rig.host.settings.other.speed, expectedRate);
            QCOMPARE(rig.host.settings.other.voiceName, expectedVoice);
            QCOMPARE(rig.host.settings.abc.pitch, 55);
            rig.host.settings.abc.volume = 35;
            rig.startUp.Form_Unload();
        }
        Rig next;
        next.startUp.Form_Load();
        QCOMPARE(next.host.settings.abc.volume, 35);
        QCOMPARE(next.host.settings.other.speed, expectedRate);
        QCOMPARE(next.host.settings.other.voiceName, expectedVoice);
    }
};

QTEST_GUILESS_MAIN(StartUpRulesTest)
#include "test_startup_rules.moc"
