#include "mount/share_mount_point.h"

#include "mount/system_profile.h"

namespace tarnwick {

bool ShareMountPoint::belongsTo(const SystemProfile& profile, const QString& mountPoint,
                                const QString& shareName)
{
    const QString key = profile.nameKey(shareName);
    const QString component = MountTable::lastComponent(mountPoint);
    if (component.isEmpty())
        return false;
    if (profile.nameKey(component) == key)
        return true;
    if (!profile.mountsNumberedDuplicates())
        return false;
    const auto base = MountTable::numberedBase(component);
    return base && !base->isEmpty() && profile.nameKey(*base) == key;
}

std::optional<MountEntry> ShareMountPoint::mountOf(const SystemProfile& profile,
                                                   const QList<MountEntry>& mounts,
                                                   const QString& shareName)
{
    // The last matching line wins: with Media and Media-1 mounted, Media-1 goes first.
    for (auto mount = mounts.crbegin(); mount != mounts.crend(); ++mount) {
        if (belongsTo(profile, mount->mountPoint, shareName))
            return *mount;
    }
    return std::nullopt;
}

QString ShareMountPoint::forUnmount(const SystemProfile& profile, const QList<MountEntry>& mounts,
                                    const QString& shareName)
{
    if (const auto mount = mountOf(profile, mounts, shareName))
        return mount->mountPoint;
    // Without a volumes root there is no directory to fall back on: "/" + name would name
    // whatever local mount encloses that path.
    const QString root = profile.volumesRoot();
    return root.isEmpty() ? QString() : root + u'/' + shareName;
}

} // namespace tarnwick
