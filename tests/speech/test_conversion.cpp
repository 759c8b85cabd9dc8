// The two character tables as generated, and the converters over them.

#include "EventPump.h"
#include "ScriptConversion.h"
#include "VoiceMarkup.h"

#include <QtTest>

#include <atomic>
#include <set>

using namespace lectern::speech;

namespace {

QString str(std::u16string_view s) {
    return QString::fromUtf16(s.data(), qsizetype(s.size()));
}

// The simplified form at the first position of ch on the traditional side,
// or a null character when the table lacks ch.
QChar lookUp(const ConversionTable& table, QChar ch) {
    const size_t p = table.traditional.find(ch.unicode());
    return p == std::u16string_view::npos ? QChar() : QChar(table.simplified[p]);
}

} // namespace

class ConversionTest : public QObject {
    Q_OBJECT

private slots:
    void tableShapes() {
        const ConversionTable common = commonConversionTable();
        const ConversionTable full = fullConversionTable();
        QCOMPARE(common.traditional.size(), size_t(4807));
        QCOMPARE(common.simplified.size(), size_t(4807));
        QCOMPARE(full.traditional.size(), size_t(13237));
        QCOMPARE(full.simplified.size(), size_t(13237));

        // By radical and strokes: 一, then 丨, then 丶.
        QVERIFY(str(common.traditional)
                    .startsWith(u"一丁七三下丈上丑丐不丙世丕且丘丞丟並丫中串丸凡丹主"));
        QVERIFY(str(common.traditional).endsWith(u"龍龔龜"));

        // The kana block first, each kana to itself, in code order.
        for (size_t p = 0; p < 177; ++p) {
            const char16_t k = full.traditional[p];
            QVERIFY(k >= 0x3041 && k <= 0x30FE);
            QVERIFY(p == 0 || k > full.traditional[p - 1]);
            QCOMPARE(full.simplified[p], k);
        }
        QVERIFY(str(full.traditional.substr(177)).startsWith(u"一乙丁七乃九了二人"));
        QVERIFY(str(full.traditional).endsWith(u"碁銹裏墻恒粧嫺"));

        // A character is listed once per table; every common one is in the full table.
        for (const ConversionTable& table : {common, full}) {
            const std::set<char16_t> distinct(table.traditional.begin(), table.traditional.end());
            QCOMPARE(distinct.size(), table.traditional.size());
            for (char16_t side : table.simplified)
                QVERIFY(!QChar::isSurrogate(side) && side >= 0x3000);
        }
        for (char16_t ch : common.traditional)
            QVERIFY(full.traditional.find(ch) != std::u16string_view::npos);
    }

    void tellingRows_data() {
        QTest::addColumn<bool>("common");
        QTest::addColumn<QString>("rows"); // traditional, simplified, ...
        QTest::newRow("common") << true
                                << QStringLiteral(
                                       "並并併并乾干幹干係系佔占伕夫倖幸倣仿傢家傑杰價价優优"
                                       "兒儿後后幾几復复劃划勝胜噸吨一一干干后后");
        QTest::newRow("full only")
            << false << QStringLiteral("汎泛佈布昇升砲炮喫吃樑梁鉅巨榦干ぁぁ");
    }
    void tellingRows() {
        QFETCH(bool, common);
        QFETCH(QString, rows);
        for (qsizetype i = 0; i < rows.size(); i += 2) {
            const QChar trad = rows[i], simp = rows[i + 1];
            if (common) {
                QCOMPARE(lookUp(commonConversionTable(), trad), simp);
            } else {
                QCOMPARE(lookUp(commonConversionTable(), trad), QChar());
                QCOMPARE(lookUp(fullConversionTable(), trad), simp);
            }
            QCOMPARE(QChar(TradToSimp(trad.unicode())), simp);
        }
    }

    void converters_data() {
        QTest::addColumn<bool>("toSimplified");
        QTest::addColumn<QChar>("in");
        QTest::addColumn<QChar>("out");
        QTest::newRow("乾 to 干") << true << QChar(u'乾') << QChar(u'干');
        QTest::newRow("後 to 后") << true << QChar(u'後') << QChar(u'后');
        QTest::newRow("一 stays") << true << QChar(u'一') << QChar(u'一');
        QTest::newRow("佈 from the full table") << true << QChar(u'佈') << QChar(u'布');
        QTest::newRow("simplified input stays") << true << QChar(u'后') << QChar(u'后');
        // Several characters share a simplified form: the first position wins.
        QTest::newRow("干 to 乾") << false << QChar(u'干') << QChar(u'乾');
        QTest::newRow("并 to 並") << false << QChar(u'并') << QChar(u'並');
        QTest::newRow("系 to 係") << false << QChar(u'系') << QChar(u'係');
        QTest::newRow("家 to 傢") << false << QChar(u'家') << QChar(u'傢');
        QTest::newRow("后 stays before 後") << false << QChar(u'后') << QChar(u'后');
        QTest::newRow("来 to 來") << false << QChar(u'来') << QChar(u'來');
        // The common table wins over the full one: 布 is 布 in the common table
        // although the full table also lists 佈 -> 布.
        QTest::newRow("布 stays") << false << QChar(u'布') << QChar(u'布');
        for (bool toSimplified : {true, false}) {
            const char* dir = toSimplified ? "to simplified" : "to traditional";
            for (QChar ch : {QChar(u' '), QChar(u'"'), QChar(u'\t'), QChar(u'ぁ'), QChar(u'ヾ'),
                             QChar(u'é'), QChar(0xE000), QChar(0xD800), QChar(u'，')})
                QTest::addRow("%s U+%04X unchanged", dir, ch.unicode()) << toSimplified << ch << ch;
        }
    }
    void converters() {
        QFETCH(bool, toSimplified);
        QFETCH(QChar, in);
        QFETCH(QChar, out);
        const char16_t got = toSimplified ? TradToSimp(in.unicode()) : SimpToTrad(in.unicode());
        QCOMPARE(QChar(got), out);
    }

    void skipSetIsNeverConverted() {
        int skipped = 0;
        for (int u = 0; u < 0x80; ++u)
            if (isConversionSkipped(char16_t(u))) {
                ++skipped;
                QCOMPARE(TradToSimp(char16_t(u)), char16_t(u));
                QCOMPARE(SimpToTrad(char16_t(u)), char16_t(u));
            }
        QCOMPARE(skipped, 93);
        for (char16_t notSkipped : {u' ', u'"', u'\t'})
            QVERIFY(!isConversionSkipped(notSkipped));
        for (char16_t mark : {u'?', u'\\', u'|', u'`', u'~', u'_', u'\''})
            QVERIFY(isConversionSkipped(mark));
    }

    void roundTripKeepsSimplifiedText() {
        // Simplified -> traditional -> simplified gives the character back for
        // every simplified form either table holds.
        for (const ConversionTable& table : {commonConversionTable(), fullConversionTable()})
            for (char16_t simp : table.simplified)
                QCOMPARE(QChar(TradToSimp(SimpToTrad(simp))), QChar(simp));
        // And traditional text written with the preferred forms survives the way back.
        const QString text = QStringLiteral("乾杯並且係傢俱");
        QString there, back;
        for (QChar ch : text)
            there += QChar(TradToSimp(ch.unicode()));
        QCOMPARE(there, QStringLiteral("干杯并且系家俱"));
        for (QChar ch : there)
            back += QChar(SimpToTrad(ch.unicode()));
        QCOMPARE(back, text);
    }

    void boxChangedMidTextTakesEffectFromTheNextCharacter() {
        // The real converters behind the markup builder: an event run inside
        // the loop changes the boxes, and only the characters after it see it.
        std::atomic<ScriptConversion> state{ScriptConversion::None};
        struct BoxPump : EventPump {
            std::atomic<ScriptConversion>& state;
            ScriptConversion value;
            BoxPump(std::atomic<ScriptConversion>& s, ScriptConversion v)
                : EventPump(0), state(s), value(v) {}
            void pump() override { state.store(value); }
        };
        MarkupContext c;
        c.conversionState = &state;
        QString current;
        // Events first run once the 64th letter has been read.
        BoxPump tick(state, ScriptConversion::TradToSimp);
        c.pump = &tick;
        QCOMPARE(BuildVoiceMarkup(QString(100, u'後'), CommaRule::AfterAbcRun, c, current),
                 QString(64, u'後') + QString(36, u'后'));

        state.store(ScriptConversion::SimpToTrad);
        BoxPump untick(state, ScriptConversion::None);
        c.pump = &untick;
        QCOMPARE(BuildVoiceMarkup(QString(100, u'干'), CommaRule::AfterAbcRun, c, current),
                 QString(64, u'乾') + QString(36, u'干'));
    }

    void noBoxLeavesTheTextAsItIs() {
        std::atomic<ScriptConversion> state{ScriptConversion::None};
        MarkupContext c;
        c.conversionState = &state;
        const QString text = QStringLiteral("後來乾杯 and 干杯 \"1\"\tぁ");
        QString current;
        QString markup = BuildVoiceMarkup(text, CommaRule::AfterAbcRun, c, current);
        QCOMPARE(markup.remove(QStringLiteral(", ")), QString(text).remove(QStringLiteral(", ")));
    }
};

QTEST_GUILESS_MAIN(ConversionTest)
#include "test_conversion.moc"
