#pragma once

#include "mount/credentials.h"

#include <QString>

#include <optional>

namespace tarnwick {

// The keychain's internet password for exactly one server name, read with the Security
// framework (macOS only). Quiet; any thread.
class InternetPasswordQuery {
public:
    // The account and password of the first item with that server, or nullopt when there
    // is none or it lacks an account or a UTF-8 password.
    static std::optional<Credentials> find(const QString& server);
};

} // namespace tarnwick
