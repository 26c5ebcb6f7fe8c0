#include "platform/linux/gvfs_mount_watcher.h"

#include <QDBusServiceWatcher>

namespace tarnwick {

GvfsMountWatcher::GvfsMountWatcher(const QDBusConnection& sessionBus, QObject* parent)
    : QObject(parent)
{
    QDBusConnection bus(sessionBus);
    // Any sender: the tracker lives in gvfsd, which may start (and own its name) later.
    for (const QString& member : {QStringLiteral("Mounted"), QStringLiteral("Unmounted")})
        bus.connect(QString(), QStringLiteral("/org/gtk/vfs/mounttracker"),
                    QStringLiteral("org.gtk.vfs.MountTracker"), member, this, SIGNAL(changed()));
    // gvfsd going away takes its mounts along without an Unmounted signal; one that starts
    // again begins with none.
    auto* daemon = new QDBusServiceWatcher(QStringLiteral("org.gtk.vfs.Daemon"), bus,
                                           QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(daemon, &QDBusServiceWatcher::serviceOwnerChanged, this, &GvfsMountWatcher::changed);
}

} // namespace tarnwick
