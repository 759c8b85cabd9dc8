// f9_to_sound_ms: from an F9 key-down sent with XTest while another X client
// has the focus and holds a 200-character PRIMARY selection, to the first
// sample of the reading heard on the default sink's monitor. Median of
// several presses, each from silence.

#include "MainWindow.h"
#include "ReadingCommands.h"

#include <QApplication>
#include <QProcess>
#include <QtTest>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Reads the monitor on a thread of its own, so the time a block arrives is
// not held up by the UI thread, and notes when the first loud sample played.
class Monitor {
public:
    Monitor() {
        QProcess pactl;
        pactl.start(QStringLiteral("pactl"), {QStringLiteral("get-default-sink")});
        pactl.waitForFinished(5000);
        const QByteArray sink = pactl.readAllStandardOutput().trimmed();
        const QByteArray device = sink + ".monitor";
        int fds[2];
        if (pipe(fds) != 0)
            return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        const char* args[] = {
            "parec",        "-d",           device.constData(), "--raw", "--format=s16le",
            "--rate=16000", "--channels=1", "--latency-msec=5", nullptr};
        const int failed = posix_spawnp(&m_pid, "parec", &actions, nullptr,
                                        const_cast<char* const*>(args), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        if (failed) {
            ::close(fds[0]);
            return;
        }
        m_pipe = fdopen(fds[0], "r");
        if (m_pipe)
            m_thread = std::thread([this] { run(); });
    }
    ~Monitor() {
        m_stop = true;
        if (m_pid > 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
        if (m_thread.joinable())
            m_thread.join();
        if (m_pipe)
            std::fclose(m_pipe);
    }
    bool ok() const { return m_pipe != nullptr; }
    // Forgets any sound heard so far.
    void arm() { m_loudAt = Clock::time_point::min().time_since_epoch().count(); }
    bool heard() const { return m_loudAt != Clock::time_point::min().time_since_epoch().count(); }
    Clock::time_point loudAt() const { return Clock::time_point(Clock::duration(m_loudAt)); }
    bool silentFor(int ms) {
        arm();
        QTest::qWait(ms);
        return !heard();
    }

private:
    void run() {
        constexpr int Block = 80; // 5 ms
        int16_t samples[Block];
        while (!m_stop && std::fread(samples, sizeof samples, 1, m_pipe) == 1) {
            const auto now = Clock::now();
            if (heard())
                continue;
            for (int i = 0; i < Block; ++i) {
                if (std::abs(samples[i]) > 300) {
                    const auto played = now - std::chrono::microseconds((Block - i) * 62);
                    m_loudAt = played.time_since_epoch().count();
                    break;
                }
            }
        }
    }

    pid_t m_pid = -1;
    FILE* m_pipe = nullptr;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<Clock::rep> m_loudAt{Clock::time_point::min().time_since_epoch().count()};
};

QString run(const QStringList& command) {
    QProcess p;
    p.start(command.first(), command.mid(1));
    p.waitForFinished(20000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Lectern"));
    QApplication::setApplicationName(QStringLiteral("Lectern"));

    lectern::shell::MainWindow window;
    window.show();
    window.Form_Load();
    if (!window.keyWatcher().running()) {
        std::fprintf(stderr, "the key watcher did not start\n");
        return 1;
    }

    // Another program holds the selection and has the focus.
    const QString selected =
        QStringLiteral("Select a sentence anywhere and press the key to hear it read aloud. ")
            .repeated(3)
            .left(200);
    QProcess holder;
    holder.start(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("primary"),
                                           QStringLiteral("-quiet")});
    holder.waitForStarted(5000);
    holder.write(selected.toUtf8());
    holder.closeWriteChannel();
    QProcess other;
    other.start(QStringLiteral("stdbuf"), {QStringLiteral("-oL"), QStringLiteral("xev"),
                                           QStringLiteral("-event"), QStringLiteral("keyboard")});
    QString log;
    const bool shown = QTest::qWaitFor(
        [&] {
            log += QString::fromLocal8Bit(other.readAllStandardOutput());
            return log.contains(QStringLiteral("Outer window is "));
        },
        10000);
    const bool held = QTest::qWaitFor(
        [&] {
            return run({"xclip", "-selection", "primary", "-o"}) == selected;
        },
        10000);
    if (!shown || !held) {
        std::fprintf(stderr, "the other program did not start\n");
        return 1;
    }
    const int at = log.indexOf(QStringLiteral("Outer window is ")) + 16;
    run({"xdotool", "windowfocus", "--sync", log.mid(at, log.indexOf(u',', at) - at)});

    Monitor monitor;
    Display* display = XOpenDisplay(nullptr);
    if (!monitor.ok() || !display) {
        std::fprintf(stderr, "no monitor recording or no display\n");
        return 1;
    }
    const KeyCode f9 = XKeysymToKeycode(display, XK_F9);

    std::vector<double> times;
    for (int round = 0; round < 7; ++round) {
        window.commands().StopAndReset();
        if (!QTest::qWaitFor([&] { return monitor.silentFor(300); }, 5000)) {
            std::fprintf(stderr, "the sink did not fall silent\n");
            return 1;
        }
        monitor.arm();
        const auto pressed = Clock::now();
        XTestFakeKeyEvent(display, f9, True, CurrentTime);
        XTestFakeKeyEvent(display, f9, False, CurrentTime);
        XFlush(display);
        if (!QTest::qWaitFor([&] { return monitor.heard(); }, 5000)) {
            std::fprintf(stderr, "no sound after F9\n");
            return 1;
        }
        times.push_back(
            std::chrono::duration<double, std::milli>(monitor.loudAt() - pressed).count());
    }
    window.commands().StopAndReset();
    window.Form_Unload();
    XCloseDisplay(display);
    other.kill();
    holder.kill();
    other.waitForFinished(5000);
    holder.waitForFinished(5000);

    std::sort(times.begin(), times.end());
    if (qEnvironmentVariableIsSet("LECTERN_BENCH_VERBOSE"))
        for (double t : times)
            std::fprintf(stderr, "f9 press: %.1f ms\n", t);
    std::printf("f9_to_sound_ms: %.0f\n", times[times.size() / 2]);
    return 0;
}
