#pragma once

#include <QList>
#include <QMap>
#include <QString>

#include <chrono>

namespace tarnwick {

// One mount registered with GVFS: its name for people, its FUSE directory and its mount
// spec (type, server, share, user, ...), values as GVFS stores them (share lower-cased).
struct GvfsMount {
    QString dbusId; // the unique bus name of the mount's backend process
    QString displayName;
    QString fusePath; // empty when gvfsd-fuse is not running
    QString prefix;   // GVFS's mount prefix, "/" for SMB shares
    QMap<QString, QString> spec;
};

// The GVFS mount tracker (org.gtk.vfs.MountTracker in gvfsd, on the session bus). One
// D-Bus round trip per read, unlike `gio mount -l`, which starts a process and every
// volume monitor. Any thread, several at once.
class GvfsMountTracker {
public:
    // The mounts gvfsd knows, in its order; empty when no session bus, gvfsd is not running
    // (it is not started for this) or does not answer within timeout. Never throws.
    static QList<GvfsMount>
    listMounts(std::chrono::milliseconds timeout = std::chrono::milliseconds(2000));
    // The process id behind a unique bus name (the bus daemon's word); 0 when unknown.
    static uint processOf(const QString& dbusId,
                          std::chrono::milliseconds timeout = std::chrono::milliseconds(1000));
};

} // namespace tarnwick
