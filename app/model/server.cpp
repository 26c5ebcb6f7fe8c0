#include "model/server.h"

#include "model/unicode_text.h"

#include <QHashFunctions>

namespace tarnwick {

Server Server::create(const QString& displayName, const QString& host)
{
    return Server{QUuid::createUuid(), displayName, host, {}, true};
}

bool operator==(const Server& a, const Server& b)
{
    return a.id == b.id && UnicodeText::equivalent(a.displayName, b.displayName) &&
           UnicodeText::equivalent(a.host, b.host) && a.shares == b.shares &&
           a.isEnabled == b.isEnabled;
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
    return seed;
}

} // namespace tarnwick
