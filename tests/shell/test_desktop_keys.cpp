// F9 and Pause pressed in another X client, seen by the real X11 key watcher
// of the real window, read by the real engine and heard on the null sink.

#include "MainToolBar.h"
#include "MainWindow.h"
#include "ReadingCommands.h"
#include "SettingsPane.h"
#include "SoundProbes.h"
#include "TestKeyWatcher.h"
#include "VoiceMarkup.h"
#include "X11KeyWatcher.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QtTest>

#include <cmath>

#include <unistd.h>

using namespace lectern;

namespace {

struct Prompt {
    QString title, text;
    speech::PromptIcon icon;
};

class RecordingPrompter : public speech::Prompter {
public:
    QList<Prompt> prompts;
    speech::PromptAnswer prompt(const QString& title, const QString& text, speech::PromptIcon icon,
                                speech::PromptButtons) override {
        prompts.append({title, text, icon});
        return speech::PromptAnswer::Ok;
    }
};

// Another X client: a focused window that logs the keys it receives, and a
// holder of the PRIMARY selection.
class OtherProgram {
public:
    explicit OtherProgram(const QString& selected) {
        m_selection.start(
            QStringLiteral("xclip"),
            {QStringLiteral("-selection"), QStringLiteral("primary"), QStringLiteral("-quiet")});
        m_selection.waitForStarted(5000);
        m_selection.write(selected.toUtf8());
        m_selection.closeWriteChannel();
        // xev writes into a pipe here: line-buffered, so each event shows.
        m_keys.start(QStringLiteral("stdbuf"),
                     {QStringLiteral("-oL"), QStringLiteral("xev"), QStringLiteral("-event"),
                      QStringLiteral("keyboard")});
        m_keys.waitForStarted(5000);
        ready = QTest::qWaitFor(
            [this] {
                m_log += QString::fromLocal8Bit(m_keys.readAllStandardOutput());
                return m_log.contains(QStringLiteral("Outer window is "));
            },
            10000);
        const int at = m_log.indexOf(QStringLiteral("Outer window is ")) + 16;
        m_window = m_log.mid(at, m_log.indexOf(u',', at) - at);
        // Wait until xclip owns PRIMARY, i.e. it can be read back.
        ready = ready && QTest::qWaitFor(
                             [&] {
                                 return run({"xclip", "-selection", "primary", "-o"}) == selected;
                             },
                             10000);
    }
    bool ready = false;
    ~OtherProgram() {
        m_keys.kill();
        m_selection.kill();
        m_keys.waitForFinished(5000);
        m_selection.waitForFinished(5000);
    }
    QString window() const { return m_window; }
    void focus() { xdotool({"windowfocus", "--sync", m_window}); }
    // Key presses it received so far of the key named, as xev names keysyms.
    int pressesOf(const QString& key) {
        m_log += QString::fromLocal8Bit(m_keys.readAllStandardOutput());
        int count = 0;
        const QStringList events = m_log.split(QStringLiteral("\n\n"));
        for (const QString& event : events)
            if (event.startsWith(QStringLiteral("KeyPress")) &&
                event.contains(QStringLiteral(", ") + key + u')'))
                ++count;
        return count;
    }

    static QString run(const QStringList& command) {
        QProcess p;
        p.start(command.first(), command.mid(1));
        p.waitForFinished(20000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }
    static void xdotool(const QStringList& arguments) { run(QStringList{"xdotool"} + arguments); }

private:
    QProcess m_selection;
    QProcess m_keys;
    QString m_log;
    QString m_window;
};

// Playback streams of this process on the sound server.
int ownPlaybackStreams() {
    const QString pid = QString::number(QCoreApplication::applicationPid());
    const QString listing = OtherProgram::run({"pactl", "list", "sink-inputs"});
    return int(listing.count(QStringLiteral("application.process.id = \"%1\"").arg(pid)));
}

bool keyThreadAlive() {
    const QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile comm(tasks.filePath(task + QStringLiteral("/comm")));
        if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "lectern-keys")
            return true;
    }
    return false;
}

int openSockets() {
    const QDir fds(QStringLiteral("/proc/self/fd"));
    int count = 0;
    for (const QString& fd : fds.entryList(QDir::System | QDir::NoDotAndDotDot)) {
        char target[256] = {};
        const QByteArray path = QFile::encodeName(fds.filePath(fd));
        if (readlink(path.constData(), target, sizeof target - 1) > 0 &&
            QByteArray(target).startsWith("socket:"))
            ++count;
    }
    return count;
}

const QString Selected =
    QStringLiteral("Lectern reads the words another program selected, while you keep working. ")
        .repeated(4);

} // namespace

class DesktopKeysTest : public QObject {
    Q_OBJECT

    QTemporaryDir config;

private slots:
    void initTestCase() {
        QVERIFY(config.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    }

    void watcherLeavesNoConnectionOrThreadBehind() {
        keys::X11KeyWatcher watcher;
        QVERIFY(watcher.available());
        const int before = openSockets();
        watcher.start();
        QVERIFY(watcher.running());
        QVERIFY(keyThreadAlive());
        QCOMPARE(openSockets(), before + 2);
        watcher.stop();
        QVERIFY(!watcher.running());
        QVERIFY(!keyThreadAlive());
        QCOMPARE(openSockets(), before);
        watcher.stop(); // twice is harmless
        watcher.start();
        QVERIFY(keyThreadAlive());
    } // and the destructor stops it

    void f9InAnotherProgramReadsItsSelection() {
        shell::MainWindow window;
        RecordingPrompter prompter;
        window.setPrompter(prompter);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.Form_Load();
        QVERIFY(prompter.prompts.isEmpty());
        QVERIFY(window.keyWatcher().running());

        OtherProgram other(Selected);
        QVERIFY(other.ready);
        other.focus();
        QVERIFY(!window.keyWatcher().ownWindowInFront());
        MonitorRecording monitor;
        QVERIFY(monitor.waitUntilRecording());
        QSignalSpy spoken(&window.commands(), &speech::ReadingCommands::aboutToSpeak);

        OtherProgram::xdotool({"key", "F9"});
        QTRY_COMPARE_WITH_TIMEOUT(spoken.size(), 1, 10000);
        const auto abc = speech::buildProfileMarkup(window.SSTab2->abcProfile(),
                                                    speech::HeadVariant::SpacedName, false);
        QCOMPARE(spoken[0].at(0).toString(), abc.head + Selected + QStringLiteral(", ") + abc.tail);
        QTRY_COMPARE_WITH_TIMEOUT(other.pressesOf(QStringLiteral("F9")), 1, 5000);
        QVERIFY(prompter.prompts.isEmpty());
        QTest::qWait(600);
        QVERIFY(monitor.listen(800) > 200);

        // Pause from the other program pauses as the toolbar button does,
        // and a second Pause resumes.
        QAction* pause = window.Toolbar1->action(shell::MainToolBar::PauseButton);
        OtherProgram::xdotool({"key", "Pause"});
        QTRY_COMPARE_WITH_TIMEOUT(pause->toolTip(), QStringLiteral("Resume Reading"), 5000);
        QVERIFY(window.commands().state().ReadingInterrupted);
        QTest::qWait(300);
        QVERIFY(monitor.listen(800) < 20);
        OtherProgram::xdotool({"key", "Pause"});
        QTRY_COMPARE_WITH_TIMEOUT(pause->toolTip(), QStringLiteral("Pause Reading"), 5000);
        QTest::qWait(400);
        QVERIFY(monitor.listen(800) > 200);
        QTRY_COMPARE_WITH_TIMEOUT(other.pressesOf(QStringLiteral("Pause")), 2, 5000);

        // A key-up starts nothing, nor does F9 with Alt held.
        OtherProgram::xdotool({"key", "alt+F9"});
        OtherProgram::xdotool({"key", "F9"});
        QTRY_COMPARE_WITH_TIMEOUT(spoken.size(), 2, 10000);
        QTest::qWait(500);
        QCOMPARE(spoken.size(), 2);
        QCOMPARE(other.pressesOf(QStringLiteral("F9")), 3);

        window.commands().StopAndReset();
        window.Form_Unload();
        QVERIFY(!window.keyWatcher().running());
        QVERIFY(!keyThreadAlive());
    }

    void fiftyQuickF9sPlayOneReading() {
        shell::MainWindow window;
        RecordingPrompter prompter;
        window.setPrompter(prompter);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.Form_Load();
        OtherProgram other(Selected);
        QVERIFY(other.ready);
        other.focus();
        QSignalSpy spoken(&window.commands(), &speech::ReadingCommands::aboutToSpeak);

        QStringList presses{"key", "--delay", "15"};
        for (int i = 0; i < 50; ++i)
            presses << QStringLiteral("F9");
        OtherProgram::xdotool(presses);
        // A reading started while an older one still gathers its text wins,
        // and the older one returns without speaking; so every press reads,
        // but fewer than fifty may reach the engine. The last one always does.
        QTRY_COMPARE_WITH_TIMEOUT(other.pressesOf(QStringLiteral("F9")), 50, 30000);
        QTRY_VERIFY_WITH_TIMEOUT(spoken.size() >= 1, 10000);
        QTest::qWait(1000);
        QVERIFY(spoken.size() <= 50);
        QVERIFY2(spoken.last().at(0).toString().contains(Selected),
                 qPrintable(spoken.last().at(0).toString()));
        QVERIFY(prompter.prompts.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(window.commands().voice()->isSpeaking(), 5000);
        QTest::qWait(500);
        QCOMPARE(ownPlaybackStreams(), 1);
        window.commands().StopAndReset();
    }

    void f9WithLecternInFrontReadsItsSelection() {
        shell::MainWindow window;
        RecordingPrompter prompter;
        window.setPrompter(prompter);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.Form_Load();
        OtherProgram other(Selected);
        window.Text1->setPlainText(QStringLiteral("  Inside Lectern  "));
        window.Text1->selectAll();
        window.SSTab1->setCurrentIndex(speech::DocumentTab);
        OtherProgram::xdotool({"windowfocus", "--sync", QString::number(window.winId())});
        QTRY_VERIFY_WITH_TIMEOUT(window.keyWatcher().ownWindowInFront(), 5000);
        QSignalSpy spoken(&window.commands(), &speech::ReadingCommands::aboutToSpeak);

        OtherProgram::xdotool({"key", "F9"});
        QTRY_COMPARE_WITH_TIMEOUT(spoken.size(), 1, 10000);
        QTest::qWait(300); // the window's own F9 must not read a second time
        QCOMPARE(spoken.size(), 1);
        QVERIFY2(spoken[0].at(0).toString().contains(QStringLiteral(">inside lectern</")),
                 qPrintable(spoken[0].at(0).toString()));
        window.commands().StopAndReset();
    }

    void withoutAWatcherTheKeysWorkInsideLectern() {
        auto owned = std::make_unique<TestKeyWatcher>();
        TestKeyWatcher* watcher = owned.get();
        watcher->canWatch = false;
        shell::MainWindow window(nullptr, std::move(owned));
        RecordingPrompter prompter;
        window.setPrompter(prompter);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.Form_Load();
        QCOMPARE(prompter.prompts.size(), 1);
        QCOMPARE(prompter.prompts[0].title, QStringLiteral("訊息"));
        QCOMPARE(prompter.prompts[0].icon, speech::PromptIcon::Error);
        QCOMPARE(prompter.prompts[0].text,
                 QStringLiteral("Global keys need an X11 session; F9 and Pause work inside "
                                "Lectern only."));

        window.Text1->setPlainText(QStringLiteral("Read Here"));
        window.Text1->selectAll();
        window.SSTab1->setCurrentIndex(speech::DocumentTab);
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.Text1->setFocus();
        QSignalSpy spoken(&window.commands(), &speech::ReadingCommands::aboutToSpeak);
        QTest::keyClick(window.Text1, Qt::Key_F9);
        QCOMPARE(spoken.size(), 1);
        QVERIFY(spoken[0].at(0).toString().contains(QStringLiteral(">read here</")));
        QAction* pause = window.Toolbar1->action(shell::MainToolBar::PauseButton);
        QTest::keyClick(window.Text1, Qt::Key_Pause);
        QCOMPARE(pause->toolTip(), QStringLiteral("Resume Reading"));
        QTest::keyClick(window.Text1, Qt::Key_Pause);
        QCOMPARE(pause->toolTip(), QStringLiteral("Pause Reading"));
        window.commands().StopAndReset();
    }

    void watcherKeysAreThePauseButton() {
        auto owned = std::make_unique<TestKeyWatcher>();
        TestKeyWatcher* watcher = owned.get();
        shell::MainWindow window(nullptr, std::move(owned));
        RecordingPrompter prompter;
        window.setPrompter(prompter);
        window.show();
        window.Form_Load();
        QVERIFY(prompter.prompts.isEmpty());
        window.Text1->setPlainText(QStringLiteral("a sentence to keep the voice busy a while"));
        window.Text1->selectAll();
        window.SSTab1->setCurrentIndex(speech::DocumentTab);
        watcher->lecternInFront = true;
        QSignalSpy spoken(&window.commands(), &speech::ReadingCommands::aboutToSpeak);
        watcher->pressF9();
        QCOMPARE(spoken.size(), 1);
        // While the watcher runs, the window's own F9 would read twice.
        QTest::keyClick(window.Text1, Qt::Key_F9);
        QCOMPARE(spoken.size(), 1);

        QAction* pause = window.Toolbar1->action(shell::MainToolBar::PauseButton);
        watcher->pressPause();
        QCOMPARE(pause->toolTip(), QStringLiteral("Resume Reading"));
        QVERIFY(!QApplication::overrideCursor());
        window.commands().state().ReadingInterrupted = false;
        window.Toolbar1->action(shell::MainToolBar::PauseButton)->trigger();
        QCOMPARE(pause->toolTip(), QStringLiteral("Pause Reading"));
        QVERIFY(window.commands().state().ReadingInterrupted);
        watcher->pressPause();
        QCOMPARE(pause->toolTip(), QStringLiteral("Resume Reading"));
        window.commands().StopAndReset();
        window.Form_Unload();
        QVERIFY(!watcher->running());
    }
};

QTEST_MAIN(DesktopKeysTest)
#include "test_desktop_keys.moc"
