#pragma once

#include "mount/mount_timing.h"

#include <QString>

namespace tarnwick {

class HelperAccess;
class StopSignal;
class SystemProfile;

// Mounts one share and watches the mount table until it shows up or the poll schedule
// runs out, logging each step. Blocks its (background) thread for the whole mount; holds
// no state of its own, so several may run at once. helper may be null (no helper).
class MountOperation {
public:
    MountOperation(const SystemProfile& profile, HelperAccess* helper, const MountTiming& timing,
                   const StopSignal& stop);

    // True when the share stands in the mount table (already, or after the request).
    // A raised stop signal cuts the poll short with the outcome false.
    bool perform(const QString& host, const QString& shareName) const;

private:
    void removeStaleDirectory(const QString& shareName) const;
    bool pollForMount(const QString& key) const;

    const SystemProfile& m_profile;
    HelperAccess* m_helper;
    const MountTiming& m_timing;
    const StopSignal& m_stop;
};

} // namespace tarnwick
