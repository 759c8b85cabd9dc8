// Speaking a named file: only a regular file of at most 64 MiB is taken,
// anything else is refused at once with a description instead of blocking
// the window or filling memory.
#include "SpeechEngine.h"
#include "SpokenFile.h"

#include <sndfile.h>

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace lectern::engine;

class SpokenFileTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    QString sparseFile(const QString& name, qint64 size) {
        const QString path = m_dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || !f.resize(size))
            return {};
        return path;
    }

private slots:
    void refusals_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("reason");
        const QString fifo = m_dir.filePath(QStringLiteral("fifo"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QTest::newRow("pipe") << fifo << QStringLiteral("is a pipe, not a file");
        QTest::newRow("endless device")
            << QStringLiteral("/dev/zero") << QStringLiteral("is a device, not a file");
        QTest::newRow("folder") << m_dir.path() << QStringLiteral("is a folder, not a file");
        QTest::newRow("missing") << m_dir.filePath(QStringLiteral("nothing-here.txt"))
                                 << QStringLiteral("cannot be read");
        QTest::newRow("one byte too large")
            << sparseFile(QStringLiteral("large.txt"), SpokenFile::MaxBytes + 1)
            << QStringLiteral("larger than 64 MiB");
    }
    void refusals() {
        QFETCH(QString, path);
        QFETCH(QString, reason);
        QVERIFY(!path.isEmpty());
        try {
            SpokenFile::open(path);
            QFAIL("accepted");
        } catch (const EngineError& e) {
            QVERIFY2(e.description().contains(reason) && e.description().contains(path),
                     qPrintable(e.description()));
        }
        // Through the voice as a reading command calls it: refused, not hung.
        SpFileStream file;
        file.Open(m_dir.filePath(QStringLiteral("refused.wav")));
        SpVoice voice;
        voice.setAudioOutputStream(&file);
        QVERIFY_THROWS_EXCEPTION(EngineError, voice.Speak(path, SVSFIsFilename | SVSFlagsAsync));
        QVERIFY(!voice.isSpeaking());
    }

    void limitIsInclusiveAndGrowthIsCaught() {
        const QString path = sparseFile(QStringLiteral("limit.txt"), SpokenFile::MaxBytes);
        QVERIFY(!path.isEmpty());
        const auto file = SpokenFile::open(path);
        QCOMPARE(file->readText().size(), SpokenFile::MaxBytes);
        // Grown past the limit after the check: the read still stops.
        QVERIFY(QFile::resize(path, SpokenFile::MaxBytes + 10));
        QVERIFY_THROWS_EXCEPTION(EngineError, file->readText());
    }

    void regularFileIsSpoken() {
        const QString text = m_dir.filePath(QStringLiteral("words.txt"));
        {
            QFile f(text);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("<silence msec=\"1500\"/>Hello there, this text came from a file.");
        }
        const QString link = m_dir.filePath(QStringLiteral("link.txt"));
        QVERIFY(QFile::link(text, link));

        const QString wav = m_dir.filePath(QStringLiteral("spoken.wav"));
        SpFileStream file;
        file.Open(wav);
        SpVoice voice;
        voice.setAudioOutputStream(&file);
        voice.Speak(link, SVSFIsFilename);
        file.Close();

        SF_INFO info{};
        SNDFILE* f = sf_open(QFile::encodeName(wav).constData(), SFM_READ, &info);
        QVERIFY(f);
        std::vector<float> samples(size_t(info.frames));
        sf_readf_float(f, samples.data(), info.frames);
        sf_close(f);
        const double seconds = double(info.frames) / info.samplerate;
        // The markup in the file was read as markup: the silence, not its tag.
        QVERIFY2(seconds > 3.0 && seconds < 8, qPrintable(QString::number(seconds)));
        const size_t silent = size_t(info.samplerate * 1.4);
        QVERIFY(std::all_of(samples.begin(), samples.begin() + long(silent),
                            [](float s) { return s == 0.f; }));
        QVERIFY(std::any_of(samples.begin() + long(silent), samples.end(),
                            [](float s) { return std::abs(s) > 0.1f; }));
    }
};

QTEST_MAIN(SpokenFileTest)
#include "test_spoken_file.moc"
