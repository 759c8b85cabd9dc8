// The mixer against the real sound server that scripts/test provides; what
// it did is read back with pactl.

#include "Mixer.h"

#include <QProcess>
#include <QRegularExpression>
#include <QtTest>

using namespace lectern::audio;

namespace {

QString pactl(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("pactl"), args);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Every channel's raw volume of the default sink.
QList<uint32_t> sinkVolumes() {
    const QString out =
        pactl({QStringLiteral("get-sink-volume"), QStringLiteral("@DEFAULT_SINK@")});
    static const QRegularExpression raw(QStringLiteral(":\\s*(\\d+)\\s*/"));
    QList<uint32_t> values;
    for (auto it = raw.globalMatch(out.section(u'\n', 0, 0)); it.hasNext();)
        values << it.next().captured(1).toUInt();
    return values;
}

bool sinkMuted() {
    return pactl({QStringLiteral("get-sink-mute"), QStringLiteral("@DEFAULT_SINK@")})
        .contains(QStringLiteral("yes"));
}

} // namespace

class MixerTest : public QObject {
    Q_OBJECT
    QList<uint32_t> before;
    bool mutedBefore = false;

private slots:
    void initTestCase() {
        before = sinkVolumes();
        QVERIFY2(!before.isEmpty(), "no default sink");
        mutedBefore = sinkMuted();
    }
    void cleanupTestCase() {
        // Leave the server as it was found.
        pactl({QStringLiteral("set-sink-volume"), QStringLiteral("@DEFAULT_SINK@"),
               QString::number(before.first())});
        pactl({QStringLiteral("set-sink-mute"), QStringLiteral("@DEFAULT_SINK@"),
               mutedBefore ? QStringLiteral("1") : QStringLiteral("0")});
    }

    void scaleMapsLinearlyOntoNormal_data() {
        QTest::addColumn<uint>("mixer");
        QTest::addColumn<uint>("pulse");
        QTest::newRow("silent") << 0u << 0u;
        QTest::newRow("full") << 65535u << 65536u;
        QTest::newRow("half, rounded up") << 32768u << 32769u;
        QTest::newRow("one large step") << 5000u << 5000u;
        QTest::newRow("three quarters") << 49151u << 49152u;
    }
    void scaleMapsLinearlyOntoNormal() {
        QFETCH(uint, mixer);
        QFETCH(uint, pulse);
        QCOMPARE(PulseMixer::toPulse(mixer), pulse);
    }

    void everySliderValueSurvivesTheRoundTrip() {
        for (uint32_t v = 0; v <= MixerVolumeMax; ++v)
            if (PulseMixer::fromPulse(PulseMixer::toPulse(v)) != v)
                QFAIL(qPrintable(QString::number(v)));
        // Above normal shows as the top of the slider.
        QCOMPARE(PulseMixer::fromPulse(100000), MixerVolumeMax);
    }

    void volumeGoesToEveryChannelOfTheDefaultSink_data() {
        QTest::addColumn<uint>("volume");
        QTest::newRow("zero") << 0u;
        QTest::newRow("a fifth") << 13107u;
        QTest::newRow("most") << 60000u;
        QTest::newRow("full") << 65535u;
    }
    void volumeGoesToEveryChannelOfTheDefaultSink() {
        QFETCH(uint, volume);
        PulseMixer mixer;
        QVERIFY(mixer.setVolume(volume));
        const QList<uint32_t> now = sinkVolumes();
        QVERIFY(!now.isEmpty());
        for (uint32_t channel : now)
            QCOMPARE(channel, PulseMixer::toPulse(volume));
        QCOMPARE(mixer.volume(), std::optional<uint32_t>(volume));
    }

    void volumeSetElsewhereIsRead() {
        pactl({QStringLiteral("set-sink-volume"), QStringLiteral("@DEFAULT_SINK@"),
               QStringLiteral("16384")});
        QCOMPARE(PulseMixer().volume(), std::optional<uint32_t>(PulseMixer::fromPulse(16384)));
    }

    void muteSwitchesTheSinkAndLeavesTheVolume() {
        PulseMixer mixer;
        QVERIFY(mixer.setVolume(30000));
        QVERIFY(mixer.setMuted(true));
        QVERIFY(sinkMuted());
        QCOMPARE(mixer.muted(), std::optional<bool>(true));
        QCOMPARE(mixer.volume(), std::optional<uint32_t>(30000));
        QVERIFY(mixer.setMuted(false));
        QVERIFY(!sinkMuted());
        QCOMPARE(mixer.muted(), std::optional<bool>(false));
    }

    void noServerIsToldApart() {
        const QByteArray saved = qgetenv("PULSE_SERVER");
        qputenv("PULSE_SERVER", "unix:/nonexistent/lectern-no-server");
        PulseMixer mixer;
        QVERIFY_THROWS_EXCEPTION(MixerUnavailable, mixer.volume());
        QVERIFY_THROWS_EXCEPTION(MixerUnavailable, mixer.setVolume(1));
        QVERIFY_THROWS_EXCEPTION(MixerUnavailable, mixer.muted());
        QVERIFY_THROWS_EXCEPTION(MixerUnavailable, mixer.setMuted(true));
        if (saved.isNull())
            qunsetenv("PULSE_SERVER");
        else
            qputenv("PULSE_SERVER", saved);
    }
};

QTEST_GUILESS_MAIN(MixerTest)
#include "test_mixer.moc"
