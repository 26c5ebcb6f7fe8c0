#pragma once

#include <QList>
#include <QSet>
#include <QString>

#include <optional>

namespace tarnwick {

// One SMB mount: the mount table's line and its mount point (or location).
struct MountEntry {
    QString line;
    QString mountPoint;
    QString host; // the server as the table names it; empty when the line does not say
    // The local folder that shows the mount (GVFS's FUSE directory); empty when the mount
    // point is that folder, or when there is none.
    QString localPath = {};
};

// The reading rules of the mount table. Pure functions; any thread.
class MountTable {
public:
    // SMB mount lines of the mount tool's output with their mount points, in table order.
    static QList<MountEntry> parseSmbMounts(const QString& mountOutput);
    // The mount point between the first " on " and the first " (", trimmed; nullopt when
    // the line is no SMB line or lacks either marker (or " (" comes first).
    static std::optional<QString> mountPointOf(const QString& line);
    // The host of a line's server part "//[user@]host[:port]/share"; empty when none.
    static QString hostOf(const QString& line);
    // A server text ("[user@]host[:port]", "[v6]:port") reduced to its host, lower-cased,
    // so that a configured host and a table's host compare.
    static QString hostKey(const QString& server);
    // Last path component; trailing "/" ignored; "" for "/" or "".
    static QString lastComponent(const QString& path);
    // For a name ending in "-" and digits, the part before them ("Photos-2024-1" ->
    // "Photos-2024"); otherwise nullopt. The base may be empty ("-7" -> "").
    static std::optional<QString> numberedBase(const QString& name);
    // Names of the mount points; with numberedAliases, also the non-empty base of each
    // numbered name (a share mounted again at "Media-1" counts as "Media").
    static QSet<QString> shareNames(const QList<MountEntry>& mounts, bool numberedAliases);
};

} // namespace tarnwick
