#pragma once

#include <QString>

#include <chrono>

namespace tarnwick {

// Whether a host accepts a TCP connection. POSIX sockets; any thread, several at once.
class TcpProbe {
public:
    // True when host (a name or an address) accepts a connection on port within timeout,
    // counted from the call (name resolution included, as far as the resolver allows).
    static bool accepts(const QString& host, quint16 port, std::chrono::milliseconds timeout);
};

} // namespace tarnwick
