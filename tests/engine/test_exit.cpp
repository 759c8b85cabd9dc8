// The program ends while a voice is still speaking: the engine thread
// finishes with the sound server still there, and the exit is clean.
#include "SpeechEngine.h"

#include <QProcess>
#include <QtTest>

using namespace lectern::engine;

namespace {

const char kSpeakAndQuit[] = "--speak-and-quit";

// The child: a voice still held when main returns, mid-sentence.
int speakAndQuit(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    static SpVoice* const voice = new SpVoice;
    voice->Speak(QStringLiteral("The program ends while this is still being read."), SVSFlagsAsync);
    return 0;
}

} // namespace

class ExitTest : public QObject {
    Q_OBJECT
private slots:
    void quittingWhileSpeakingEndsCleanly() {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(kSpeakAndQuit)});
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitStatus(), QProcess::NormalExit);
        QCOMPARE(child.exitCode(), 0);
    }
};

int main(int argc, char** argv) {
    if (argc > 1 && qstrcmp(argv[1], kSpeakAndQuit) == 0)
        return speakAndQuit(argc, argv);
    QCoreApplication app(argc, argv);
    ExitTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_exit.moc"
