#include "mount/smb_volume_unmount.h"

#include "mount/system_profile.h"
#include "mount/tool_run.h"

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
    // An unmount that a silent server holds past the deadline leaves a mount that blocks
    // whoever touches it after Tarnwick is gone: detach it, which does not wait for the server.
    const auto unmountOne = [&profile, limits](const MountEntry& mount) {
        if (profile.unmount(mount.mountPoint, limits) == kToolTimedOut)
            profile.detach(mount);
    };
    for (const MountEntry& mount : mounts) {
        try {
            runs.emplace_back(unmountOne, mount);
        } catch (const std::system_error&) {
            unmountOne(mount); // no thread to spare: this one waits
        }
    }
    for (std::thread& run : runs)
        run.join();
}

} // namespace tarnwick
