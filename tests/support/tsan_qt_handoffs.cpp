// Linked into the tests of ThreadSanitizer builds only.
//
// Qt on this machine is not instrumented: its mutexes, semaphores and event queues hand
// data between threads with atomics and futexes that ThreadSanitizer cannot see, so every
// value passed to a pool task or to a queued call would be reported as a race. These
// wrappers replace the three Qt entry points the engine uses for such hand-overs and add
// the happens-before edges those hand-overs really provide, so the reports that remain are
// about our own code. Calls from our code bind to these definitions at link time; the real
// functions are found behind them with dlsym(RTLD_NEXT) or, for the pool, reached through
// its QRunnable overload.
#include <QMetaObject>
#include <QRunnable>
#include <QThreadPool>

#include <dlfcn.h>
#include <memory>
#include <sanitizer/tsan_interface.h>

namespace {

template <typename Function> Function realFunction(const char* mangledName)
{
    void* symbol = dlsym(RTLD_NEXT, mangledName);
    if (!symbol)
        qFatal("tsan_qt_handoffs: %s not found", mangledName);
    return reinterpret_cast<Function>(symbol);
}

// A slot object around the one Qt was given: the call acquires what the poster released,
// and the poster, when it waits for the call, acquires what the call released.
class HandoffSlot : public QtPrivate::QSlotObjectBase {
public:
    // Released when the call has run; the poster of a blocking call acquires it.
    struct Done {
        char key = 0;
    };

    HandoffSlot(QtPrivate::QSlotObjectBase* inner, std::shared_ptr<Done> done)
        : QSlotObjectBase(&impl)
        , m_inner(inner)
        , m_done(std::move(done))
    {
    }

private:
    static void impl(int which, QSlotObjectBase* base, QObject* receiver, void** args, bool* ret)
    {
        // The slot object's own address is the key: reading a member first would already
        // touch what the poster wrote.
        auto* self = static_cast<HandoffSlot*>(base);
        __tsan_acquire(self);
        switch (which) {
        case Call:
            self->m_inner->call(receiver, args);
            __tsan_release(&self->m_done->key);
            break;
        case Compare:
            *ret = self->m_inner->compare(args);
            break;
        case Destroy:
            __tsan_acquire(&self->m_done->key);
            self->m_inner->destroyIfLastRef();
            delete self;
            break;
        }
    }

    QtPrivate::QSlotObjectBase* m_inner;
    std::shared_ptr<Done> m_done;
};

} // namespace

bool QMetaObject::invokeMethodImpl(QObject* object, QtPrivate::QSlotObjectBase* slot,
                                   Qt::ConnectionType type, void* ret)
{
    using Real = bool (*)(QObject*, QtPrivate::QSlotObjectBase*, Qt::ConnectionType, void*);
    static const auto real = realFunction<Real>(
        "_ZN11QMetaObject16invokeMethodImplEP7QObjectPN9QtPrivate15QSlotObjectBaseEN2Qt14"
        "ConnectionTypeEPv");
    auto done = std::make_shared<HandoffSlot::Done>();
    auto* wrapped = new HandoffSlot(slot, done);
    __tsan_release(wrapped);
    const bool invoked = real(object, wrapped, type, ret);
    __tsan_acquire(&done->key); // a blocking call has run by now
    return invoked;
}

namespace {

// A task of our own: the pool thread reaches run() through the vtable without touching our
// memory first, so the acquire comes before any access to what the poster wrote.
class HandoffTask : public QRunnable {
public:
    HandoffTask(std::function<void()> function, QThreadPool* pool)
        : m_function(std::move(function))
        , m_pool(pool)
    {
        setAutoDelete(true);
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
