#include "mount/share_status_log.h"

#include "mount/engine_log.h"
#include "mount/mount_manager.h"

namespace tarnwick {

ShareStatusLog::ShareStatusLog(MountManager& manager)
    : QObject(&manager)
    , m_manager(manager)
{
    connect(&manager, &MountManager::shareStatusesChanged, this, &ShareStatusLog::logChanges);
}

void ShareStatusLog::logChanges()
{
    const ShareStatusMap& now = m_manager.shareStatuses();
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        const auto seen = m_seen.constFind(it.key());
        // The time of an attempt alone is no news: a share that fails the same way every
        // cycle is logged once.
        if (seen != m_seen.cend() && seen->state == it->state && seen->reason == it->reason &&
            seen->toolStatus == it->toolStatus)
            continue;
        log(u'[' + it->name + QStringLiteral("] status: ") + it->describe());
    }
    m_seen = now;
}

} // namespace tarnwick
