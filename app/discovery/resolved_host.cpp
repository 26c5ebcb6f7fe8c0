#include "discovery/resolved_host.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <sys/socket.h>

namespace tarnwick {

namespace {

std::optional<QString> dottedIpv4(const QByteArray& address)
{
    sockaddr_in in{};
    if (address.size() < qsizetype(sizeof in))
        return std::nullopt;
    std::memcpy(&in, address.constData(), sizeof in);
    if (in.sin_family != AF_INET)
        return std::nullopt;
    char text[INET_ADDRSTRLEN] = {};
    if (!inet_ntop(AF_INET, &in.sin_addr, text, sizeof text))
        return std::nullopt;
    return QString::fromLatin1(text);
}

} // namespace

std::optional<QString> resolvedHost(const QString& hostName, const QList<QByteArray>& addresses)
{
    if (!hostName.isEmpty())
        return hostName.endsWith(u'.') ? hostName.chopped(1) : hostName;
    for (const QByteArray& address : addresses) {
        if (auto text = dottedIpv4(address))
            return text;
    }
    return std::nullopt;
}

} // namespace tarnwick
