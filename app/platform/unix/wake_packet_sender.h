#pragma once

#include <QByteArray>
#include <QString>

namespace tarnwick {

// Sends Wake-on-LAN magic packets over UDP. POSIX sockets; any thread, several at once.
class WakePacketSender {
public:
    // Sends the magic packet for mac (six bytes) to port 9 at the broadcast address of the
    // local interface whose network holds host (a name or an IPv4 address; resolving may
    // block). False, logged, when host does not resolve, is on no local network, or the send
    // fails: a card is woken only from its own segment.
    static bool send(const QString& host, const QByteArray& mac);
};

} // namespace tarnwick
