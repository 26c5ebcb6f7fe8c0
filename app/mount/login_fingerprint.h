#pragma once

#include "mount/credentials.h"

#include <QByteArray>

#include <optional>

namespace tarnwick {

// A keyed hash of a login (user, domain, password), so the engine can tell whether the
// stored login changed without keeping the secret. The key is random per process and
// lives in memory only; fingerprints are never logged or stored. Any thread.
class LoginFingerprint {
public:
    // Equal logins give equal fingerprints within one process; "no login" has its own.
    static QByteArray of(const std::optional<Credentials>& login);
};

} // namespace tarnwick
