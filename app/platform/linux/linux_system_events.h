#pragma once

#include "mount/system_events.h"
#include "platform/linux/gvfs_mount_watcher.h"
#include "platform/linux/logind_sleep_watcher.h"
#include "platform/linux/network_manager_watcher.h"
#include "platform/linux/secret_service_watcher.h"

#include <QDBusConnection>
#include <QStringList>

#include <memory>

namespace tarnwick {

// System events on Linux: wake-ups from logind and network changes from NetworkManager on
// systemBus, mount-table changes from the GVFS mount tracker and unlocked logins from the
// Secret Service on sessionBus when given (connected). Says once, in one log line, which of logind
// and NetworkManager is missing: then the mount timer alone notices what it would have announced.
// Main thread.
class LinuxSystemEvents : public SystemEvents {
    Q_OBJECT

public:
    explicit LinuxSystemEvents(const QDBusConnection& systemBus,
                               const QDBusConnection& sessionBus = QDBusConnection(QString()),
                               QObject* parent = nullptr);

    bool networkUsable() const override { return m_network.usable(); }
    std::optional<QStringList> activeNetworks() const override { return m_network.networks(); }
    // With a session bus: GVFS's tracker announces every mount and unmount.
    bool announcesMountChanges() const override { return m_mounts != nullptr; }
    void unlockLogins() override;

private:
    void reportMissing(const QDBusConnection& bus);

    LogindSleepWatcher m_sleep;
    NetworkManagerWatcher m_network;
    std::unique_ptr<GvfsMountWatcher> m_mounts;
    std::unique_ptr<SecretServiceWatcher> m_secrets;
    QStringList m_missing;
    int m_answers = 0;
};

} // namespace tarnwick
