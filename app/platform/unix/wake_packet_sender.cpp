#include "platform/unix/wake_packet_sender.h"

#include "model/mac_address.h"
#include "mount/engine_log.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netdb.h>
#include <netinet/in.h>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>

namespace tarnwick {

namespace {

constexpr quint16 kDiscardPort = 9;

std::optional<in_addr_t> ipv4Of(const QString& host)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.toUtf8().constData(), nullptr, &hints, &found) != 0 || !found)
        return std::nullopt;
    const in_addr_t address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr.s_addr;
    freeaddrinfo(found);
    return address;
}

// The broadcast address of the up interface whose network holds address; the narrowest
// network wins, as it would in the routing table.
std::optional<in_addr_t> broadcastFor(in_addr_t address)
{
    ifaddrs* interfaces = nullptr;
    if (getifaddrs(&interfaces) != 0)
        return std::nullopt;
    std::optional<in_addr_t> best;
    quint32 bestMask = 0;
    for (const ifaddrs* it = interfaces; it; it = it->ifa_next) {
        if (!it->ifa_addr || it->ifa_addr->sa_family != AF_INET || !it->ifa_netmask ||
            !it->ifa_broadaddr || (it->ifa_flags & IFF_UP) == 0 ||
            (it->ifa_flags & IFF_BROADCAST) == 0)
            continue;
        const in_addr_t own = reinterpret_cast<const sockaddr_in*>(it->ifa_addr)->sin_addr.s_addr;
        const in_addr_t mask =
            reinterpret_cast<const sockaddr_in*>(it->ifa_netmask)->sin_addr.s_addr;
        if ((own & mask) != (address & mask) || (best && ntohl(mask) <= bestMask))
            continue;
        best = reinterpret_cast<const sockaddr_in*>(it->ifa_broadaddr)->sin_addr.s_addr;
        bestMask = ntohl(mask);
    }
    freeifaddrs(interfaces);
    return best;
}

} // namespace

bool WakePacketSender::send(const QString& host, const QByteArray& mac)
{
    const QByteArray packet = MacAddress::magicPacket(mac);
    const auto address = packet.isEmpty() ? std::nullopt : ipv4Of(host);
    const auto broadcast = address ? broadcastFor(*address) : std::nullopt;
    if (!broadcast) {
        log(u'[' + host + QStringLiteral("] cannot wake: not on a local network"));
        return false;
    }
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(kDiscardPort);
    target.sin_addr.s_addr = *broadcast;
    const bool sent =
        fd >= 0 && setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) == 0 &&
        sendto(fd, packet.constData(), size_t(packet.size()), 0,
               reinterpret_cast<const sockaddr*>(&target), sizeof target) == packet.size();
    if (fd >= 0)
        close(fd);
    if (!sent)
        log(u'[' + host + QStringLiteral("] cannot wake: the magic packet was not sent"));
    return sent;
}

} // namespace tarnwick
