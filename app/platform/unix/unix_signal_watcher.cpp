#include "platform/unix/unix_signal_watcher.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace tarnwick {

namespace {

int g_pipe[2] = {-1, -1};
volatile std::sig_atomic_t g_received = 0;

extern "C" void forwardSignal(int signalNumber)
{
    // Only async-signal-safe work here. A second signal means the user insists while the
    // quit is under way (and may be blocking the main thread): end at once, by the signal's
    // default action, which also ends every tool child through its parent-death signal.
    if (g_received) {
        ::signal(signalNumber, SIG_DFL);
        ::raise(signalNumber);
        return;
    }
    g_received = 1;
    // The first one becomes one byte in the pipe.
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t ignored = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

UnixSignalWatcher::UnixSignalWatcher(const QList<int>& signals, QObject* parent)
    : QObject(parent)
    , m_signals(signals)
{
    if (g_pipe[0] < 0 && ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &UnixSignalWatcher::readPipe);
    struct sigaction action = {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : m_signals)
        ::sigaction(number, &action, nullptr);
}

UnixSignalWatcher::~UnixSignalWatcher()
{
    for (int number : m_signals)
        ::signal(number, SIG_DFL);
}

void UnixSignalWatcher::readPipe()
{
    unsigned char byte = 0;
    while (::read(g_pipe[0], &byte, 1) == 1)
        Q_EMIT received(int(byte));
}

} // namespace tarnwick
