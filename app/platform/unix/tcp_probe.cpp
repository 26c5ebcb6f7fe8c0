#include "platform/unix/tcp_probe.h"

#include <QByteArray>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tarnwick {

namespace {

using Clock = std::chrono::steady_clock;

// One non-blocking connect to one address, waiting at most until deadline.
bool connects(const addrinfo& address, Clock::time_point deadline)
{
    const int fd = ::socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                            address.ai_protocol);
    if (fd < 0)
        return false;
    bool open = ::connect(fd, address.ai_addr, address.ai_addrlen) == 0;
    if (!open && errno == EINPROGRESS) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        pollfd watch{fd, POLLOUT, 0};
        if (left.count() > 0 && ::poll(&watch, 1, int(left.count())) == 1) {
            int error = 0;
            socklen_t length = sizeof error;
            open = ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
        }
    }
    ::close(fd);
    return open;
}

} // namespace

bool TcpProbe::accepts(const QString& host, quint16 port, std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* addresses = nullptr;
    const QByteArray name = host.toUtf8();
    const QByteArray service = QByteArray::number(port);
    if (::getaddrinfo(name.constData(), service.constData(), &hints, &addresses) != 0)
        return false;
    bool open = false;
    for (const addrinfo* a = addresses; a && !open && Clock::now() < deadline; a = a->ai_next)
        open = connects(*a, deadline);
    ::freeaddrinfo(addresses);
    return open;
}

} // namespace tarnwick
