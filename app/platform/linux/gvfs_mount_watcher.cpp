#include "platform/linux/gvfs_mount_watcher.h"

namespace tarnwick {

GvfsMountWatcher::GvfsMountWatcher(const QDBusConnection& sessionBus, QObject* parent)
    : QObject(parent)
{
    QDBusConnection bus(sessionBus);
    // Any sender: the tracker lives in gvfsd, which may start (and own its name) later.
    for (const QString& member : {QStringLiteral("Mounted"), QStringLiteral("Unmounted")})
        bus.connect(QString(), QStringLiteral("/org/gtk/vfs/mounttracker"),
                    QStringLiteral("org.gtk.vfs.MountTracker"), member, this, SIGNAL(changed()));
}

} // namespace tarnwick
