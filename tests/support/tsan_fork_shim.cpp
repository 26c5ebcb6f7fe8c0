// Linked into the tests of ThreadSanitizer builds only.
//
// Qt starts child processes with clone(CLONE_VM | CLONE_VFORK). ThreadSanitizer intercepts
// clone() and runs its fork-child bookkeeping in the child, which shares the parent's
// memory under CLONE_VM, so the parent afterwards believes it is a forked child: it dies at
// the next thread start and loses track of synchronisation. Turning such a clone into a
// plain fork keeps the parent's state intact; the child only sets up its descriptors and
// calls exec, which is all a vfork child may do anyway.
#include <cstdarg>
#include <dlfcn.h>
#include <sched.h>
#include <sys/syscall.h>
#include <unistd.h>

extern "C" int clone(int (*fn)(void*), void* stack, int flags, void* arg, ...) noexcept
{
    va_list extra;
    va_start(extra, arg);
    pid_t* parentTid = va_arg(extra, pid_t*);
    void* tls = va_arg(extra, void*);
    pid_t* childTid = va_arg(extra, pid_t*);
    va_end(extra);

    if ((flags & CLONE_VM) && (flags & CLONE_VFORK)) {
        const unsigned long forkFlags =
            static_cast<unsigned long>(flags) & ~(CLONE_VM | CLONE_VFORK);
        // No new stack: the child continues on its copy of ours, like after fork().
        const long pid = syscall(SYS_clone, forkFlags, nullptr, parentTid, childTid, tls);
        if (pid == 0)
            _exit(fn(arg));
        return int(pid);
    }
    using CloneFunction = int (*)(int (*)(void*), void*, int, void*, ...);
    static const auto next = reinterpret_cast<CloneFunction>(dlsym(RTLD_NEXT, "clone"));
    return next(fn, stack, flags, arg, parentTid, tls, childTid);
}
