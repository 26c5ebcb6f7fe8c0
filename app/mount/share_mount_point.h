#pragma once

#include "mount/mount_table.h"

#include <QList>
#include <QString>

#include <optional>

namespace tarnwick {

class SystemProfile;

// Which mount of the table belongs to a share. Pure apart from the profile's name rules;
// any thread.
class ShareMountPoint {
public:
    // True when the mount point's last component is the share's name or, on systems that
    // number duplicate mounts, the name + "-" + digits. "MediaArchive" is not "Media".
    static bool belongsTo(const SystemProfile& profile, const QString& mountPoint,
                          const QString& shareName);
    // The last mount of the table belonging to shareName; nullopt when none does.
    static std::optional<MountEntry> mountOf(const SystemProfile& profile,
                                             const QList<MountEntry>& mounts,
                                             const QString& shareName);
    // The mount point to unmount for shareName: that of the last mount belonging to it,
    // else the share's directory under the volumes root; empty when the profile has none.
    static QString forUnmount(const SystemProfile& profile, const QList<MountEntry>& mounts,
                              const QString& shareName);
};

} // namespace tarnwick
