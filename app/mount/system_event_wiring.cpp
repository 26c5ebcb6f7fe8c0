#include "mount/system_event_wiring.h"

#include "mount/mount_manager.h"
#include "mount/system_events.h"

namespace tarnwick {

CycleTrigger* wireSystemEvents(MountManager& manager, SystemEvents& events, EventTiming timing)
{
    QObject::connect(&events, &SystemEvents::mountTableChanged, &manager,
                     &MountManager::refreshMountedVolumes);
    manager.setMountChangesAnnounced(events.announcesMountChanges());
    // Offline: mounts of servers that no longer answer go now, before anything blocks on them.
    QObject::connect(&events, &SystemEvents::networkLost, &manager, &MountManager::probeAndDetach);
    // Which servers are here follows the networks; the cycles and detaches they come with act
    // on the new set.
    const auto follow = [&manager, &events] { manager.setActiveNetworks(events.activeNetworks()); };
    QObject::connect(&events, &SystemEvents::networksChanged, &manager, follow);
    follow();
    auto* trigger = new CycleTrigger(manager, events, timing);
    QObject::connect(&events, &SystemEvents::loginsUnlocked, trigger, &CycleTrigger::request);
    return trigger;
}

} // namespace tarnwick
