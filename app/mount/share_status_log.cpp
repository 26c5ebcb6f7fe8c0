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
    // Mounting and mounting's end have lines of their own; what the log lacks is why a
    // share is not mounted, and that it recovered. Each such change once, not every cycle.
    const auto told = [](const ShareStatus& status) {
        return status.state == ShareStatus::State::NotMounted &&
               status.reason != ShareStatus::Reason::None;
    };
    const ShareStatusMap& now = m_manager.shareStatuses();
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        const ShareStatus seen = m_seen.value(it.key());
        const bool changed = seen.reason != it->reason || seen.toolStatus != it->toolStatus ||
                             seen.message != it->message;
        if ((told(*it) && (changed || !told(seen))) ||
            (told(seen) && it->state == ShareStatus::State::Mounted))
            log(u'[' + it->name + QStringLiteral("] status: ") + it->describe());
    }
    // Busy states are skipped over: a share that fails the same way after every attempt
    // is logged once.
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (it->state != ShareStatus::State::Mounting &&
            it->state != ShareStatus::State::Unmounting)
            m_seen.insert(it.key(), *it);
    }
}

} // namespace tarnwick
