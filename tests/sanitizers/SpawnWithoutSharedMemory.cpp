// Linked into the tests of a ThreadSanitizer build only.
//
// Qt starts child processes with clone(CLONE_VM | CLONE_VFORK): the child
// runs in our memory until it execs. The thread checker treats the clone as
// a fork and prepares the child for life after a multi-threaded fork by
// switching off access and synchronisation tracking for the calling thread.
// With shared memory that switch lands in the parent's main thread and is
// never undone, so after the first QProcess the checker no longer sees what
// the main thread does and reports stale accesses as races. A copied child
// keeps the checker's bookkeeping its own.

#include <dlfcn.h>
#include <sched.h>
#include <sys/types.h>

#include <cstdarg>

extern "C" int clone(int (*fn)(void*), void* stack, int flags, void* arg, ...) {
    va_list rest;
    va_start(rest, arg);
    auto* parentTid = va_arg(rest, pid_t*);
    void* tls = va_arg(rest, void*);
    auto* childTid = va_arg(rest, pid_t*);
    va_end(rest);
    using Clone = int (*)(int (*)(void*), void*, int, void*, ...);
    static const auto next = reinterpret_cast<Clone>(dlsym(RTLD_NEXT, "clone"));
    if ((flags & CLONE_VM) && (flags & CLONE_VFORK) && !(flags & CLONE_THREAD))
        flags &= ~(CLONE_VM | CLONE_VFORK);
    return next(fn, stack, flags, arg, parentTid, tls, childTid);
}
