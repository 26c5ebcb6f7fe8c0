#pragma once

#include "model/server.h"
#include "model/share_key.h"
#include "mount/mount_table.h"

#include <QHash>
#include <QList>

#include <optional>

namespace tarnwick {

class SystemProfile;

// The configured shares the mount table shows, each with its mount.
using MountedShares = QHash<ShareKey, MountEntry>;

// Which mount of the table belongs to which configured share, by the profile's rule. Pure
// apart from that rule; any thread.
class ShareMounts {
public:
    // Every share of servers that a mount shows; the last matching line wins (with Media and
    // Media-1 mounted, Media-1 goes first).
    static MountedShares match(const SystemProfile& profile, const QList<Server>& servers,
                               const QList<MountEntry>& mounts);
    // The mount of share shareName on host; nullopt when the table shows none.
    static std::optional<MountEntry> find(const SystemProfile& profile,
                                          const QList<MountEntry>& mounts, const QString& host,
                                          const QString& shareName);
};

} // namespace tarnwick
