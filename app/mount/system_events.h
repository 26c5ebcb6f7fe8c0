#pragma once

#include <QObject>

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

Q_SIGNALS:
    void resumed();
    // A connection reached a connected state, the primary connection changed, or a
    // connection (a VPN, say) became active.
    void networkChanged();
    // The system went offline or to sleep, its primary connection or an active connection
    // went away: mounts of the servers behind it may be dead.
    void networkLost();
    void mountTableChanged();
};

} // namespace tarnwick
