#pragma once

#include "mount/mount_table.h"

#include <QList>
#include <QSet>
#include <QString>

#include <optional>

namespace tarnwick {

// The reading rules of `/sbin/mount` output, where a mount point is "/Volumes/" + the share's
// name and a second mount of a share gets "-1", "-2", ... Pure; any thread.
class MacMountTable {
public:
    // SMB mount lines of the mount tool's output with their mount points, in table order.
    static QList<MountEntry> parseSmbMounts(const QString& mountOutput);
    // The mount point between the first " on " and the first " (", trimmed; nullopt when
    // the line is no SMB line or lacks either marker (or " (" comes first).
    static std::optional<QString> mountPointOf(const QString& line);
    // The host of a line's server part "//[user@]host[:port]/share"; empty when none.
    static QString hostOf(const QString& line);
    // For a name ending in "-" and digits, the part before them ("Photos-2024-1" ->
    // "Photos-2024"); otherwise nullopt. The base may be empty ("-7" -> "").
    static std::optional<QString> numberedBase(const QString& name);
    // Names of the mount points, and the non-empty base of each numbered name (a share
    // mounted again at "Media-1" counts as "Media"), in canonical form.
    static QSet<QString> shareNames(const QList<MountEntry>& mounts);
    // True when the mount point's last component is the share's name or the name + "-" +
    // digits, whatever the server: "MediaArchive" is not "Media".
    static bool belongsTo(const QString& mountPoint, const QString& shareName);
};

} // namespace tarnwick
