#pragma once

#include "mount/credentials.h"

#include <QString>

#include <optional>

namespace tarnwick {

// SMB logins in the desktop's Secret Service (GNOME Keyring, KWallet): the items of schema
// "org.gnome.keyring.NetworkPassword" that file managers store when the user ticks
// "remember password". Read-only; Tarnwick never writes a secret.
class SecretServiceStore {
public:
    // The login of the first item with server == server and protocol == "smb" that has a
    // user name and a non-empty password; nullopt when there is none, the store is locked
    // or unreachable. Blocks while the store answers; any thread; never logs.
    static std::optional<Credentials> find(const QString& server);
};

} // namespace tarnwick
