// The export button and the mixer controls in the real window, with the real
// engine and sound server; the dialogs are answered by stand-ins.

#include "ExportCommand.h"
#include "FakeWindow.h"
#include "MainToolBar.h"
#include "MainWindow.h"
#include "Mixer.h"
#include "MixerCommands.h"
#include "SettingsPane.h"

#include <QApplication>
#include <QProcess>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

#include <functional>

using namespace lectern;

namespace {

QString pactl(const QStringList& args) {
    QProcess p;
    p.start(QStringLiteral("pactl"), args);
    p.waitForFinished(10000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

void setSink(uint32_t volume, bool muted) {
    pactl({QStringLiteral("set-sink-volume"), QStringLiteral("@DEFAULT_SINK@"),
           QString::number(volume)});
    pactl({QStringLiteral("set-sink-mute"), QStringLiteral("@DEFAULT_SINK@"),
           muted ? QStringLiteral("1") : QStringLiteral("0")});
}

uint32_t sinkVolume() {
    const QString out =
        pactl({QStringLiteral("get-sink-volume"), QStringLiteral("@DEFAULT_SINK@")});
    static const QRegularExpression raw(QStringLiteral(":\\s*(\\d+)\\s*/"));
    return raw.match(out).captured(1).toUInt();
}

bool sinkMuted() {
    return pactl({QStringLiteral("get-sink-mute"), QStringLiteral("@DEFAULT_SINK@")})
        .contains(QStringLiteral("yes"));
}

class AnsweringUi : public shell::ExportUi {
public:
    QString name;
    std::function<void()> duringExport;
    QString saveFileName(const QString&, const QString&) override {
        cursorDuringDialog = QApplication::overrideCursor() != nullptr;
        return name;
    }
    void openFile(const QString&) override {}
    void showProgress(int) override {
        if (duringExport) {
            auto once = std::move(duringExport);
            duringExport = nullptr;
            once();
        }
    }
    bool cancelRequested() override { return false; }
    void hideProgress() override {}
    bool cursorDuringDialog = true;
};

QStringList texts(const RecordingPrompter& prompter) {
    QStringList all;
    for (const Prompt& p : prompter.prompts)
        all << p.text;
    return all;
}

} // namespace

class WindowAudioTest : public QObject {
    Q_OBJECT
    QTemporaryDir config;

private slots:
    void initTestCase() { qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path())); }
    void cleanupTestCase() { setSink(65536, false); }

    void startUpShowsTheSink_data() {
        QTest::addColumn<uint>("volume");
        QTest::addColumn<bool>("muted");
        QTest::addColumn<QString>("caption");
        QTest::newRow("muted, low") << 13000u << true << QStringLiteral("v");
        QTest::newRow("sounding, high") << 60000u << false << QString();
    }
    void startUpShowsTheSink() {
        QFETCH(uint, volume);
        QFETCH(bool, muted);
        QFETCH(QString, caption);
        setSink(volume, muted);
        shell::MainWindow window;
        RecordingPrompter prompter;
        window.setPrompter(prompter);
        window.Form_Load();
        QCOMPARE(window.SSTab2->Slider5->value(), int(audio::PulseMixer::fromPulse(volume)));
        QCOMPARE(window.SSTab2->Command5->text(), caption);
        // Showing it set nothing.
        QCOMPARE(sinkVolume(), volume);
        QVERIFY(!texts(prompter).contains(shell::mixerUnavailableMessage()));
    }

    void sliderAndButtonDriveTheSink() {
        setSink(30000, false);
        shell::MainWindow window;
        RecordingPrompter prompter;
        window.setPrompter(prompter);
        window.show();
        window.Form_Load();
        QSlider* slider = window.SSTab2->Slider5;
        const int shown = slider->value();
        slider->setFocus();
        QTest::keyClick(slider, Qt::Key_PageUp);
        QCOMPARE(slider->value(), shown + 5000);
        QCOMPARE(sinkVolume(), audio::PulseMixer::toPulse(uint32_t(shown + 5000)));
        QTest::keyClick(slider, Qt::Key_Home);
        QCOMPARE(sinkVolume(), 0u);
        QVERIFY(!sinkMuted());

        QPushButton* mute = window.SSTab2->Command5;
        QTest::mouseClick(mute, Qt::LeftButton);
        QVERIFY(sinkMuted());
        QCOMPARE(mute->text(), QStringLiteral("v"));
        QTest::mouseClick(mute, Qt::LeftButton);
        QVERIFY(!sinkMuted());
        QCOMPARE(mute->text(), QString());
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(prompter.prompts.isEmpty());
    }

    void exportButtonWritesTheFileAndRefusesASecond() {
        QTemporaryDir out;
        shell::MainWindow window;
        RecordingPrompter prompter;
        prompter.answer = speech::PromptAnswer::No;
        AnsweringUi ui;
        window.setPrompter(prompter);
        window.setExportUi(ui);
        window.show();
        window.Form_Load();
        prompter.prompts.clear();
        window.Text1->setPlainText(QStringLiteral("Hello 你好"));
        window.Text1->selectAll();
        window.SSTab1->setCurrentIndex(speech::DocumentTab);
        ui.name = out.filePath(QStringLiteral("hello.Mp3"));
        ui.duringExport = [&] {
            window.Toolbar1->action(shell::MainToolBar::ExportButton)->trigger();
        };
        window.Toolbar1->action(shell::MainToolBar::ExportButton)->trigger();

        QCOMPARE(texts(prompter),
                 (QStringList{shell::exportRunningMessage(), shell::playQuestion(ui.name)}));
        QVERIFY(!ui.cursorDuringDialog);
        QVERIFY(!QApplication::overrideCursor());
        QFile mp3(ui.name);
        QVERIFY(mp3.open(QIODevice::ReadOnly));
        QVERIFY(mp3.size() > 4000);
        QVERIFY(mp3.read(3) == "ID3");
        QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("hello.Mp3")});
    }

    // Last, so the engine's own connection has been made by the earlier ones.
    void noServerIsToldOncePerStartUpOperation() {
        const QByteArray saved = qgetenv("PULSE_SERVER");
        qputenv("PULSE_SERVER", "unix:/nonexistent/lectern-no-server");
        shell::MainWindow window;
        RecordingPrompter prompter;
        window.setPrompter(prompter);
        {
            const QSignalBlocker quiet(window.SSTab2->Slider5);
            window.SSTab2->Slider5->setValue(1234);
        }
        window.SSTab2->Command5->setText(QStringLiteral("v"));
        window.Form_Load();
        QCOMPARE(texts(prompter).count(shell::mixerUnavailableMessage()), 2);
        for (const Prompt& p : prompter.prompts)
            if (p.text == shell::mixerUnavailableMessage()) {
                QCOMPARE(p.title, shell::applicationTitle());
                QCOMPARE(p.icon, speech::PromptIcon::None);
            }
        QCOMPARE(window.SSTab2->Slider5->value(), 1234);
        QCOMPARE(window.SSTab2->Command5->text(), QStringLiteral("v"));
        if (saved.isNull())
            qunsetenv("PULSE_SERVER");
        else
            qputenv("PULSE_SERVER", saved);
    }
};

QTEST_MAIN(WindowAudioTest)
#include "test_window_audio.moc"
