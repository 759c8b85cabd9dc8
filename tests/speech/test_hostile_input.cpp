// Selections no one should have to read but someone will: huge, degenerate
// or malformed text goes through the whole reading path on the real engine
// without a crash, a hang or a window that stops answering. And readings
// started back to back leave no threads or open files behind.

#include "EngineBackend.h"
#include "FakeWindow.h"
#include "ReadingCommands.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

using namespace lectern;

namespace {

// The longest time the event loop went without running a 10 ms timer while
// `work` ran: what a person would see as a frozen window.
template <typename Work> qint64 longestStall(Work&& work) {
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0, longest = 0;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - last);
        last = now;
    });
    ticker.start();
    work();
    return std::max(longest, clock.elapsed() - last);
}

int openFiles() {
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

int threads() {
    return int(QDir(QStringLiteral("/proc/self/task"))
                   .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                   .size());
}

QString repeatedToSize(const QString& unit, qsizetype size) {
    return unit.repeated(size / unit.size() + 1).left(size);
}

} // namespace

class HostileInputTest : public QObject {
    Q_OBJECT

private slots:
    void readsWithoutCrashHangOrFreeze_data() {
        QTest::addColumn<QString>("selection");
        const QChar high(0xD83D), low(0xDE00);
        QTest::newRow("50 MB") << repeatedToSize(
            QStringLiteral("Lectern reads this 句子 aloud, again and again. "), 25 * 1024 * 1024);
        QTest::newRow("100,000 one-character lines")
            << QStringLiteral("a\r\n").repeated(50000) + QStringLiteral("字\n").repeated(50000);
        QTest::newRow("neutral characters only")
            << QStringLiteral("0123456789 ,.;:!?-()[]{}\"'/\\@#$%^&*+=~`|<>\t").repeated(2000);
        QTest::newRow("surrogate pairs only") << (QString(high) + low).repeated(20000);
        QTest::newRow("lone surrogates") << (QString(high) + QStringLiteral("ab") + QChar(low) +
                                             QStringLiteral("字") + QChar(high))
                                                .repeated(5000);
        QTest::newRow("NUL characters")
            << (QStringLiteral("abc") + QChar(0) + QStringLiteral("字") + QChar(0)).repeated(5000);
        QTest::newRow("right to left")
            << QStringLiteral("שלום עולם مرحبا بالعالم \u202Eabc\u202C ").repeated(3000);
        QTest::newRow("markup-looking text")
            << QStringLiteral("<voice required=\"NAME=x\"><rate speed=\"99999999999\">&#0;"
                              "&bogus;<![CDATA[ </silence msec=\"-1\"> ")
                   .repeated(2000);
    }
    void readsWithoutCrashHangOrFreeze() {
        QFETCH(QString, selection);
        FakeHost host;
        FakeClipboard clipboard;
        RecordingPrompter prompter;
        speech::EngineBackend engine;
        speech::ReadingCommands commands(host, clipboard, prompter, engine);
        commands.replaceVoice();
        host.selection = selection;
        selection.clear(); // the host's copy is the only one, as in the window

        const qint64 stall = longestStall([&] {
            commands.Speak();
            QTest::qWait(500);
            commands.StopAndReset();
        });
        qInfo("longest stall: %lld ms", stall);
        QVERIFY2(stall < 3000, qPrintable(QStringLiteral("the window froze for %1 ms").arg(stall)));
        QVERIFY(commands.voice());
        QVERIFY(!commands.voice()->isSpeaking());
        for (const Prompt& p : prompter.prompts)
            qInfo() << "shown:" << p.text;
        QVERIFY(prompter.prompts.isEmpty());

        // The reader still reads afterwards.
        host.selection = QStringLiteral("still here");
        commands.Speak();
        QVERIFY(commands.voice()->isSpeaking());
        QVERIFY(commands.voice()->waitUntilDone(30000));
        QVERIFY(prompter.prompts.isEmpty());
    }

    void backToBackReadingsLeaveNothingBehind() {
        FakeHost host;
        FakeClipboard clipboard;
        RecordingPrompter prompter;
        speech::EngineBackend engine;
        speech::ReadingCommands commands(host, clipboard, prompter, engine);
        commands.replaceVoice();
        auto readings = [&](int count) {
            for (int i = 0; i < count; ++i) {
                host.selection = QStringLiteral("Reading %1, 第%1次").arg(i);
                commands.Speak();
                QCoreApplication::processEvents();
            }
        };
        readings(10);
        QTest::qWait(200);
        const int filesBefore = openFiles(), threadsBefore = threads();
        readings(300);
        commands.StopAndReset();
        QTest::qWait(200);
        QCOMPARE(prompter.prompts.size(), 0);
        QCOMPARE(openFiles(), filesBefore);
        QCOMPARE(threads(), threadsBefore);
        QVERIFY(!commands.voice()->isSpeaking());
    }
};

QTEST_GUILESS_MAIN(HostileInputTest)
#include "test_hostile_input.moc"
