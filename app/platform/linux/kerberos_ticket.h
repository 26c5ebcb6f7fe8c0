#pragma once

#include <QString>

namespace tarnwick {

class StopSignal;

// Whether the user's Kerberos ticket can log in to a server, as `klist` reads the default
// credential cache (FILE, KEYRING, KCM: whatever the user's krb5 setup names). klist runs as
// a bounded child, so no Kerberos library is loaded into the tray. Stateless; any thread.
class KerberosTicket {
public:
    enum class State {
        None,    // no cache, no klist, or host is not in the realm of the cache's principal
        Valid,   // host is a domain server and the cache holds a ticket-granting ticket
        Expired, // host is a domain server, but the cache has no valid ticket-granting ticket
    };

    // The ticket's state for host (SMB host text, port allowed). Blocks for up to two
    // klist runs of a second each; a raised stop (may be null) ends them with None. Logs
    // once per process when klist is missing.
    static State forHost(const QString& klist, const QString& host, const StopSignal* stop);
    // The realm of the "Default principal:" line of klist's C-locale output; empty if none.
    static QString realmOf(const QString& klistOutput);
    // True when the server name lies in realm: it ends with ".REALM" or is the realm itself,
    // compared without case ("fs1.corp.example.com" in CORP.EXAMPLE.COM). A short name
    // ("fs1") or an address is not taken for a domain server.
    static bool inRealm(const QString& serverName, const QString& realm);
};

} // namespace tarnwick
