#include "FormatList.h"

#include <QtTest>

using namespace lectern::audio;

class FormatListTest : public QObject {
    Q_OBJECT
private slots:
    void listOrderIsValueOrder() {
        const QStringList names = formatNames();
        QCOMPARE(names.size(), 70);
        for (int p = 0; p < names.size(); ++p)
            QCOMPARE(formatValue(names[p]), p - 1);
        QCOMPARE(QStringList(names).removeDuplicates(), 0);
    }

    void lookup_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("value");
        QTest::newRow("default") << "SAFTDefault" << -1;
        QTest::newRow("no assigned format") << "SAFTNoAssignedFormat" << 0;
        QTest::newRow("last PCM") << "SAFT48kHz16BitStereo" << 39;
        QTest::newRow("last entry") << "SAFTGSM610_44kHzMono" << 68;
        QTest::newRow("wrong case") << "saft22khz16bitmono" << 22;
        QTest::newRow("empty") << "" << 22;
        QTest::newRow("leading blank") << " SAFT8kHz8BitMono" << 22;
        QTest::newRow("trailing blank") << "SAFT8kHz8BitMono " << 22;
    }
    void lookup() {
        QFETCH(QString, name);
        QFETCH(int, value);
        QCOMPARE(formatValue(name), value);
    }

    void messages() {
        QCOMPARE(formatLookupFailedMessage(), u"你的音訊輸出串流不支援此模式 !"_qs);
        QCOMPARE(formatRefusedMessage(),
                 u"你的音訊輸出串流不支援此模式 !\n建議 SAFT22kHz16BitMono 模式"_qs);
        QVERIFY(formatNames().contains(QString::fromLatin1(FallbackFormatName)));
    }
};

QTEST_GUILESS_MAIN(FormatListTest)
#include "test_format_list.moc"
