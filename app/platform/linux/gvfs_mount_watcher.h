#pragma once

#include <QDBusConnection>
#include <QObject>

namespace tarnwick {

// The GVFS mount tracker's Mounted and Unmounted signals on the session bus: whoever
// mounted or unmounted (the file manager, `gio mount`, Tarnwick), and gvfsd starting, ending
// or being replaced. Silent without a session bus. Main thread.
class GvfsMountWatcher : public QObject {
    Q_OBJECT

public:
    explicit GvfsMountWatcher(const QDBusConnection& sessionBus, QObject* parent = nullptr);

Q_SIGNALS:
    void changed();
};

} // namespace tarnwick
