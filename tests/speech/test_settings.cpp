#include "StoredSettings.h"

#include <QtTest>

using namespace lectern::speech;

class SettingsTest : public QObject {
    Q_OBJECT
private slots:
    void sliderValues_data() {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("min");
        QTest::addColumn<int>("max");
        QTest::addColumn<int>("expected"); // INT_MIN: refused
        const int refused = INT_MIN;
        QTest::newRow("rate out of range") << "15" << -10 << 10 << refused;
        QTest::newRow("rate at the edge") << "-10" << -10 << 10 << -10;
        QTest::newRow("pitch beyond rate range") << "-60" << -100 << 100 << -60;
        QTest::newRow("blanks only") << "   " << -10 << 10 << refused;
        QTest::newRow("blanks around") << " 7 " << -10 << 10 << 7;
        QTest::newRow("plus sign") << "+3" << -10 << 10 << 3;
        QTest::newRow("not a number") << "abc" << 0 << 100 << refused;
        QTest::newRow("fraction") << "1.5" << -10 << 10 << refused;
        QTest::newRow("huge") << "99999999999" << 0 << 100 << refused;
    }
    void sliderValues() {
        QFETCH(QString, stored);
        QFETCH(int, min);
        QFETCH(int, max);
        QFETCH(int, expected);
        QCOMPARE(storedSliderValue(stored, min, max).value_or(INT_MIN), expected);
    }

    void voiceNames() {
        const QStringList voices{u"English (America)"_qs, u" Padded"_qs, u"Padded"_qs,
                                 u"Chinese (Mandarin)"_qs};
        QCOMPARE(storedVoiceIndex(u"Chinese (Mandarin)"_qs, voices), std::optional<int>(3));
        QCOMPARE(storedVoiceIndex(u"Microsoft Simplified Chinese"_qs, voices), std::nullopt);
        QCOMPARE(storedVoiceIndex(u"chinese (mandarin)"_qs, voices), std::nullopt);
        QCOMPARE(storedVoiceIndex(u"   "_qs, voices), std::nullopt);
        // The name as stored wins over its trimmed form.
        QCOMPARE(storedVoiceIndex(u" Padded"_qs, voices), std::optional<int>(1));
        QCOMPARE(storedVoiceIndex(u"English (America)  "_qs, voices), std::optional<int>(0));
    }
};

QTEST_GUILESS_MAIN(SettingsTest)
#include "test_settings.moc"
