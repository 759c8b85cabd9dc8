// The sound server dies in the middle of a reading and comes back: the
// failure is shown once, events keep running, and the next reading plays.
// The test runs its own server on a socket of its own so that killing it
// disturbs nobody else.

#include "EngineBackend.h"
#include "FakeWindow.h"
#include "ReadingCommands.h"
#include "SpeechEngine.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <csignal>
#include <sys/prctl.h>

using namespace lectern;

namespace {

QTemporaryDir* runtimeDir = nullptr;

QString socketPath() {
    return runtimeDir->filePath(QStringLiteral("native"));
}

bool serverAnswers() {
    QProcess info;
    info.start(QStringLiteral("pactl"), {QStringLiteral("info")});
    return info.waitForFinished(5000) && info.exitStatus() == QProcess::NormalExit &&
           info.exitCode() == 0;
}

// A null-sink server on our socket; nullptr when it does not answer.
std::unique_ptr<QProcess> startServer() {
    auto server = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimeDir->path());
    env.insert(QStringLiteral("HOME"), runtimeDir->path());
    server->setProcessEnvironment(env);
    // Its output must not hold the test runner's pipe open, and it must not
    // outlive a test that fails half-way.
    server->setStandardOutputFile(QProcess::nullDevice());
    server->setStandardErrorFile(QProcess::nullDevice());
    server->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
    server->start(QStringLiteral("pulseaudio"),
                  {QStringLiteral("--daemonize=no"), QStringLiteral("--exit-idle-time=-1"),
                   QStringLiteral("-n"), QStringLiteral("--log-level=0"),
                   QStringLiteral("--load=module-null-sink"),
                   QStringLiteral("--load=module-native-protocol-unix socket=") + socketPath()});
    if (!server->waitForStarted(10000))
        return nullptr;
    for (int i = 0; i < 100; ++i) {
        if (serverAnswers())
            return server;
        QTest::qWait(100);
    }
    return nullptr;
}

} // namespace

// What only the real engine reports: the bytes its current voice played.
qint64 played(speech::ReadingCommands& commands) {
    return static_cast<speech::EngineVoice*>(commands.voice())->engineVoice().playedBytes();
}

class SoundServerLossTest : public QObject {
    Q_OBJECT

private slots:
    void failureShownOnceAndTheNextReadingPlays() {
        std::unique_ptr<QProcess> server = startServer();
        QVERIFY2(server, "a private sound server started");

        FakeHost host;
        FakeClipboard clipboard;
        RecordingPrompter prompter;
        speech::EngineBackend engine;
        speech::ReadingCommands commands(host, clipboard, prompter, engine);
        commands.replaceVoice();
        host.selection = QStringLiteral("a reading long enough to be cut off while it plays, "
                                        "一個很長的句子。")
                             .repeated(20);
        commands.Speak();
        QCOMPARE(prompter.prompts.size(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(played(commands) > 0, 10000);

        server->kill();
        QVERIFY(server->waitForFinished(10000));
        server.reset();

        // Events keep running while the failure is noticed and shown.
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0, longest = 0;
        QTimer ticker;
        ticker.setInterval(10);
        connect(&ticker, &QTimer::timeout, [&] {
            longest = std::max(longest, clock.elapsed() - last);
            last = clock.elapsed();
        });
        ticker.start();
        QTRY_COMPARE_WITH_TIMEOUT(prompter.prompts.size(), 1, 10000);
        QVERIFY(commands.voice()->waitUntilDone(5000));
        QTest::qWait(500);
        ticker.stop();
        QVERIFY2(longest < 3000, qPrintable(QStringLiteral("events stalled %1 ms").arg(longest)));
        QCOMPARE(prompter.prompts.size(), 1);
        QCOMPARE(prompter.prompts[0].icon, speech::PromptIcon::Error);
        QVERIFY(!prompter.prompts[0].text.isEmpty());

        // A reading while it is away says so and does not hang.
        prompter.prompts.clear();
        host.selection = QStringLiteral("nobody is listening");
        commands.Speak();
        QCOMPARE(prompter.prompts.size(), 1);
        QVERIFY(commands.voice()->waitUntilDone(5000));

        server = startServer();
        QVERIFY2(server, "the sound server came back");
        prompter.prompts.clear();
        host.selection = QStringLiteral("the server is back, 聲音回來了");
        commands.Speak();
        QTRY_VERIFY_WITH_TIMEOUT(played(commands) > 0, 10000);
        QVERIFY(commands.voice()->waitUntilDone(30000));
        QCOMPARE(prompter.prompts.size(), 0);
        commands.StopAndReset();

        server->terminate();
        server->waitForFinished(10000);
    }
};

int main(int argc, char** argv) {
    QTemporaryDir dir;
    runtimeDir = &dir;
    // Before the first connection, which reads it; pactl above reads it too.
    qputenv("PULSE_SERVER", QByteArray("unix:") + QFile::encodeName(socketPath()));
    QCoreApplication app(argc, argv);
    SoundServerLossTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_sound_server_loss.moc"
