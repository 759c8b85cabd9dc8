// Without a sound server: plain failures, and export to files still works.
#include "SpeechEngine.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace lectern::engine;

class NoServerTest : public QObject {
    Q_OBJECT
private slots:
    void failuresSaySoAndFilesStillWork() {
        try {
            SpVoice::GetAudioOutputs();
            QFAIL("audio outputs without a sound server");
        } catch (const EngineError& e) {
            QVERIFY2(e.description().contains(QStringLiteral("sound server")),
                     qPrintable(e.description()));
        }
        SpVoice voice;
        QVERIFY(voice.AudioOutput().id.isEmpty());
        QVERIFY_THROWS_EXCEPTION(EngineError, voice.Speak(QStringLiteral("Hello."), SVSFlagsAsync));
        QVERIFY_THROWS_EXCEPTION(EngineError, voice.Speak(QStringLiteral("Hello."), SVSFDefault));
        QVERIFY(voice.WaitUntilDone(1000));
        voice.Pause();
        voice.Resume();

        QTemporaryDir dir;
        SpFileStream file;
        file.Open(dir.filePath(QStringLiteral("a.wav")));
        voice.setAudioOutputStream(&file);
        voice.Speak(QStringLiteral("Hello."), SVSFDefault);
        file.Close();
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("a.wav"))).size() > 10000);
    }
};

int main(int argc, char** argv) {
    // Before the first connection, which reads it.
    qputenv("PULSE_SERVER", "unix:/nonexistent/lectern-test");
    QCoreApplication app(argc, argv);
    NoServerTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "test_no_server.moc"
