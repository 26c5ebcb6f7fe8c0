#pragma once

#include <QDBusConnection>
#include <QObject>

namespace tarnwick {

// Power-off announcements from logind on the system bus. Holds a "delay" inhibitor lock
// for "shutdown" so that the system waits while powerOffImminent() is handled, and drops
// it as soon as the handlers return. Without logind nothing is announced and nothing
// fails. Main thread.
class PowerOffWatcher : public QObject {
    Q_OBJECT

public:
    // Subscribes to PrepareForShutdown on bus and takes the lock (waits at most 2 s).
    explicit PowerOffWatcher(const QDBusConnection& bus = QDBusConnection::systemBus(),
                             QObject* parent = nullptr);
    ~PowerOffWatcher() override;

    // True while the inhibitor's file descriptor is held.
    bool holdsInhibitor() const { return m_fd >= 0; }

public Q_SLOTS:
    // Asks logind for the delay lock unless one is held (waits at most 2 s for it).
    void takeInhibitor();
    // Closes the lock's descriptor, which lets a delayed power-off go on.
    void releaseInhibitor();

Q_SIGNALS:
    // The system is about to power off; handlers run synchronously before the lock is
    // dropped. Emitted once per announcement.
    void powerOffImminent();
    void inhibitorChanged(bool held);

private Q_SLOTS:
    void onPrepareForShutdown(bool starting);

private:
    QDBusConnection m_bus;
    int m_fd = -1;
    bool m_armed = true;
};

} // namespace tarnwick
