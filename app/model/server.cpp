#include "model/server.h"

#include "model/unicode_text.h"

#include <QHashFunctions>

#include <algorithm>

namespace tarnwick {

Server Server::create(const QString& displayName, const QString& host)
{
    return Server{QUuid::createUuid(), displayName, host, {}, true};
}

bool Server::livesOn(const std::optional<QStringList>& activeNetworks) const
{
    if (networks.isEmpty() || !activeNetworks)
        return true;
    return std::any_of(networks.begin(), networks.end(),
                       [&](const QString& network) { return activeNetworks->contains(network); });
}

bool operator==(const Server& a, const Server& b)
{
    return a.id == b.id && UnicodeText::equivalent(a.displayName, b.displayName) &&
           UnicodeText::equivalent(a.host, b.host) && a.shares == b.shares &&
           a.isEnabled == b.isEnabled && a.networks == b.networks && a.wakeOnLan == b.wakeOnLan;
}

size_t qHash(const Server& server, size_t seed) noexcept
{
    QtPrivate::QHashCombine combine;
    seed = combine(seed, server.id);
    seed = combine(seed, UnicodeText::canonical(server.displayName));
    seed = combine(seed, UnicodeText::canonical(server.host));
    seed = combine(seed, server.shares.size());
    for (const Share& share : server.shares)
        seed = combine(seed, share);
    seed = combine(seed, server.isEnabled);
    seed = combine(seed, server.networks);
    seed = combine(seed, server.wakeOnLan);
    return seed;
}

} // namespace tarnwick
