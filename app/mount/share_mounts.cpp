#include "mount/share_mounts.h"

#include "mount/system_profile.h"

namespace tarnwick {

MountedShares ShareMounts::match(const SystemProfile& profile, const QList<Server>& servers,
                                 const QList<MountEntry>& mounts)
{
    MountedShares mounted;
    if (mounts.isEmpty())
        return mounted;
    for (const Server& server : servers) {
        for (const Share& share : server.shares) {
            if (auto mount = find(profile, mounts, server.host, share.name))
                mounted.insert(ShareKey::of(server, share), *mount);
        }
    }
    return mounted;
}

std::optional<MountEntry> ShareMounts::find(const SystemProfile& profile,
                                            const QList<MountEntry>& mounts, const QString& host,
                                            const QString& shareName)
{
    for (auto mount = mounts.crbegin(); mount != mounts.crend(); ++mount) {
        if (profile.shows(*mount, host, shareName))
            return *mount;
    }
    return std::nullopt;
}

} // namespace tarnwick
