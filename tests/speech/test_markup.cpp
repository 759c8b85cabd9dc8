#include "EventPump.h"
#include "VoiceMarkup.h"

#include <QTimer>
#include <QtTest>

#include <atomic>

using namespace lectern::speech;

namespace {

// Short, readable heads so the expected strings show the run boundaries.
MarkupContext bracketContext() {
    MarkupContext c;
    c.abc = {QStringLiteral("[A:"), QStringLiteral("]")};
    c.other = {QStringLiteral("[O:"), QStringLiteral("]")};
    return c;
}

QString cut(const QString& text, CommaRule rule = CommaRule::AfterAbcRun,
            const MarkupContext& context = bracketContext()) {
    QString current;
    return BuildVoiceMarkup(text, rule, context, current);
}

// Counts how often events really run while still running them.
class CountingPump : public EventPump {
public:
    using EventPump::EventPump;
    void pump() override {
        ++pumps;
        EventPump::pump();
    }
    int pumps = 0;
};

} // namespace

class MarkupTest : public QObject {
    Q_OBJECT
private slots:
    void runCutting_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("commaAfterEvery");
        QTest::addColumn<QString>("expected");
        const QString digits20(20, u'7');
        const QString digits18(18, u'7');
        auto row = [](const char* name, const QString& text, bool every, const QString& expected) {
            QTest::newRow(name) << text << every << expected;
        };
        row("empty", "", true, "");
        row("latin only", "abc", false, "[A:abc]");
        row("chinese only", u"中文"_qs, false, u"[O:中文]"_qs);
        row("latin then chinese", u"abc中"_qs, false, u"[A:abc, ][O:中]"_qs);
        row("chinese then latin", u"中abc"_qs, false, u"[O:中][A:abc]"_qs);
        row("every run, latin first", u"abc中"_qs, true, u"[A:abc, ][O:中, ]"_qs);
        row("every run, chinese first", u"中abc"_qs, true, u"[O:中, ][A:abc, ]"_qs);
        row("neutral only", "123", false, "[A:123]");
        row("neutral only, every run", "123", true, "[A:123, ]");
        row("markup characters unescaped", "a<b&c>", false, "[A:a<b&c>]");
        row("space stays with latin", u"hello 你好"_qs, false, u"[A:hello , ][O:你好]"_qs);
        row("space stays with chinese", u"你好 world"_qs, false, u"[O:你好 ][A:world]"_qs);
        row("digits inside chinese", u"第3章"_qs, false, u"[O:第3章]"_qs);
        row("digits inside latin", "abc 123", false, "[A:abc 123]");
        row("leading digits, wide soon", u"2024年"_qs, false, u"[O:2024年]"_qs);
        row("leading digits, latin", "2024 abc", false, "[A:2024 abc]");
        row("wide char is 22nd", digits20 + u" 中"_qs, false, "[A:" + digits20 + u" , ][O:中]"_qs);
        row("wide char is 20th", digits18 + u" 中"_qs, false, "[O:" + digits18 + u" 中]"_qs);
        row("tab and line feed are narrow", u"中\t文\n"_qs, false,
            u"[O:中][A:\t, ][O:文][A:\n]"_qs);
        row("full-width comma is wide", u"abc，def"_qs, false, u"[A:abc, ][O:，][A:def]"_qs);
        row("ideographic space is wide", u"a\u3000b"_qs, false, u"[A:a, ][O:\u3000][A:b]"_qs);
        // Simplified characters such as 们 这 说 国 are outside code page 950
        // and must still go to the Other voice, in one run.
        row("simplified sentence", u"我们说这是国语。"_qs, false, u"[O:我们说这是国语。]"_qs);
        row("mixed simplified and latin", u"他们 use 为什么 OK"_qs, false,
            u"[O:他们 ][A:use , ][O:为什么 ][A:OK]"_qs);
        row("full-width forms are wide", u"a＂＇［］＾｀ｂ"_qs, false,
            u"[A:a, ][O:＂＇［］＾｀ｂ]"_qs);
        row("extension A is wide", u"x\u3400\u4DBF"_qs, false, u"[A:x, ][O:\u3400\u4DBF]"_qs);
        row("kana and cyrillic stay narrow", u"中ヶЖ"_qs, false, u"[O:中][A:ヶЖ]"_qs);
        // The opening test sees a Simplified character as wide too.
        row("leading digits, simplified soon", u"2024们"_qs, false, u"[O:2024们]"_qs);
        // Each surrogate is classified on its own; neither half is in the code page.
        row("surrogate pair is narrow", u"中\U00020000"_qs, false, u"[O:中][A:\U00020000]"_qs);
    }
    void runCutting() {
        QFETCH(QString, text);
        QFETCH(bool, commaAfterEvery);
        QFETCH(QString, expected);
        QCOMPARE(cut(text, commaAfterEvery ? CommaRule::AfterEveryRun : CommaRule::AfterAbcRun),
                 expected);
    }

    void profileMarkup() {
        const VoiceProfile v{QStringLiteral("V"), -2, 100, 0};
        const VoiceProfile w{QStringLiteral("W"), 3, 40, -60};
        MarkupContext c;
        c.abc = buildProfileMarkup(v, HeadVariant::Plain, false);
        c.other = buildProfileMarkup(w, HeadVariant::Plain, false);
        const QString abcLine = QStringLiteral(
            R"(<VOICE REQUIRED="NAME=V"><volume level="100"><rate speed="-2"><pitch middle="0">hello , </pitch></rate></volume></VOICE><silence msec="0"/>)");
        const QString otherLine =
            QStringLiteral(
                R"(<VOICE REQUIRED="NAME=W"><volume level="40"><rate speed="3"><pitch middle="-60">)") +
            u"中</pitch></rate></volume></VOICE><silence msec=\"0\"/>"_qs;
        QCOMPARE(cut(u"hello 中"_qs, CommaRule::AfterAbcRun, c), abcLine + otherLine);

        const ProfileMarkup spaced = buildProfileMarkup(v, HeadVariant::SpacedName, false);
        QCOMPARE(
            spaced.head,
            QStringLiteral(
                R"(<VOICE REQUIRED=" NAME=V"><volume level="100"><rate speed="-2"><pitch middle="0">)"));

        // Own markup: the runs are still cut and the comma still inserted.
        c.abc = buildProfileMarkup(v, HeadVariant::Plain, true);
        c.other = buildProfileMarkup(w, HeadVariant::SpacedName, true);
        QVERIFY(c.abc.head.isEmpty() && c.abc.tail.isEmpty() && c.other.head.isEmpty());
        QCOMPARE(cut(u"abc中"_qs, CommaRule::AfterAbcRun, c), u"abc, 中"_qs);
    }

    void currentRunTextHoldsLastRun() {
        QString current;
        BuildVoiceMarkup(u"abc中"_qs, CommaRule::AfterAbcRun, bracketContext(), current);
        QCOMPARE(current, u"中"_qs);
        BuildVoiceMarkup(u"中文 abc"_qs, CommaRule::AfterEveryRun, bracketContext(), current);
        QCOMPARE(current, u"abc"_qs);
    }

    void conversionBeforeClassification() {
        // 'x' becomes a wide character once converted; the leading '1' must
        // still be placed by the text as given, where nothing is wide.
        MarkupContext c = bracketContext();
        int asked = 0;
        c.conversion = [&asked] {
            ++asked;
            return ScriptConversion::TradToSimp;
        };
        c.convert = [](ScriptConversion, char16_t ch) { return ch == u'x' ? u'中' : ch; };
        QCOMPARE(cut("1x", CommaRule::AfterAbcRun, c), u"[A:1, ][O:中]"_qs);
        QCOMPARE(asked, 2);

        // The boxes are read for every character: unticking mid-text takes effect at once.
        asked = 0;
        c.conversion = [&asked] {
            return asked++ == 0 ? ScriptConversion::SimpToTrad : ScriptConversion::None;
        };
        QCOMPARE(cut("xx", CommaRule::AfterAbcRun, c), u"[O:中][A:x]"_qs);
    }

    void convertedTextStaysWithTheOtherVoice() {
        // With the real tables: Traditional text converted to Simplified
        // characters that code page 950 cannot encode is still one Other run.
        MarkupContext c = bracketContext();
        c.conversion = [] { return ScriptConversion::TradToSimp; };
        c.convert = convertCharacter;
        QCOMPARE(TradToSimp(u'國'), u'国');
        QCOMPARE(cut(u"我們說國語 ok"_qs, CommaRule::AfterAbcRun, c), u"[O:我们说国语 ][A:ok]"_qs);
    }

    void boxTickedByAnEventTakesEffectAtOnce() {
        // The window's state is read per character, so a tick made by an
        // event inside the loop converts the very next character; the
        // output then outgrows the length counted before the loop.
        std::atomic<ScriptConversion> state{ScriptConversion::None};
        struct TickingPump : EventPump {
            std::atomic<ScriptConversion>* state;
            explicit TickingPump(std::atomic<ScriptConversion>* s) : EventPump(0), state(s) {}
            void pump() override { state->store(ScriptConversion::TradToSimp); }
        } pump(&state);
        MarkupContext c = bracketContext();
        c.conversionState = &state;
        c.conversion = [] {
            qFatal("the boxes were asked although the window keeps their state");
            return ScriptConversion::None;
        };
        c.convert = [](ScriptConversion, char16_t ch) { return ch == u'x' ? u'中' : ch; };
        c.pump = &pump;
        // Events first run at the 64th letter, after it has been converted.
        QString current;
        QCOMPARE(BuildVoiceMarkup(QString(200, u'x'), CommaRule::AfterEveryRun, c, current),
                 "[A:" + QString(64, u'x') + ", ][O:" + QString(136, u'中') + ", ]");
        QCOMPARE(current, QString(136, u'中'));
    }

    void runTextAsEventsSeeIt() {
        // Events run at the 64th and 128th letter. The first sees the run
        // flushed before it and replaces the state, as another reading
        // command would; with no flush since, the second sees that value.
        QStringList seen;
        QString current;
        struct RecordingPump : EventPump {
            QString& current;
            QStringList& seen;
            RecordingPump(QString& c, QStringList& s) : EventPump(0), current(c), seen(s) {}
            void pump() override {
                seen << current;
                current = QStringLiteral("nested");
            }
        } pump(current, seen);
        MarkupContext c = bracketContext();
        c.pump = &pump;
        BuildVoiceMarkup(u"中"_qs + QString(200, u'x'), CommaRule::AfterAbcRun, c, current);
        QCOMPARE(seen, QStringList({u"中"_qs, u"nested"_qs, u"nested"_qs}));
        QCOMPARE(current, QString(200, u'x'));
    }

    void eventsRunDuringLongText() {
        QString text;
        for (int i = 0; i < 400000; ++i)
            text += u"Hello 世界 "_qs; // 4 million units
        CountingPump pump;
        MarkupContext c = bracketContext();
        c.pump = &pump;
        QString current;
        bool ran = false;
        QString seenRun;
        QTimer::singleShot(0, [&] {
            ran = true;
            seenRun = current;
        });
        BuildVoiceMarkup(text, CommaRule::AfterAbcRun, c, current);
        QVERIFY2(ran, "a queued event did not run inside the loop");
        // Inside the loop the state shows a run already flushed.
        QVERIFY(seenRun == u"Hello "_qs || seenRun == u"世界 "_qs);
        QVERIFY(pump.pumps >= 1);
        // Events run on a clock, never once per character.
        QVERIFY2(pump.pumps < text.size() / 1000, qPrintable(QString::number(pump.pumps)));
    }
};

QTEST_GUILESS_MAIN(MarkupTest)
#include "test_markup.moc"
