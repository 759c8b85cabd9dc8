// The markup parser on its own: what each element does to the prosody, how
// text maps back to the string given to Speak, and hostile input.
#include "Markup.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QtTest>

using namespace lectern::engine;

namespace {

QString resolve(QStringView name) {
    if (name.compare(u"English (America)", Qt::CaseInsensitive) == 0)
        return QStringLiteral("gmw/en-US");
    if (name.compare(u"Chinese (Mandarin, latin as English)", Qt::CaseInsensitive) == 0)
        return QStringLiteral("sit/cmn");
    return {};
}

std::vector<SpeechSegment> parse(const QString& text) {
    ProsodyState initial{QStringLiteral("start"), 0, 100, 0};
    return parseSpeechMarkup(text, initial, resolve);
}

// The segment texts joined, to check nothing is lost or invented.
QString spoken(const std::vector<SpeechSegment>& segments) {
    QString s;
    for (const auto& seg : segments)
        s += seg.kind == SpeechSegment::Kind::Silence ? QStringLiteral("|") : seg.text;
    return s;
}

} // namespace

class MarkupTest : public QObject {
    Q_OBJECT
private slots:
    void runOfLecternMarkup() {
        const QString text = QStringLiteral(
            "<VOICE REQUIRED=\"NAME=English (America)\"><volume level=\"80\"><rate "
            "speed=\"-2\"><pitch middle=\"30\">hello , </pitch></rate></volume></VOICE>"
            "<silence msec=\"0\"/>"
            "<VOICE REQUIRED=\" NAME=Chinese (Mandarin, latin as English)\"><volume "
            "level=\"100\"><rate speed=\"3\"><pitch middle=\"-40\">你好</pitch></rate>"
            "</volume></VOICE><silence msec=\"250\"/>tail");
        const auto segs = parse(text);
        QCOMPARE(spoken(segs), QStringLiteral("hello , 你好|tail"));
        QCOMPARE(segs.size(), size_t(4));
        QCOMPARE(segs[0].prosody, (ProsodyState{"gmw/en-US", -2, 80, 30}));
        QCOMPARE(segs[1].prosody, (ProsodyState{"sit/cmn", 3, 100, -40}));
        QCOMPARE(segs[2].kind, SpeechSegment::Kind::Silence);
        QCOMPARE(segs[2].silenceMs, 250);
        QCOMPARE(segs[3].prosody, (ProsodyState{"start", 0, 100, 0}));
        // Offsets point into the markup string.
        QCOMPARE(text.mid(segs[1].offsets[0], 2), QStringLiteral("你好"));
        QCOMPARE(segs[3].offsets.back(), int(text.size()));
    }

    void closesRestoreOnlyTheirOwnKind() {
        // Closed in the "wrong" order: rate closes first, pitch stays.
        auto segs =
            parse(QStringLiteral("<rate speed=\"5\"><pitch middle=\"50\">a</rate>b</pitch>c"));
        QCOMPARE(spoken(segs), QStringLiteral("abc"));
        QCOMPARE(segs[0].prosody.rate, 5);
        QCOMPARE(segs[0].prosody.pitch, 50);
        QCOMPARE(segs[1].prosody.rate, 0);
        QCOMPARE(segs[1].prosody.pitch, 50);
        QCOMPARE(segs[2].prosody.pitch, 0);

        // Nested the same kind: each close goes back one level.
        segs = parse(QStringLiteral("<volume level='50'>a<volume level='10'>b</volume>c"
                                    "</volume>d</volume></pitch>e"));
        QCOMPARE(spoken(segs), QStringLiteral("abcde"));
        QCOMPARE(segs[0].prosody.volume, 50);
        QCOMPARE(segs[1].prosody.volume, 10);
        QCOMPARE(segs[2].prosody.volume, 50);
        QCOMPARE(segs[3].prosody.volume, 100); // "d" and "e" share the start state
    }

    void anyLetterCaseAndOutOfRangeValues() {
        const auto lower = parse(QStringLiteral(
            "<voice required=\"name=chinese (mandarin, latin as english)\"><rate speed=\"99\">"
            "<pitch MIDDLE=\"-500\"><Volume Level=\"-3\">x</volume></pitch></rate></voice>"));
        QCOMPARE(lower.size(), size_t(1));
        QCOMPARE(lower[0].prosody, (ProsodyState{"sit/cmn", 10, 0, -100}));

        // An unknown voice keeps the current one; its close still pops.
        const auto unknown = parse(
            QStringLiteral("<voice required=\"NAME=Nobody\">a</voice>b<SILENCE MSEC=\"5\"/>"));
        QCOMPARE(unknown[0].prosody.voiceId, QStringLiteral("start"));
        QCOMPARE(spoken(unknown), QStringLiteral("ab|"));
    }

    // Prosody values typed by hand (a dialogue row's cells go in unchecked):
    // anything that is not a number keeps the value around it, decimals are
    // cut, the rest is clamped.
    void typedProsodyValues_data() {
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("pitch");
        QTest::addColumn<int>("volume");
        QTest::newRow("empty") << "" << 0 << 0 << 100;
        QTest::newRow("letters") << "abc" << 0 << 0 << 100;
        QTest::newRow("decimal comma") << "1,5" << 0 << 0 << 100;
        QTest::newRow("decimal") << "2.7" << 2 << 2 << 2;
        QTest::newRow("too high") << "12" << 10 << 12 << 12;
        QTest::newRow("far too low") << "-1e300" << -10 << -100 << 0;
        QTest::newRow("nan") << "nan" << 0 << 0 << 100;
    }
    void typedProsodyValues() {
        QFETCH(QString, value);
        const QString markup =
            QStringLiteral("<VOICE REQUIRED=\"NAME=English (America)\"><rate speed=\"%1\">"
                           "<pitch middle=\"%1\"><volume level=\"%1\">hi</volume></pitch>"
                           "</rate></VOICE><silence msec=\"0\"/>")
                .arg(value);
        const auto segs = parse(markup);
        QVERIFY(!segs.empty());
        QCOMPARE(segs[0].kind, SpeechSegment::Kind::Text);
        QTEST(segs[0].prosody.rate, "rate");
        QTEST(segs[0].prosody.pitch, "pitch");
        QTEST(segs[0].prosody.volume, "volume");
    }

    void entitiesKeepOffsetsIntoTheOriginal() {
        const QString text =
            QStringLiteral("<pitch middle=\"1\">a&amp;b &#20320;&#x597D; &lt;c&gt; "
                           "&bogus; & x</pitch>");
        const auto segs = parse(text);
        QCOMPARE(segs.size(), size_t(1));
        const auto& s = segs[0];
        QCOMPARE(s.text, QStringLiteral("a&b 你好 <c> &bogus; & x"));
        QCOMPARE(s.offsets.size(), size_t(s.text.size()) + 1);
        // The decoded '&' comes from "&amp;", 5 units long.
        QCOMPARE(text.mid(s.offsets[1], s.offsets[2] - s.offsets[1]), QStringLiteral("&amp;"));
        QCOMPARE(text.mid(s.offsets[4], s.offsets[6] - s.offsets[4]),
                 QStringLiteral("&#20320;&#x597D;"));
        // Offsets never go backwards.
        QVERIFY(std::is_sorted(s.offsets.begin(), s.offsets.end()));
        QCOMPARE(s.offsets.back(), int(text.size()) - int(QStringLiteral("</pitch>").size()));

        // Characters beyond the BMP become two units, both from the reference.
        const auto astral = parse(QStringLiteral("&#x1F600;!"));
        QCOMPARE(astral[0].text.size(), 3);
        QCOMPARE(astral[0].offsets[0], 0);
        QCOMPARE(astral[0].offsets[1], 0);
        QCOMPARE(astral[0].offsets[2], 9);
    }

    void strayBracketsAreSpoken() {
        // Lectern puts run text into markup unescaped.
        const auto segs = parse(QStringLiteral("<rate speed=\"1\">a<b if x < 3 > 2 <</rate>"
                                               "<3 <voice required=\"NAME=English (America)"));
        QCOMPARE(spoken(segs), QStringLiteral("a<b if x < 3 > 2 <<3 <voice required=\"NAME="
                                              "English (America)"));
        QCOMPARE(segs[0].prosody.rate, 1);
        QCOMPARE(segs[1].prosody.rate, 0);
        QVERIFY(looksLikeMarkup(QStringLiteral("  \n<x>")));
        QVERIFY(!looksLikeMarkup(QStringLiteral("a<x>")));
    }

    void hostileInputIsBoundedAndNeverThrows() {
        QElapsedTimer clock;
        clock.start();

        QString nested;
        for (int i = 0; i < 10000; ++i)
            nested += QStringLiteral("<rate speed=\"%1\"><pitch middle=\"3\">w").arg(i % 21 - 10);
        for (int i = 0; i < 10000; ++i)
            nested += QStringLiteral("</rate></volume>");
        auto segs = parse(nested);
        QCOMPARE(spoken(segs).size(), 10000);
        QCOMPARE(segs.back().prosody.pitch, 3);

        QRandomGenerator rng(7);
        QString noise;
        for (int i = 0; i < 200000; ++i) {
            static const char16_t alphabet[] = u"<>/&#;=\"' aZ9\x4F60\xD800";
            noise += QChar(alphabet[rng.bounded(int(std::size(alphabet)) - 1)]);
        }
        segs = parse(noise);
        for (const auto& s : segs)
            QCOMPARE(s.offsets.size(), size_t(s.text.size()) + 1);

        // 5 MB of pathological shapes: many '<' without '>', long tags.
        const QString big = QString(1'700'000, u'<') + QString(1'700'000, u'a') +
                            QStringLiteral("<voice ") + QString(1'700'000, u'x') + u'>';
        segs = parse(big);
        QCOMPARE(spoken(segs).size(), 3'400'000);
        QVERIFY2(clock.elapsed() < 20000, qPrintable(QString::number(clock.elapsed())));
    }

    // Speech must start, and stop, without the whole of a huge text being
    // read first; what the reader hands out piecemeal must match the whole.
    void readsOneSegmentAtATime() {
        const QString run = QStringLiteral(
            "<VOICE REQUIRED=\"NAME=English (America)\"><rate speed=\"2\">word </rate></VOICE>"
            "<voice required=\"NAME=Chinese (Mandarin, latin as English)\">字</voice>");
        const QString text = QStringLiteral("<volume level=\"50\">") + run.repeated(20000);
        int lookups = 0;
        auto counting = [&](QStringView name) {
            ++lookups;
            return resolve(name);
        };
        SpeechMarkupReader reader(text, ProsodyState{QStringLiteral("start"), 0, 100, 0}, counting);
        const auto first = reader.next();
        QVERIFY(first);
        QCOMPARE(first->text, QStringLiteral("word "));
        QVERIFY2(lookups <= 2, qPrintable(QString::number(lookups)));

        const auto whole = parse(text);
        QCOMPARE(whole.size(), size_t(40000));
        size_t count = 1;
        while (auto seg = reader.next()) {
            QCOMPARE(seg->text, whole[count].text);
            QCOMPARE(seg->prosody.volume, 50); // the outer element spans every segment
            QCOMPARE(seg->offsets, whole[count].offsets);
            ++count;
        }
        QCOMPARE(count, whole.size());
        QVERIFY(!reader.next());
    }

    // A long reading in one voice (both profiles alike, or a voice name
    // that is not installed) still comes out in pieces, cut where nothing
    // is lost: the pieces join to the whole, offsets included.
    void oneProsodyThroughoutStillComesInPieces_data() {
        QTest::addColumn<QString>("unit");
        QTest::newRow("words") << QStringLiteral("word 字 ");
        QTest::newRow("no spaces") << QStringLiteral("字");
        QTest::newRow("surrogate pairs") << QStringLiteral("\U0001F600");
    }
    void oneProsodyThroughoutStillComesInPieces() {
        QFETCH(QString, unit);
        const QString run = QStringLiteral("<voice required=\"NAME=English (America)\">") + unit +
                            QStringLiteral("</voice><voice required=\"NAME=Nobody\">") + unit +
                            QStringLiteral("</voice>");
        const QString text = run.repeated(200000 / unit.size());
        int lookups = 0;
        SpeechMarkupReader reader(text, ProsodyState{QStringLiteral("start"), 0, 100, 0},
                                  [&](QStringView name) {
                                      ++lookups;
                                      return resolve(name);
                                  });
        QVERIFY(reader.next());
        QVERIFY2(lookups < 20000, qPrintable(QString::number(lookups)));

        QString joined;
        int pieces = 0;
        SpeechMarkupReader again(text, ProsodyState{QStringLiteral("start"), 0, 100, 0}, resolve);
        while (auto seg = again.next()) {
            QVERIFY(seg->text.size() <= 8000);
            QVERIFY(!seg->text.back().isHighSurrogate());
            QCOMPARE(seg->offsets.size(), size_t(seg->text.size()) + 1);
            for (qsizetype i = 0; i < seg->text.size(); ++i)
                QCOMPARE(text.at(seg->offsets[size_t(i)]), seg->text.at(i));
            joined += seg->text;
            ++pieces;
        }
        QCOMPARE(joined, unit.repeated(2 * (200000 / unit.size())));
        QVERIFY(pieces > 10);
    }
};

QTEST_GUILESS_MAIN(MarkupTest)
#include "test_markup.moc"
