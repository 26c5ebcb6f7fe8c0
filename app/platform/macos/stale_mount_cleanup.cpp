#include "platform/macos/stale_mount_cleanup.h"

#include "model/unicode_text.h"
#include "mount/engine_log.h"
#include "platform/macos/mac_mount_table.h"
#include "platform/macos/mac_tool_profile.h"

#include <QFileInfo>

namespace tarnwick {

void StaleMountCleanup::run(const MacToolProfile& profile, const QStringList& shareNames,
                            const StopSignal* stop)
{
    unmountDuplicates(profile, stop);
    removeStaleDirectories(profile, shareNames);
}

void StaleMountCleanup::unmountDuplicates(const MacToolProfile& profile, const StopSignal* stop)
{
    // Every numbered mount goes, whether or not it belongs to a configured share: a share
    // mounted twice keeps its plain mount point.
    for (const MountEntry& mount : profile.readSmbMounts()) {
        const QString name = MountTable::lastComponent(mount.mountPoint);
        if (!MacMountTable::numberedBase(name))
            continue;
        log(QStringLiteral("Cleaning up duplicate mount: ") + mount.mountPoint);
        profile.unmount(mount.mountPoint, RunLimits{{}, stop});
    }
}

void StaleMountCleanup::removeStaleDirectories(const MacToolProfile& profile,
                                               const QStringList& shareNames)
{
    const QSet<QString> mounted = MacMountTable::shareNames(profile.readSmbMounts());
    const QString root = profile.volumesRoot();
    for (const QString& name : shareNames) {
        const QString path = root + u'/' + name;
        if (mounted.contains(UnicodeText::canonical(name)) || !QFileInfo::exists(path))
            continue;
        // rmdir only takes an empty directory; one with contents, or a file, stays quietly.
        if (profile.removeEmptyDirectory(path) == 0)
            log(QStringLiteral("Removed stale empty directory: ") + path);
    }
}

} // namespace tarnwick
