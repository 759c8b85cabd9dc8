// The mixer's slider and button logic over a stand-in mixer.

#include "MixerCommands.h"
#include "RecordingPrompter.h"

#include <QtTest>

using namespace lectern;
using lectern::speech::PromptIcon;

namespace {

class FakeMixer : public audio::Mixer {
public:
    bool server = true;
    bool masterOutput = true;
    uint32_t level = 20000;
    bool mute = false;
    QStringList calls;

    std::optional<uint32_t> volume() override {
        open(QStringLiteral("volume"));
        return masterOutput ? std::optional<uint32_t>(level) : std::nullopt;
    }
    bool setVolume(uint32_t v) override {
        open(QStringLiteral("setVolume %1").arg(v));
        if (masterOutput)
            level = v;
        return masterOutput;
    }
    std::optional<bool> muted() override {
        open(QStringLiteral("muted"));
        return masterOutput ? std::optional<bool>(mute) : std::nullopt;
    }
    bool setMuted(bool m) override {
        open(QStringLiteral("setMuted %1").arg(m));
        if (masterOutput)
            mute = m;
        return masterOutput;
    }

private:
    void open(const QString& call) {
        if (!server)
            throw audio::MixerUnavailable(QStringLiteral("No sound server answered."));
        calls << call;
    }
};

class FakeControls : public shell::MixerControls {
public:
    int volume = -1;
    QString caption = QStringLiteral("unset");
    void showVolume(int v) override { volume = v; }
    QString muteCaption() const override { return caption; }
    void setMuteCaption(const QString& c) override { caption = c; }
};

} // namespace

class MixerCommandsTest : public QObject {
    Q_OBJECT
    FakeMixer mixer;
    FakeControls controls;
    RecordingPrompter prompter;

    shell::MixerCommands commands() { return shell::MixerCommands(mixer, controls, prompter); }

private slots:
    void init() {
        mixer = FakeMixer();
        controls = FakeControls();
        prompter = RecordingPrompter();
    }

    void startUpShowsTheMachine_data() {
        QTest::addColumn<bool>("muted");
        QTest::addColumn<QString>("caption");
        QTest::newRow("muted") << true << QStringLiteral("v");
        QTest::newRow("sounding") << false << QString();
    }
    void startUpShowsTheMachine() {
        QFETCH(bool, muted);
        QFETCH(QString, caption);
        mixer.mute = muted;
        mixer.level = 43210;
        commands().showState();
        QCOMPARE(controls.caption, caption);
        QCOMPARE(controls.volume, 43210);
        QCOMPARE(mixer.calls, (QStringList{QStringLiteral("muted"), QStringLiteral("volume")}));
        QVERIFY(prompter.prompts.isEmpty());
    }

    void noServerIsToldOncePerCommand() {
        mixer.server = false;
        commands().showState();
        QCOMPARE(prompter.prompts.size(), 2);
        for (const Prompt& p : prompter.prompts) {
            QCOMPARE(p.text, QStringLiteral("無法開啟混音裝置"));
            QCOMPARE(p.icon, PromptIcon::None);
            QCOMPARE(p.title, shell::applicationTitle());
        }
        QCOMPARE(controls.volume, -1);
        QCOMPARE(controls.caption, QStringLiteral("unset"));
    }

    void noMasterOutputShowsNothing() {
        mixer.masterOutput = false;
        auto c = commands();
        c.showState();
        c.setMasterVolume(5);
        QCOMPARE(controls.volume, -1);
        QCOMPARE(controls.caption, QStringLiteral("unset"));
        QVERIFY(prompter.prompts.isEmpty());
    }

    void sliderSetsTheVolumeOnly_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<uint>("set");
        QTest::newRow("zero does not mute") << 0 << 0u;
        QTest::newRow("top") << 65535 << 65535u;
        QTest::newRow("middle") << 30000 << 30000u;
        QTest::newRow("above the range") << 70000 << 65535u;
        QTest::newRow("below the range") << -3 << 0u;
    }
    void sliderSetsTheVolumeOnly() {
        QFETCH(int, value);
        QFETCH(uint, set);
        commands().setMasterVolume(value);
        QCOMPARE(mixer.calls, QStringList{QStringLiteral("setVolume %1").arg(set)});
        QVERIFY(!mixer.mute);
    }

    void buttonFollowsItsCaption_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("machineMuted");
        QTest::addColumn<QString>("after");
        QTest::addColumn<bool>("muted");
        QTest::newRow("mute") << QString() << false << QStringLiteral("v") << true;
        QTest::newRow("unmute") << QStringLiteral("v") << true << QString() << false;
        // Muted elsewhere since start-up: the caption still decides.
        QTest::newRow("muted elsewhere") << QString() << true << QStringLiteral("v") << true;
    }
    void buttonFollowsItsCaption() {
        QFETCH(QString, caption);
        QFETCH(bool, machineMuted);
        QFETCH(QString, after);
        QFETCH(bool, muted);
        controls.caption = caption;
        mixer.mute = machineMuted;
        commands().muteClicked();
        QCOMPARE(controls.caption, after);
        QCOMPARE(mixer.mute, muted);
        QCOMPARE(mixer.calls.size(), 1);
    }

    void buttonWithoutServerKeepsItsCaption() {
        mixer.server = false;
        controls.caption = QString();
        commands().muteClicked();
        QCOMPARE(controls.caption, QString());
        QCOMPARE(prompter.prompts.size(), 1);
        QCOMPARE(prompter.prompts[0].text, shell::mixerUnavailableMessage());
    }
};

QTEST_GUILESS_MAIN(MixerCommandsTest)
#include "test_mixer_commands.moc"
