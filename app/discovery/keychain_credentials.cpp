#include "discovery/keychain_credentials.h"

#include "mount/system_profile.h"

namespace tarnwick {

KeychainCredentials::KeychainCredentials(Lookup lookup)
    : m_lookup(std::move(lookup))
{
}

KeychainCredentials KeychainCredentials::fromProfile(std::shared_ptr<const SystemProfile> profile)
{
    return KeychainCredentials([profile = std::move(profile)](const QString& server) {
        return profile->storedLogin(server);
    });
}

QStringList KeychainCredentials::candidates(const QString& host)
{
    const QString shortName = host.section(u'.', 0, 0);
    return {host, shortName, shortName + QStringLiteral(".local")};
}

std::optional<Credentials> KeychainCredentials::find(const QString& host) const
{
    if (!m_lookup)
        return std::nullopt;
    for (const QString& server : candidates(host)) {
        if (auto credentials = m_lookup(server))
            return credentials;
    }
    return std::nullopt;
}

} // namespace tarnwick
