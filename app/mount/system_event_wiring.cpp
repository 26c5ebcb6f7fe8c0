#include "mount/system_event_wiring.h"

#include "mount/mount_manager.h"
#include "mount/system_events.h"

namespace tarnwick {

CycleTrigger* wireSystemEvents(MountManager& manager, SystemEvents& events, EventTiming timing)
{
    QObject::connect(&events, &SystemEvents::mountTableChanged, &manager,
                     &MountManager::refreshMountedVolumes);
    return new CycleTrigger(manager, events, timing);
}

} // namespace tarnwick
