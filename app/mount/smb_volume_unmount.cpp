#include "mount/smb_volume_unmount.h"

#include "mount/system_profile.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

namespace tarnwick {

void unmountAllSmbVolumes(const SystemProfile& profile, std::chrono::milliseconds deadline)
{
    // One thread per mount: a hung server then costs one deadline in all, not one per share.
    // Each thread waits for its own tool, which keeps the tool's parent-death guard armed.
    const QDeadlineTimer pass(deadline.count());
    const QList<MountEntry> mounts = profile.readSmbMounts();
    const RunLimits limits{
        std::max(std::chrono::milliseconds(pass.remainingTime()), std::chrono::milliseconds(500)),
        nullptr};
    std::vector<std::thread> runs;
    for (const MountEntry& mount : mounts) {
        const QString mountPoint = mount.mountPoint;
        try {
            runs.emplace_back(
                [&profile, mountPoint, limits] { profile.unmount(mountPoint, limits); });
        } catch (const std::system_error&) {
            profile.unmount(mountPoint, limits); // no thread to spare: this one waits
        }
    }
    for (std::thread& run : runs)
        run.join();
}

} // namespace tarnwick
