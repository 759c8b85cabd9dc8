// The thread checker must still see the main thread once a test has started
// a child process, as nearly every sound test does (recorders, pactl). This
// program races on purpose after starting one; the test passes only when
// the checker reports that race.
#include <QCoreApplication>
#include <QProcess>

#include <atomic>
#include <cstdio>
#include <thread>

namespace {

int g_shared = 0;
std::atomic<bool> g_go{false};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // Already running when the child starts, as the engine and sound server
    // threads are in the tests. Relaxed on both sides: nothing orders the
    // two writes.
    std::thread other([] {
        while (!g_go.load(std::memory_order_relaxed)) {
        }
        g_shared = 2;
    });
    QProcess child;
    child.start(QStringLiteral("true"), {});
    if (!child.waitForFinished(10000)) {
        std::fputs("the child process did not run\n", stderr);
        return 2;
    }
    g_shared = 1;
    g_go.store(true, std::memory_order_relaxed);
    other.join();
    std::printf("shared: %d\n", g_shared);
    return 0;
}
