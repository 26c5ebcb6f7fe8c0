#include "mount/server_health.h"

#include "mount/mount_table.h"
#include "mount/system_profile.h"

#include <QThreadPool>

#include <algorithm>
#include <vector>

namespace tarnwick {

namespace {

// Probes of one round run at once, up to this many.
constexpr int kProbeThreads = 64;

} // namespace

QHash<QString, bool> ServerHealth::probe(const SystemProfile& profile, const QStringList& hosts)
{
    std::vector<char> answers(size_t(hosts.size()), 0);
    QThreadPool probes;
    probes.setMaxThreadCount(std::clamp(int(hosts.size()), 1, kProbeThreads));
    for (qsizetype i = 0; i < hosts.size(); ++i) {
        probes.start([&profile, &answers, &hosts, i] {
            answers[size_t(i)] = profile.isHostReachable(hosts.at(i)) ? 1 : 0;
        });
    }
    probes.waitForDone();
    QHash<QString, bool> reachable;
    for (qsizetype i = 0; i < hosts.size(); ++i)
        reachable[MountTable::hostKey(hosts.at(i))] |= answers[size_t(i)] != 0;
    return reachable;
}

void ServerHealth::note(const QHash<QString, bool>& reachable)
{
    for (auto it = reachable.cbegin(); it != reachable.cend(); ++it) {
        if (it.value())
            m_missed.remove(it.key());
        else
            ++m_missed[it.key()];
    }
}

} // namespace tarnwick
