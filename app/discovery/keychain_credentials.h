#pragma once

#include "mount/credentials.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace tarnwick {

class SystemProfile;

// The stored login for a host under any name it may have been stored with: the host as
// given, then — only when the host is a bare name or that name + ".local" — the bare name
// and the bare name + ".local". Quiet: never logs. Any thread, as long as the lookup may run
// there.
class KeychainCredentials {
public:
    // The login stored for exactly one server name, or nullopt.
    using Lookup = std::function<std::optional<Credentials>(const QString& server)>;

    explicit KeychainCredentials(Lookup lookup);
    // Looks names up with profile->storedLogin; profile must not be null.
    static KeychainCredentials fromProfile(std::shared_ptr<const SystemProfile> profile);

    // The names tried for host, in order; repeats stay ("nas.local" is tried twice).
    static QStringList candidates(const QString& host);
    // The first login found under a candidate name, or nullopt.
    std::optional<Credentials> find(const QString& host) const;

private:
    Lookup m_lookup;
};

} // namespace tarnwick
