#include "mount/stale_mount_cleanup.h"

#include "mount/engine_log.h"
#include "mount/system_profile.h"

#include <QFileInfo>

namespace tarnwick {

void StaleMountCleanup::run(const SystemProfile& profile, const QStringList& shareNames,
                            const StopSignal* stop)
{
    // Systems that never number a second mount have no duplicates to clear.
    if (profile.mountsNumberedDuplicates())
        unmountDuplicates(profile, stop);
    if (!profile.volumesRoot().isEmpty())
        removeStaleDirectories(profile, shareNames);
}

void StaleMountCleanup::unmountDuplicates(const SystemProfile& profile, const StopSignal* stop)
{
    // Every numbered mount goes, whether or not it belongs to a configured share: a share
    // mounted twice keeps its plain mount point.
    for (const MountEntry& mount : profile.readSmbMounts()) {
        const QString name = MountTable::lastComponent(mount.mountPoint);
        if (!MountTable::numberedBase(name))
            continue;
        log(QStringLiteral("Cleaning up duplicate mount: ") + mount.mountPoint);
        profile.unmount(mount.mountPoint, RunLimits{{}, stop});
    }
}

void StaleMountCleanup::removeStaleDirectories(const SystemProfile& profile,
                                               const QStringList& shareNames)
{
    const QSet<QString> mounted = profile.mountedShareNames();
    const QString root = profile.volumesRoot();
    for (const QString& name : shareNames) {
        const QString path = root + u'/' + name;
        if (mounted.contains(profile.nameKey(name)) || !QFileInfo::exists(path))
            continue;
        // rmdir only takes an empty directory; one with contents, or a file, stays quietly.
        if (profile.removeEmptyDirectory(path) == 0)
            log(QStringLiteral("Removed stale empty directory: ") + path);
    }
}

} // namespace tarnwick
