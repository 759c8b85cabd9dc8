#include "SpeakFlags.h"

#include <QtTest>

using namespace lectern::speech;

namespace {
SpeakFlagStates only(std::initializer_list<int> checks) {
    SpeakFlagStates s{};
    for (int check : checks)
        s[check - 1] = true;
    return s;
}
} // namespace

class FlagsTest : public QObject {
    Q_OBJECT
private slots:
    void flagWordIsASum_data() {
        QTest::addColumn<SpeakFlagStates>("states");
        QTest::addColumn<int>("expected");
        QTest::newRow("boxes as they start") << defaultSpeakFlagStates() << 11;
        QTest::newRow("default box adds nothing") << only({1}) << 0;
        QTest::newRow("single bits equal their OR") << only({2, 3, 4, 5, 6, 7, 8}) << 127;
        QTest::newRow("two 64s add up") << only({8, 9}) << 128;
        QTest::newRow("voice mask plus async") << only({10, 2}) << 128;
        QTest::newRow("unused flags") << only({11}) << -128;
        QTest::newRow("largest") << only({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}) << 318;
        QTest::newRow("everything") << only({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}) << 190;
    }
    void flagWordIsASum() {
        QFETCH(SpeakFlagStates, states);
        QFETCH(int, expected);
        QCOMPARE(int(GetSpeakFlags(states)), expected);
    }

    void negativeWordStaysNegativeWhenWidened() {
        QCOMPARE(widenSpeakFlags(GetSpeakFlags(only({11}))), int32_t(-128));
    }

    void defaultBoxClearsTheOthers() {
        for (bool ticked : {true, false}) {
            SpeakFlagStates s = defaultSpeakFlagStates();
            s[6] = s[10] = true;
            s[0] = ticked;
            const SpeakFlagStates after = applySpeakFlagInterlock(s, 0);
            QCOMPARE(after[0], ticked);
            for (int i = 1; i < SpeakFlagBoxCount; ++i)
                QVERIFY(!after[i]);
        }
    }

    void xmlPairExcludesEachOther() {
        QCOMPARE(applySpeakFlagInterlock(only({5, 6}), 5), only({6}));
        QCOMPARE(applySpeakFlagInterlock(only({5, 6}), 4), only({5}));
        // Clearing one of the pair leaves the other alone.
        QCOMPARE(applySpeakFlagInterlock(only({6}), 4), only({6}));
        // Other boxes have no interlock.
        QCOMPARE(applySpeakFlagInterlock(only({2, 5, 6}), 1), only({2, 5, 6}));
    }
};

QTEST_GUILESS_MAIN(FlagsTest)
#include "test_flags.moc"
