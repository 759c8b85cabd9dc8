#include "EventPump.h"
#include "FollowReading.h"

#include <QtTest>

using namespace lectern::speech;

namespace {

struct Spoken {
    RunKind voice;
    QString piece;
    double followPosition;
    QString currentRunText;
};

// Records what the walk would hand the engine; stops after `stopAfter`
// pieces when that is not negative.
struct Recorder {
    ReadingState state;
    std::vector<Spoken> spoken;
    RunKind voice = RunKind::Abc;
    int stopAfter = -1;
    bool interrupt = false;

    FollowCallbacks callbacks() {
        FollowCallbacks c;
        c.takeInterrupt = [this] { return std::exchange(interrupt, false); };
        c.pumpEvents = [](bool) {};
        c.convert = [](char16_t ch) { return ch; };
        c.selectVoice = [this](RunKind kind) { voice = kind; };
        c.speakAndWait = [this](const QString& piece) {
            spoken.push_back({voice, piece, state.FollowPosition, state.CurrentRunText});
            if (stopAfter >= 0 && int(spoken.size()) == stopAfter)
                interrupt = true;
        };
        return c;
    }
    QStringList pieces() const {
        QStringList list;
        for (const auto& s : spoken)
            list << s.piece;
        return list;
    }
};

} // namespace

class FollowReadingTest : public QObject {
    Q_OBJECT
private slots:
    void pieces_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("pieces");
        QTest::addColumn<QString>("voices"); // A or O per piece
        QTest::newRow("two words") << "hello world" << QStringList{"hello ", "world"} << "AA";
        QTest::newRow("double space") << "a  b" << QStringList{"a ", " ", "b"} << "AAA";
        QTest::newRow("word then chinese")
            << "hi 你好" << QStringList{"hi ", "", "你", "好"} << "AAOO";
        QTest::newRow("chinese across a line break")
            << "你好  世界" << QStringList{"你", "好  ", "世", "界"} << "OOOO";
        QTest::newRow("chinese then english")
            << "你好 world" << QStringList{"你", "好", " ", "world"} << "OOOA";
        QTest::newRow("leading digits before chinese")
            << "2024年" << QStringList{"2", "0", "2", "4", "年"} << "OOOOO";
        QTest::newRow("a pair of surrogates stays whole")
            << QString::fromUtf8("中\U00020000")
            << QStringList{"中", QString::fromUtf8("\U00020000")} << "OA";
    }
    void pieces() {
        QFETCH(QString, text);
        QFETCH(QStringList, pieces);
        QFETCH(QString, voices);
        Recorder r;
        r.state.FollowPosition = 5;
        QCOMPARE(walkFollowReading(text, r.state, r.callbacks()), FollowOutcome::Completed);
        QCOMPARE(r.pieces(), pieces);
        // Each piece is spoken with CurrentRunText set to it and
        // FollowPosition just past it, so word events land on it.
        double end = 5;
        for (size_t i = 0; i < r.spoken.size(); ++i) {
            const auto& s = r.spoken[i];
            end += s.piece.size();
            QCOMPARE(s.currentRunText, s.piece);
            QCOMPARE(s.followPosition, end);
            QCOMPARE(s.voice == RunKind::Abc ? u'A' : u'O', voices.at(qsizetype(i)));
        }
        QCOMPARE(r.state.FollowPosition, 5.0 + text.size());
    }

    void emptyLinesKeepTheHighlightAligned() {
        // Two line breaks in a row leave an empty line; its offsets still count.
        Recorder r;
        QCOMPARE(walkFollowReading(u"你    好", r.state, r.callbacks()), FollowOutcome::Completed);
        QCOMPARE(r.pieces(), (QStringList{"你  ", "好"}));
        QCOMPARE(r.spoken.back().followPosition, 6.0);
    }

    void longChineseRun() {
        // Longer than a 16-bit counter reaches.
        const QString text(40000, QChar(u'中'));
        Recorder r;
        QCOMPARE(walkFollowReading(text, r.state, r.callbacks()), FollowOutcome::Completed);
        QCOMPARE(r.spoken.size(), size_t(40000));
        QCOMPARE(r.state.FollowPosition, 40000.0);
        QCOMPARE(r.state.CurrentRunText.size(), 40000);
    }

    void stopsAfterTheCurrentPiece() {
        Recorder r;
        r.stopAfter = 2;
        QCOMPARE(walkFollowReading(u"one two three 你好", r.state, r.callbacks()),
                 FollowOutcome::Interrupted);
        QCOMPARE(r.pieces(), (QStringList{"one ", "two "}));
        QVERIFY(!r.interrupt); // the request is consumed
    }

    void conversionDecidesTheVoice() {
        Recorder r;
        auto callbacks = r.callbacks();
        // A stand-in conversion that turns x into a wide character.
        callbacks.convert = [](char16_t ch) { return ch == u'x' ? char16_t(u'中') : ch; };
        QCOMPARE(walkFollowReading(u"ax", r.state, callbacks), FollowOutcome::Completed);
        QCOMPARE(r.pieces(), (QStringList{"a", "中"}));
    }

    void highlight_data() {
        QTest::addColumn<int>("runLength");
        QTest::addColumn<double>("followPosition");
        QTest::addColumn<int>("characterPosition");
        QTest::addColumn<int>("start");
        QTest::newRow("first word") << 3 << 10.0 << 0 << 7;
        QTest::newRow("third character") << 3 << 10.0 << 2 << 9;
        QTest::newRow("past the piece") << 3 << 10.0 << 5 << 12;
        QTest::newRow("huge position") << 0 << 3e10 << 0 << std::numeric_limits<int>::max();
    }
    void highlight() {
        QFETCH(int, runLength);
        QFETCH(double, followPosition);
        QFETCH(int, characterPosition);
        QFETCH(int, start);
        QCOMPARE(highlightStart(runLength, followPosition, characterPosition), start);
    }

    void markupForTheDocument() {
        MarkupContext c;
        c.abc = buildProfileMarkup({QStringLiteral("English (America)"), 0, 100, 0},
                                   HeadVariant::Plain, false);
        c.other = buildProfileMarkup({QStringLiteral("Chinese (Mandarin)"), 2, 90, -10},
                                     HeadVariant::Plain, false);
        QString current;
        const QString markup = BuildVoiceMarkup(u"word 中文", CommaRule::AfterAbcRun, c, current);
        QCOMPARE(markupForDocument(markup),
                 QStringLiteral("<voice required=\"name=english (america)\"><volume level=\"100\">"
                                "<rate speed=\"0\"><pitch middle=\"0\">word , "
                                "</pitch></rate></volume></voice>\r\n"
                                "<silence msec=\"0\"/><voice required=\"name=chinese (mandarin)\">"
                                "<volume level=\"90\"><rate speed=\"2\"><pitch middle=\"-10\">中文"
                                "</pitch></rate></volume></voice>\r\n"
                                "<silence msec=\"0\"/>"));
    }

    void cycle() {
        MarkupContext c;
        c.abc = {QStringLiteral("[A:"), QStringLiteral("]")};
        c.other = {QStringLiteral("[O:"), QStringLiteral("]")};
        QString current;
        QCOMPARE(BuildCycleMarkup(u"ab", c, current), QStringLiteral("[A:ab, ]").repeated(100));
        QCOMPARE(BuildCycleMarkup(u"a中", c, current),
                 QStringLiteral("[A:a, ][O:中, ]").repeated(100));
        QCOMPARE(current, QStringLiteral("中"));
        QVERIFY(BuildCycleMarkup(u"", c, current).isEmpty());
    }

    void waitLetsEventsRunUntilTheTimeIsUp() {
        bool ran = false;
        QTimer::singleShot(50, this, [&] { ran = true; });
        QElapsedTimer clock;
        clock.start();
        wait(0.3f);
        QVERIFY(clock.elapsed() >= 300);
        QVERIFY(clock.elapsed() < 2000);
        QVERIFY(ran);
        wait(-1); // no time at all, never forever
    }
};

QTEST_GUILESS_MAIN(FollowReadingTest)
#include "test_follow_reading.moc"
