// Start-up and shut-down against the real engine: lists, engine defaults and
// the stored voice profiles with their refusal rules.

#include "EngineBackend.h"
#include "FakeWindow.h"
#include "PaneStartUpHost.h"
#include "ReadingCommands.h"
#include "SettingsPane.h"
#include "SpeechEngine.h"
#include "StartUp.h"

#include <QComboBox>
#include <QSettings>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

using namespace lectern;

class StartUpTest : public QObject {
    Q_OBJECT

    QTemporaryDir config;

    static void store(const QList<std::pair<const char*, QString>>& values) {
        QSettings settings(QStringLiteral("Lectern"), QStringLiteral("Lectern"));
        settings.clear();
        settings.beginGroup(QStringLiteral("ini"));
        for (const auto& [key, value] : values)
            settings.setValue(QLatin1String(key), value);
    }

    static QString settingsFile() {
        return QSettings(QStringLiteral("Lectern"), QStringLiteral("Lectern")).fileName();
    }

    struct Rig {
        FakeHost host;
        FakeClipboard clipboard;
        RecordingPrompter prompter;
        speech::EngineBackend engine;
        shell::SettingsPane pane;
        speech::ReadingCommands commands{host, clipboard, prompter, engine};
        bool settingsHidden = true;
        shell::PaneStartUpHost startUpHost{pane, host, settingsHidden};
        speech::StartUp startUp{startUpHost, commands, engine, engine, prompter};
    };

private slots:
    void initTestCase() {
        QVERIFY(config.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    }

    void freshStartShowsEngineDefaults() {
        store({});
        Rig rig;
        rig.host.tab = speech::DocumentTab;
        rig.startUp.Form_Load();

        QVERIFY(rig.prompter.prompts.isEmpty());
        QVERIFY(!rig.settingsHidden);
        QCOMPARE(rig.host.tab, int(speech::BrowserTab));
        QVERIFY(rig.commands.voice());

        const engine::SpObjectTokens voices = engine::SpVoice::GetVoices();
        QCOMPARE(rig.pane.Combo1->count(), voices.Count());
        QCOMPARE(rig.pane.Combo1->currentIndex(), 0);
        int mandarin = 0;
        for (int i = 0; i < voices.Count(); ++i)
            if (voices.Item(i).id == speech::mandarinVoiceId())
                mandarin = i;
        QVERIFY2(mandarin > 0, "the Mandarin voice is installed by the set-up");
        QCOMPARE(rig.pane.Combo2->currentIndex(), mandarin);

        QCOMPARE(rig.pane.Combo3->count(), engine::SpVoice::GetAudioOutputs().Count());
        QCOMPARE(rig.pane.Combo3->currentIndex(), 0);
        QCOMPARE(rig.pane.Combo4->count(), 70);
        QCOMPARE(rig.pane.Combo4->currentText(), QStringLiteral("SAFT22kHz16BitMono"));
        shell::AddFormat(*rig.pane.Combo4);
        QCOMPARE(rig.pane.Combo4->count(), 70);

        engine::SpVoice fresh;
        QCOMPARE(rig.pane.Slider1->value(), fresh.Rate());
        QCOMPARE(rig.pane.Slider3->value(), fresh.Rate());
        QCOMPARE(rig.pane.Slider2->value(), fresh.Volume());
        QCOMPARE(rig.pane.Slider4->value(), fresh.Volume());
        QCOMPARE(rig.pane.Slider6->value(), 0);
        QCOMPARE(rig.pane.Slider7->value(), 0);
    }

    void storedValuesThatDoNotFitAreIgnored() {
        const engine::SpObjectTokens voices = engine::SpVoice::GetVoices();
        QVERIFY(voices.Count() > 2);
        const QString second = voices.Item(2).GetDescription();
        store({{"voice1", QStringLiteral("No Such Voice")},
               {"rate1", QStringLiteral("15")},
               {"volume1", QStringLiteral("   ")},
               {"pitch1", QStringLiteral("-60")},
               {"voice2", second},
               {"rate2", QStringLiteral("-3")},
               {"volume2", QStringLiteral("loud")},
               {"pitch2", QStringLiteral("100")}});
        Rig rig;
        rig.startUp.Form_Load();

        QVERIFY(rig.prompter.prompts.isEmpty());
        QCOMPARE(rig.pane.Combo1->currentIndex(), 0);
        QCOMPARE(rig.pane.Slider1->value(), 0);
        QCOMPARE(rig.pane.Slider2->value(), 100);
        QCOMPARE(rig.pane.Slider6->value(), -60);
        QCOMPARE(rig.pane.Combo2->currentText(), second);
        QCOMPARE(rig.pane.Slider3->value(), -3);
        QCOMPARE(rig.pane.Slider4->value(), 100);
        QCOMPARE(rig.pane.Slider7->value(), 100);
    }

    // A value typed in Qt's own notation whose list length asks for tens of
    // gigabytes (found by fuzzing): refused like any other misfit, no prompt.
    void typedValueAskingForHugeMemoryIsIgnored() {
        QVERIFY(QDir().mkpath(QFileInfo(settingsFile()).absolutePath()));
        QFile f(settingsFile());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write("[ini]\nvoice1=@Variant(\\0\\0\\0\\voice)\n"
                "rate1=@Variant(\\0\\0\\0\\voice)\nvolume1=40\n");
        f.close();
        Rig rig;
        rig.startUp.Form_Load();
        QVERIFY(rig.prompter.prompts.isEmpty());
        QCOMPARE(rig.pane.Combo1->currentIndex(), 0);
        QCOMPARE(rig.pane.Slider1->value(), engine::SpVoice().Rate());
        QCOMPARE(rig.pane.Slider2->value(), 40);
    }

    // The settings file in a state it cannot be read from: start-up goes on
    // with the defaults and says so once, without applying half of it.
    void unreadableSettingsFallBackToDefaults_data() {
        QTest::addColumn<QString>("damage");
        QTest::newRow("a folder in its place") << QStringLiteral("folder");
        QTest::newRow("broken syntax") << QStringLiteral("garbage");
        QTest::newRow("no permission") << QStringLiteral("unreadable");
    }
    void unreadableSettingsFallBackToDefaults() {
        QFETCH(QString, damage);
        store({{"rate1", QStringLiteral("5")}, {"volume2", QStringLiteral("40")}});
        const QString file = settingsFile();
        if (damage == u"folder") {
            QVERIFY(QFile::remove(file));
            QVERIFY(QDir().mkpath(file));
        } else if (damage == u"garbage") {
            QFile f(file);
            QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
            f.write(QByteArray("[ini]\nrate1=5\nvolume2=40\n[never closed\n\x01\xfe\xff\x00=", 41));
        } else {
            if (geteuid() == 0)
                QSKIP("permissions do not bind the superuser");
            QVERIFY(QFile::setPermissions(file, QFileDevice::Permissions()));
        }
        const auto restore = qScopeGuard([&] {
            QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
            QDir(file).removeRecursively();
            QFile::remove(file);
        });

        Rig rig;
        rig.startUp.Form_Load();
        QCOMPARE(rig.prompter.prompts.size(), 1);
        QVERIFY2(rig.prompter.prompts[0].text.contains(u"could not be read"),
                 qPrintable(rig.prompter.prompts[0].text));
        QCOMPARE(rig.prompter.prompts[0].icon, speech::PromptIcon::Error);
        // The rest of start-up ran and nothing stored was applied.
        QVERIFY(rig.commands.voice());
        QCOMPARE(rig.pane.Combo3->count(), engine::SpVoice::GetAudioOutputs().Count());
        QCOMPARE(rig.pane.Slider1->value(), 0);
        QCOMPARE(rig.pane.Slider4->value(), 100);
    }

    // Settings that cannot be written are reported at shut-down.
    void savingWhereItCannotBeWrittenIsReported_data() {
        QTest::addColumn<QString>("obstacle");
        QTest::newRow("a file in place of the folder") << QStringLiteral("file");
        QTest::newRow("read-only folder") << QStringLiteral("read-only");
    }
    void savingWhereItCannotBeWrittenIsReported() {
        QFETCH(QString, obstacle);
        store({});
        const QString folder = QFileInfo(settingsFile()).absolutePath();
        QVERIFY(QDir(folder).removeRecursively());
        if (obstacle == u"file") {
            QFile f(folder);
            QVERIFY(f.open(QIODevice::WriteOnly));
        } else {
            if (geteuid() == 0)
                QSKIP("permissions do not bind the superuser");
            QVERIFY(QDir().mkpath(folder));
            QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        }
        const auto restore = qScopeGuard([&] {
            QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner);
            QFile::remove(folder);
            QDir().mkpath(folder);
        });

        Rig rig;
        rig.startUp.Form_Load();
        rig.prompter.prompts.clear(); // start-up may fail to read it; shut-down is under test
        rig.pane.Slider1->setValue(4);
        rig.startUp.Form_Unload();
        QCOMPARE(rig.prompter.prompts.size(), 1);
        QVERIFY2(rig.prompter.prompts[0].text.contains(u"could not be saved"),
                 qPrintable(rig.prompter.prompts[0].text));
    }

    void everyStepRunsAndTheLastFailureIsReported() {
        int ran = 0;
        const QString last = speech::runSteps({
            [] { throw engine::EngineError(QStringLiteral("first")); },
            [&] { ++ran; },
            [] { throw std::runtime_error("second"); },
            [&] { ++ran; },
        });
        QCOMPARE(ran, 2);
        QCOMPARE(last, QStringLiteral("second"));
        QCOMPARE(speech::runSteps({[&] { ++ran; }}), QString());
    }
};

QTEST_MAIN(StartUpTest)
#include "test_startup.moc"
