#include "mount/smb_volume_unmount.h"

#include "mount/system_profile.h"

namespace tarnwick {

void unmountAllSmbVolumes(const SystemProfile& profile)
{
    for (const MountEntry& mount : profile.readSmbMounts())
        profile.unmount(mount.mountPoint);
}

} // namespace tarnwick
