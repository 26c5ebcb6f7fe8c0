// Linked into the tests of ThreadSanitizer builds only, for the distribution's uninstrumented Qt.
// 1. Qt starts processes with clone(CLONE_VM | CLONE_VFORK); ThreadSanitizer's fork-child
// bookkeeping in a child sharing our memory makes the parent believe it is a forked child
// (it dies at its next thread start). A plain fork keeps the parent intact; the child only
// sets up descriptors and calls exec, as a vfork child must.
// 2. Qt hands data between threads in ways ThreadSanitizer cannot see, so every value passed
// to a pool task or queued call would be a race. Wrappers of the three Qt entry points the
// engine uses (our calls bind to them at link time) add the edges those hand-overs provide.
#include <QMetaObject>
#include <QRunnable>
#include <QThreadPool>

#include <cstdarg>
#include <dlfcn.h>
#include <memory>
#include <sanitizer/tsan_interface.h>
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

namespace {

template <typename Function> Function realFunction(const char* mangledName)
{
    void* symbol = dlsym(RTLD_NEXT, mangledName);
    if (!symbol)
        qFatal("tsan_qt_handoffs: %s not found", mangledName);
    return reinterpret_cast<Function>(symbol);
}

// The call acquires what the poster released; a poster that waits acquires what it released.
class HandoffSlot : public QtPrivate::QSlotObjectBase {
public:
    HandoffSlot(QtPrivate::QSlotObjectBase* inner, std::shared_ptr<char> done)
        : QSlotObjectBase(&impl)
        , m_inner(inner)
        , m_done(std::move(done))
    {
    }

private:
    static void impl(int which, QSlotObjectBase* base, QObject* receiver, void** args, bool*)
    {
        // Keyed by address: reading a member first would touch the poster's data.
        auto* self = static_cast<HandoffSlot*>(base);
        __tsan_acquire(self);
        switch (which) {
        case Call:
            self->m_inner->call(receiver, args);
            __tsan_release(self->m_done.get());
            break;
        case Destroy:
            __tsan_acquire(self->m_done.get());
            self->m_inner->destroyIfLastRef();
            delete self;
            break;
        }
    }

    QtPrivate::QSlotObjectBase* m_inner;
    std::shared_ptr<char> m_done;
};

// The pool reaches run() through the vtable, so the acquire precedes any access to our data.
class HandoffTask : public QRunnable {
public:
    HandoffTask(std::function<void()> function, QThreadPool* pool)
        : m_function(std::move(function))
        , m_pool(pool)
    {
    }

    void run() override
    {
        __tsan_acquire(this);
        m_function();
        __tsan_release(m_pool);
    }

private:
    std::function<void()> m_function;
    QThreadPool* m_pool;
};

} // namespace

bool QMetaObject::invokeMethodImpl(QObject* object, QtPrivate::QSlotObjectBase* slot,
                                   Qt::ConnectionType type, void* ret)
{
    using Real = bool (*)(QObject*, QtPrivate::QSlotObjectBase*, Qt::ConnectionType, void*);
    static const auto real = realFunction<Real>(
        "_ZN11QMetaObject16invokeMethodImplEP7QObjectPN9QtPrivate15QSlotObjectBaseEN2Qt14"
        "ConnectionTypeEPv");
    auto done = std::make_shared<char>(0);
    auto* wrapped = new HandoffSlot(slot, done);
    __tsan_release(wrapped);
    const bool invoked = real(object, wrapped, type, ret);
    __tsan_acquire(done.get()); // a blocking call has run by now
    return invoked;
}

// The real function is reached through the QRunnable overload.
void QThreadPool::start(std::function<void()> functionToRun, int priority)
{
    auto* task = new HandoffTask(std::move(functionToRun), this);
    __tsan_release(task);
    start(task, priority);
}

bool QThreadPool::waitForDone(int msecs)
{
    using Real = bool (*)(QThreadPool*, int);
    static const auto real = realFunction<Real>("_ZN11QThreadPool11waitForDoneEi");
    const bool done = real(this, msecs);
    __tsan_acquire(this); // every task that has finished released the pool
    return done;
}
