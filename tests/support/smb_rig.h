#pragma once

#include <QByteArray>
#include <QString>

namespace tarnwick::test {

// The Samba server that tests/support/smbd-rig.sh started around this test, as its
// environment describes it, and the login items of the session's keyring (session-env.sh).
class SmbRig {
public:
    // True when the test runs inside both wrappers.
    static bool available();
    static QString host() { return qEnvironmentVariable("TARNWICK_SMB_HOST"); }
    static QString user() { return qEnvironmentVariable("TARNWICK_SMB_USER"); }
    static QString password() { return qEnvironmentVariable("TARNWICK_SMB_PASSWORD"); }
    // The server-side directories of the shares "Public", "Private" and "Team Docs".
    static QString publicDir() { return qEnvironmentVariable("TARNWICK_SMB_PUBLIC"); }
    static QString privateDir() { return qEnvironmentVariable("TARNWICK_SMB_PRIVATE"); }
    static QString teamDir() { return qEnvironmentVariable("TARNWICK_SMB_TEAM"); }

    // Stops smbd (SIGTERM to its pid) and waits until it is gone; starts it again.
    static bool stopServer();
    static bool startServer();

    // Stores a login for server the way a file manager does (schema
    // org.gnome.keyring.NetworkPassword, protocol smb); replaces an item with the same user.
    static bool storeLogin(const QString& server, const QString& user, const QByteArray& secret);
    // Removes every SMB login item of server.
    static bool clearLogins(const QString& server);
};

} // namespace tarnwick::test
