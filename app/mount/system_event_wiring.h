#pragma once

#include "mount/cycle_trigger.h"

namespace tarnwick {

class MountManager;
class SystemEvents;

// Lets events drive manager: early cycles through a CycleTrigger (owned by manager), also when
// stored logins are unlocked, and a
// mount-table refresh on every table change, detaching dead mounts when the network is lost,
// and the active networks. Main thread; events may be destroyed before or after manager.
CycleTrigger* wireSystemEvents(MountManager& manager, SystemEvents& events,
                               EventTiming timing = {});

} // namespace tarnwick
