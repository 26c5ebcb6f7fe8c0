#include "mount/cycle_planner.h"

#include "model/mac_address.h"
#include "mount/mount_table.h"

namespace tarnwick {

QStringList CyclePlanner::hostsToProbe(const CycleFacts& facts)
{
    QStringList hosts;
    for (const Server& server : facts.servers) {
        if (server.livesOn(facts.networks) && !hosts.contains(server.host))
            hosts.append(server.host);
    }
    return hosts;
}

CyclePlan CyclePlanner::plan(const CycleFacts& facts,
                             const std::function<QByteArray(const QString& host)>& storedLogin)
{
    CyclePlan plan;
    for (auto it = facts.reachable.cbegin(); it != facts.reachable.cend(); ++it) {
        if (!it.value() && facts.missed.value(it.key()) + 1 >= kMissesBeforeDetach)
            plan.deadHosts.insert(it.key());
    }
    QHash<QString, QByteArray> storedNow; // one secret-store lookup per host and cycle
    QSet<QString> waking;
    for (const Server& server : facts.servers) {
        const QString hostKey = MountTable::hostKey(server.host);
        if (!server.livesOn(facts.networks))
            continue;
        // Only a probe that went unanswered here wakes; a server elsewhere is never asked.
        if (facts.reachable.contains(hostKey) && !facts.reachable.value(hostKey)) {
            const auto mac = MacAddress::parse(server.wakeOnLan);
            if (mac && !facts.wokenLately.contains(hostKey) && !waking.contains(hostKey)) {
                waking.insert(hostKey);
                plan.wakes.append(PlannedWake{server.host, *mac});
            }
            continue;
        }
        if (!facts.reachable.value(hostKey))
            continue;
        for (const Share& share : server.shares) {
            const ShareKey key = ShareKey::of(server, share);
            if (facts.mounted.contains(key) || facts.busy.contains(key))
                continue;
            // A refused login is not offered again: only a changed stored login is. The
            // lookup asks the secret store, not the server, so it costs no logon.
            if (const auto held = facts.held.constFind(key); held != facts.held.cend()) {
                if (!storedNow.contains(server.host))
                    storedNow.insert(server.host, storedLogin(server.host));
                if (storedNow.value(server.host) == *held)
                    continue;
            }
            plan.mounts.append(PlannedMount{key, server.host, share.name});
        }
    }
    return plan;
}

} // namespace tarnwick
