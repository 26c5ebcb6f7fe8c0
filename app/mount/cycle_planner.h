#pragma once

#include "model/server.h"
#include "model/share_key.h"
#include "mount/share_mounts.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace tarnwick {

// One share a cycle is to mount.
struct PlannedMount {
    ShareKey key;
    QString host;
    QString name;
    bool operator==(const PlannedMount&) const = default;
};

// What a cycle knows when it decides: nothing here is read from the system by the planner.
struct CycleFacts {
    QList<Server> servers;               // the enabled servers, shares with usable names only
    MountedShares mounted;               // what the mount table shows
    QHash<QString, bool> reachable;      // this cycle's probes, by host key
    QHash<QString, int> missed;          // probes missed in a row before this cycle, by host key
    QHash<ShareKey, QByteArray> held;    // the login each held share's server refused
    QSet<ShareKey> busy;                 // shares with an operation under way
    std::optional<QStringList> networks; // the active networks; nullopt: unknown, all here
    QSet<QString> wokenLately;           // host keys sent a wake-up within one cycle interval
};

// A sleeping server a cycle is to wake.
struct PlannedWake {
    QString host;
    QByteArray mac; // six bytes
    bool operator==(const PlannedWake&) const = default;
};

// What a cycle does: the shares to mount, in store order, and the hosts whose mounts are dead.
struct CyclePlan {
    QList<PlannedMount> mounts;
    QSet<QString> deadHosts;  // host keys
    QList<PlannedWake> wakes; // unanswered servers here with a card to wake, none woken lately
};

// The mount cycle's decisions, without threads or tools. Pure; any thread.
class CyclePlanner {
public:
    // Probes in a row a server may miss before its mounts are taken as dead: one lost probe
    // must never unmount.
    static constexpr int kMissesBeforeDetach = 2;

    // storedLogin gives the fingerprint of the login stored for a host now (asked only for
    // hosts with a held share, once each): a held share is offered again only when it differs.
    // The hosts a cycle probes: those of the servers that live on a network that is up.
    // A server elsewhere is never contacted, never mounted, and a mount of it made on request
    // stays.
    static QStringList hostsToProbe(const CycleFacts& facts);

    static CyclePlan plan(const CycleFacts& facts,
                          const std::function<QByteArray(const QString& host)>& storedLogin);
};

} // namespace tarnwick
