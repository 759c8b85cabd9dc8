#include "X11KeyWatcher.h"

#include <QGuiApplication>
#include <QPointer>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/record.h>
#include <X11/keysym.h>

#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <mutex>
#include <set>
#include <thread>

namespace lectern::keys {

namespace {

// Xlib's default error handler ends the process. A window can vanish between
// asking for the focus and walking up from it, so errors on the watcher's own
// connections are ignored; every other connection keeps the handler it had.
std::mutex handlerMutex;
std::set<Display*> quietDisplays;
XErrorHandler previousHandler = nullptr;

int quietErrors(Display* display, XErrorEvent* error) {
    {
        std::lock_guard lock(handlerMutex);
        if (quietDisplays.count(display))
            return 0;
    }
    return previousHandler ? previousHandler(display, error) : 0;
}

void quieten(Display* display) {
    std::lock_guard lock(handlerMutex);
    if (quietDisplays.empty())
        previousHandler = XSetErrorHandler(quietErrors);
    quietDisplays.insert(display);
}

void unquieten(Display* display) {
    std::lock_guard lock(handlerMutex);
    if (quietDisplays.erase(display) && quietDisplays.empty()) {
        // Put the old handler back only if nobody replaced ours meanwhile.
        XErrorHandler current = XSetErrorHandler(previousHandler);
        if (current != quietErrors)
            XSetErrorHandler(current);
        previousHandler = nullptr;
    }
}

// Whether `w` is `ancestor` or lies inside it.
bool within(Display* display, Window w, Window ancestor) {
    const Window root = DefaultRootWindow(display);
    while (w) {
        if (w == ancestor)
            return true;
        if (w == root)
            return false;
        Window rootReturn = None, parent = None;
        Window* children = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display, w, &rootReturn, &parent, &children, &count))
            return false;
        if (children)
            XFree(children);
        w = parent;
    }
    return false;
}

} // namespace

struct X11KeyWatcher::Session {
    QPointer<X11KeyWatcher> owner;
    Display* control = nullptr; // UI thread: context set-up, window in front
    Display* data = nullptr;    // the watcher thread's, once it runs
    XRecordContext context = 0;
    XRecordRange* range = nullptr;
    KeyCode f9 = 0;
    KeyCode pause = 0;
    std::set<KeyCode> altKeys;
    std::set<KeyCode> altHeld; // watcher thread only
    int wake[2] = {-1, -1};
    std::thread thread;
    std::atomic<bool> live{false};

    ~Session() { close(); }

    void open() {
        control = XOpenDisplay(nullptr);
        if (!control)
            throw KeyWatcherError(noX11SessionMessage());
        quieten(control);
        int major = 0, minor = 0;
        if (!XRecordQueryVersion(control, &major, &minor))
            throw KeyWatcherError(
                QStringLiteral("The X server offers no RECORD extension; F9 and Pause work inside "
                               "Lectern only."));
        data = XOpenDisplay(DisplayString(control));
        if (!data)
            throw KeyWatcherError(noX11SessionMessage());
        quieten(data);

        f9 = XKeysymToKeycode(control, XK_F9);
        pause = XKeysymToKeycode(control, XK_Pause);
        for (KeySym alt : {XK_Alt_L, XK_Alt_R, XK_Meta_L, XK_Meta_R})
            if (KeyCode code = XKeysymToKeycode(control, alt))
                altKeys.insert(code);

        range = XRecordAllocRange();
        if (!range)
            throw KeyWatcherError(QStringLiteral("Out of memory for the key watcher."));
        range->device_events.first = KeyPress;
        range->device_events.last = KeyRelease;
        XRecordClientSpec clients = XRecordAllClients;
        context = XRecordCreateContext(control, 0, &clients, 1, &range, 1);
        XSync(control, False);
        if (!context)
            throw KeyWatcherError(
                QStringLiteral("The X server refused to report the keys of the desktop."));
        if (!XRecordEnableContextAsync(data, context, &Session::intercepted,
                                       reinterpret_cast<XPointer>(this)))
            throw KeyWatcherError(
                QStringLiteral("The X server refused to report the keys of the desktop."));
        XFlush(data);

        if (pipe(wake) != 0)
            throw KeyWatcherError(QStringLiteral("The key watcher could not be started."));
        live = true;
        thread = std::thread([this] { run(); });
        // Named from here, so the name is there as soon as start() returns.
        pthread_setname_np(thread.native_handle(), "lectern-keys");
    }

    void close() {
        live = false;
        if (thread.joinable()) {
            const char byte = 0;
            while (write(wake[1], &byte, 1) < 0 && errno == EINTR) {
            }
            thread.join();
        }
        for (int& fd : wake) {
            if (fd >= 0)
                ::close(fd);
            fd = -1;
        }
        if (context && control) {
            XRecordDisableContext(control, context);
            XRecordFreeContext(control, context);
            XSync(control, False);
        }
        context = 0;
        if (range)
            XFree(range);
        range = nullptr;
        if (data) {
            XCloseDisplay(data);
            unquieten(data);
        }
        data = nullptr;
        if (control) {
            XCloseDisplay(control);
            unquieten(control);
        }
        control = nullptr;
    }

    void run() {
        const int fd = ConnectionNumber(data);
        for (;;) {
            // Replies Xlib already holds are handled before waiting for more.
            XRecordProcessReplies(data);
            pollfd fds[2] = {{fd, POLLIN, 0}, {wake[0], POLLIN, 0}};
            if (poll(fds, 2, -1) < 0) {
                if (errno == EINTR)
                    continue;
                return;
            }
            if (fds[1].revents)
                return;
            if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL))
                return;
        }
    }

    static void intercepted(XPointer closure, XRecordInterceptData* record) {
        auto* self = reinterpret_cast<Session*>(closure);
        if (record->category == XRecordFromServer && record->data_len > 0)
            self->keyEvent(record->data[0] & 0x7f, record->data[1]);
        XRecordFreeData(record);
    }

    void keyEvent(int type, KeyCode code) {
        if (altKeys.count(code)) {
            if (type == KeyPress)
                altHeld.insert(code);
            else
                altHeld.erase(code);
            return;
        }
        if (type != KeyPress || !altHeld.empty())
            return;
        if (code == f9)
            post(&KeyWatcher::f9Pressed);
        else if (code == pause)
            post(&KeyWatcher::pausePressed);
    }

    void post(void (KeyWatcher::*signal)()) {
        X11KeyWatcher* target = owner.data();
        if (!target)
            return;
        // A key that was under way when the watcher stopped is dropped.
        QMetaObject::invokeMethod(
            target,
            [target, signal] {
                if (target->running())
                    emit(target->*signal)();
            },
            Qt::QueuedConnection);
    }
};

X11KeyWatcher::X11KeyWatcher(QObject* parent) : KeyWatcher(parent) {}

X11KeyWatcher::~X11KeyWatcher() {
    stop();
}

bool X11KeyWatcher::available() const {
    return QGuiApplication::platformName() == QLatin1String("xcb") &&
           !qEnvironmentVariableIsEmpty("DISPLAY");
}

void X11KeyWatcher::start() {
    if (m_session)
        return;
    if (!available())
        throw KeyWatcherError(noX11SessionMessage());
    XInitThreads();
    auto session = std::make_unique<Session>();
    session->owner = this;
    session->open(); // a failure closes what was opened on the way out
    m_session = std::move(session);
}

void X11KeyWatcher::stop() {
    m_session.reset();
}

bool X11KeyWatcher::running() const {
    return m_session && m_session->live;
}

quintptr X11KeyWatcher::windowInFront() const {
    if (!m_session)
        return 0;
    Display* display = m_session->control;
    const Window root = DefaultRootWindow(display);
    const Atom activeAtom = XInternAtom(display, "_NET_ACTIVE_WINDOW", True);
    if (activeAtom != None) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, after = 0;
        unsigned char* value = nullptr;
        const int status = XGetWindowProperty(display, root, activeAtom, 0, 1, False, XA_WINDOW,
                                              &type, &format, &count, &after, &value);
        if (status == Success && type == XA_WINDOW && format == 32 && count == 1) {
            const Window active = *reinterpret_cast<Window*>(value);
            XFree(value);
            return active;
        }
        if (value)
            XFree(value);
    }
    Window focus = None;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    return focus == PointerRoot ? 0 : focus;
}

bool X11KeyWatcher::ownWindowInFront() const {
    const Window own = ownWindow();
    Window window = windowInFront();
    if (!m_session || !own || !window)
        return false;
    // The focus may sit on a child of the main window, and the active window
    // on the frame the window manager put around it: look both ways.
    return within(m_session->control, window, own) || within(m_session->control, own, window);
}

} // namespace lectern::keys
