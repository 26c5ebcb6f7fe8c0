#pragma once

#include <QObject>
#include <QStringList>

#include <optional>

namespace tarnwick {

// What the system tells the engine between its timers: a wake-up, a network that came up or
// changed, the network going away, a mount appearing or vanishing outside the engine.
// Platforms subclass it; a part the system cannot watch is never emitted. Main thread.
class SystemEvents : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // False only while the system is known to have no usable connection.
    virtual bool networkUsable() const { return true; }
    // The networks the system is on now (connection names, UUIDs, Wi-Fi SSIDs) for
    // Server::livesOn; nullopt while unknown, so that every server counts as here.
    virtual std::optional<QStringList> activeNetworks() const { return std::nullopt; }
    // True when mountTableChanged follows every change of the mount table (also the mount
    // service going away or coming back), so that polling the table is not needed.
    virtual bool announcesMountChanges() const { return false; }

public Q_SLOTS:
    // Asks the system to unlock the stored logins; it may prompt the user. Returns at once;
    // loginsUnlocked follows when it worked. Does nothing where logins cannot be locked.
    virtual void unlockLogins() {}

Q_SIGNALS:
    void resumed();
    // A connection reached a connected state, the primary connection changed, or a
    // connection (a VPN, say) became active.
    void networkChanged();
    // The system went offline or to sleep, its primary connection or an active connection
    // went away: mounts of the servers behind it may be dead.
    void networkLost();
    void mountTableChanged();
    // activeNetworks() changed; comes before the networkChanged/networkLost it goes with, so
    // that a network that went away is followed by a networkLost.
    void networksChanged();
    // A store of logins was unlocked: shares waiting for their login may mount now.
    void loginsUnlocked();
};

} // namespace tarnwick
