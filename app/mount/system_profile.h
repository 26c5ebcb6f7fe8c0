#pragma once

#include "mount/credentials.h"
#include "mount/mount_table.h"
#include "mount/share_status.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

namespace tarnwick {

class HelperAccess;
class StopSignal;

// Bounds of one blocking profile call: the deadline of each tool run in it (zero: the
// profile's own) and a stop signal (may be null) that ends the call's tools at once.
struct RunLimits {
    std::chrono::milliseconds deadline{0};
    const StopSignal* stop = nullptr;
    // A sign-in: the server sees exactly one logon, so a refusal is not checked any further
    // (a wrong password and a share closed to the login then read the same).
    bool singleLogon = false;
};

// An unmount's own deadline. On loopback a GVFS unmount takes well under a second (six at
// once, 0.3 s); against a server that stopped answering `gio mount -u` gives up after ~20 s.
inline constexpr std::chrono::milliseconds kUnmountDeadline{10000};

// What a mount request said: the tool's exit status and, where the profile can tell, why it
// failed (None: it did not fail, or the profile cannot tell; the mount table decides).
struct MountAttempt {
    int status = 0;
    ShareStatus::Reason failure = ShareStatus::Reason::None;
    QString message = {}; // the tool's own last error line, when it wrote one
};

// How a mount logs in: with a stored login, with the user's domain ticket (no stored login),
// or not at all (neither: a guest). unavailable names why no mount should be tried now.
struct MountLogin {
    std::optional<Credentials> credentials = std::nullopt;
    bool domainTicket = false;
    ShareStatus::Reason unavailable = ShareStatus::Reason::None;
};

// Everything the mount engine needs from the system, per platform: the mount table, which
// mount shows which share, mount and unmount requests, the secret store and reachability.
// The engine speaks of shares, mounts and locations only; whatever else a system needs around
// a mount (leftover mount-point directories, duplicate mounts) stays behind the hooks below.
// Implementations are stateless: every method may run on any thread, several at once,
// and blocks its caller while its tools run. None throws.
class SystemProfile {
public:
    virtual ~SystemProfile() = default;

    // A short name for logs and --help ("macos", "gvfs").
    virtual QString name() const = 0;

    // The SMB mounts of the system, in table order.
    virtual QList<MountEntry> readSmbMounts() const = 0;
    // True when mount shows the share shareName of the server configured as host. How
    // closely a mount names its server is the system's: some name a mount by share alone.
    virtual bool shows(const MountEntry& mount, const QString& host,
                       const QString& shareName) const = 0;
    // The form in which share names are compared: canonical (NFC) here; profiles whose
    // mount table changes letter case also fold case.
    virtual QString nameKey(const QString& name) const;

    // Asks the system to mount smb://host/share, logging in as login says, within the
    // profile's mount deadline (limits may shorten it or stop it). The status is
    // informational; a failure it names, but TimedOut, is definite.
    virtual MountAttempt requestMount(const QString& host, const QString& share,
                                      const MountLogin& login,
                                      const RunLimits& limits = {}) const = 0;
    // The mount tool's name in the "exit: N" log line ("osascript", "gio").
    virtual QString mountToolName() const = 0;
    // True when requestMount returns only once the mount is done or refused, so the table is
    // worth checking at once.
    virtual bool mountRequestWaits() const = 0;
    // Unmounts the mount at mountPoint (a MountEntry::mountPoint); returns the exit status,
    // kToolTimedOut when the deadline (kUnmountDeadline unless limits say) or the stop ended it.
    virtual int unmount(const QString& mountPoint, const RunLimits& limits = {}) const = 0;
    // Takes a mount of a server that no longer answers away at once, without waiting for
    // the server, so nothing blocks on it; returns 0 when it is gone.
    virtual int detach(const MountEntry& mount) const = 0;
    // Where an unmount of shareName goes when the table shows no mount of it; empty (the
    // default) when there is nothing to try.
    virtual QString fallbackMountPoint(const QString& shareName) const;

    // Whatever the system needs done before shareName is mounted (nothing by default); may
    // ask the privileged helper (null: none). Blocks; logs what it did.
    virtual void prepareMount(const QString& shareName, HelperAccess* helper) const;
    // The start-up cleanup for the configured share names (nothing by default). A raised
    // stop (may be null) ends its tools at once. Blocks; logs what it did.
    virtual void cleanUpAtStart(const QStringList& shareNames, const StopSignal* stop) const;
    // True when the folder that shows mount answers a read within limits.deadline (a stop
    // ends it with false). True by default: the mount point is the folder. The read runs in
    // a child that is killed at the deadline, so a frozen server never holds the caller.
    virtual bool folderAnswers(const MountEntry& mount, const RunLimits& limits) const;
    // The folder under which mounts show as local folders that the shares' links point to;
    // empty (the default) when mount points are paths of their own and need no links.
    virtual QString localMountsRoot() const;

    // The login stored for host, or nullopt (also on any failure). Logs the account found.
    virtual std::optional<Credentials> lookupKeychainCredentials(const QString& host) const = 0;
    // The login stored for exactly this server name, quietly (no log line); nullopt on any
    // failure. Used by the share listing, which tries several forms of a host name.
    virtual std::optional<Credentials> storedLogin(const QString& server) const = 0;
    // True when storeLogin can keep a login for the system's file manager; false (the
    // default) where the system's own login dialog stores it.
    virtual bool keepsLogins() const;
    // Stores login for host where the system's file manager finds it, replacing the login
    // of that user for host; false when it could not (or keepsLogins is false). Blocks;
    // never logs the password.
    virtual bool storeLogin(const QString& host, const Credentials& login) const;
    // Removes the logins stored for host that lookupKeychainCredentials would use; false
    // when it could not (or keepsLogins is false). Blocks.
    virtual bool forgetLogins(const QString& host) const;
    // The login a mount of a share of host uses, looked up once per attempt (logs what
    // lookupKeychainCredentials logs). unavailable is KeyringLocked when host's stored logins
    // are all in locked collections, DomainTicketExpired when none is stored and the domain
    // ticket has expired; then no mount is tried. The default: the keychain's login, if any.
    virtual MountLogin mountLogin(const QString& host) const;
    // True when host answers within about a second (how it is asked is the profile's).
    // A host text starting with "-" is never reachable: it would reach a tool as an option.
    virtual bool isHostReachable(const QString& host) const = 0;

    // True when host's SMB port accepts a connection now (within about a second): the sign
    // that a server just woken can be mounted. By default the same as isHostReachable.
    virtual bool servesSmb(const QString& host) const;
    // Sends one Wake-on-LAN magic packet for the card mac (six bytes) to the broadcast
    // address of the local network that host is on; false when it could not be sent (the
    // default: the profile cannot wake). Logs why not.
    virtual bool sendWakePacket(const QString& host, const QByteArray& mac) const;
    // The hardware address the system's neighbour table holds for host, canonical
    // ("AA:BB:CC:DD:EE:FF"); empty when it holds none (the default). Never sends anything.
    virtual QString neighbourAddress(const QString& host) const;
};

} // namespace tarnwick
