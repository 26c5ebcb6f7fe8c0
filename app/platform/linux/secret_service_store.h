#pragma once

#include "mount/credentials.h"

#include <QString>

#include <optional>

namespace tarnwick {

// SMB logins in the desktop's Secret Service (GNOME Keyring, KWallet): the items of schema
// "org.gnome.keyring.NetworkPassword" that file managers store when the user ticks
// "remember password". Written only on the user's sign-in, in the very form GVFS writes it,
// so the file managers find the login too.
class SecretServiceStore {
public:
    // The login of the first item with server == server and protocol == "smb" that has a
    // user name and a non-empty password; nullopt when there is none, the store is locked
    // or unreachable. Blocks while the store answers; any thread; never logs.
    static std::optional<Credentials> find(const QString& server);
    // Stores login for smb://server (host as configured, ":port" apart) in the default
    // collection, after clearing the items of that user and server of any domain; false when
    // the store refused or is unreachable. Blocks; any thread; never logs.
    static bool store(const QString& server, const Credentials& login);
    // Removes every SMB item of exactly this server name that find would read; false when
    // the store is unreachable. Blocks; any thread; never logs.
    static bool forget(const QString& server);
};

} // namespace tarnwick
