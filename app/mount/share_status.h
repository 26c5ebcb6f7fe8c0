#pragma once

#include "model/share_key.h"

#include <QDateTime>
#include <QHash>
#include <QString>

namespace tarnwick {

// What the engine knows about one share: what is under way or holds, and why the last
// mount did not happen. A value; compared whole so that only real changes are published.
struct ShareStatus {
    enum class State { NotMounted, Mounting, Mounted, Unmounting };
    enum class Reason {
        None,
        ServerUnreachable,
        LoginRefused,
        NoSuchShare,
        TimedOut,
        MountFailed,
        ProtocolUnsupported, // the server speaks only SMB1, which the client no longer does
        ConnectionRefused,   // nothing accepts connections on the server's SMB port
        HostNotFound,        // the server's name does not resolve
        AccessDenied,        // the login is good, but this share is closed to it
        NotOnThisNetwork,    // its server lives on networks that are not up: left alone
        Waking,              // its server was sent a wake-up and is awaited
        KeyringLocked,       // the host's stored logins are in a locked keyring: not tried
        DomainTicketExpired, // no stored login, and the domain (Kerberos) ticket has expired
    };

    QString name; // the share's name as configured
    State state = State::NotMounted;
    Reason reason = Reason::None; // why it is not mounted; None while mounted or busy
    int toolStatus = 0;           // exit status of the last mount request
    QDateTime lastAttempt;        // start of the last mount request; invalid: none yet
    QString message = {};         // the mount tool's own words on the last failure; empty: none

    bool operator==(const ShareStatus&) const = default;
    // "mounted", "not mounted (login refused)", "not mounted (mount failed, status 2)",
    // "not mounted (mount failed: <message>)", ...
    QString describe() const;
};

// The statuses of all configured shares with a usable name, by share.
using ShareStatusMap = QHash<ShareKey, ShareStatus>;

} // namespace tarnwick
