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
    // Only one machine's two spellings: any peer can announce "nas.evil.local", and must not
    // receive the login stored for "nas".
    const QString local = QStringLiteral(".local");
    const QString shortName = host.endsWith(local, Qt::CaseInsensitive) ? host.chopped(6) : host;
    if (shortName.isEmpty() || shortName.contains(u'.'))
        return {host};
    return {host, shortName, shortName + local};
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
