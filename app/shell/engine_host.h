#pragma once

#include "mount/mount_timing.h"

#include <QDBusConnection>
#include <QObject>
#include <QSettings>

#include <functional>
#include <memory>

namespace tarnwick {

class HelperAccess;
class MountManager;
class ShareLinks;
struct ShareKey;
class ShareStore;
class SystemEvents;
class SystemProfile;

// What the engine host gets from the app's main(), so that tests can hand in others.
struct EngineServices {
    // Handed to the mount manager; may be null (no helper).
    HelperAccess* helper = nullptr;
    MountTiming timing;
    // Wake-ups, network and mount-table changes that start early cycles; may be empty.
    std::function<std::unique_ptr<SystemEvents>()> systemEvents;
    // Where logind lives.
    QDBusConnection systemBus = QDBusConnection::systemBus();
    // The synchronous unmount of every SMB mount at quit; may be empty (nothing unmounts).
    std::function<void(const SystemProfile&)> unmountAllVolumes;
};

// The mount engine as both the tray and --headless run it: the manager with its system events
// and status log, and one quit path for the app's quit, SIGINT/SIGTERM/SIGHUP and logind's
// power-off. Main thread, no widgets; settings and store must outlive it.
class EngineHost : public QObject {
    Q_OBJECT

public:
    // Takes logind's delay lock and installs the quit signals at once, so that a power-off
    // or a signal during start-up already takes the quit path. The engine waits for start().
    EngineHost(QSettings& settings, ShareStore& store, std::shared_ptr<const SystemProfile> profile,
               EngineServices services, QObject* parent = nullptr);
    // Stops the engine without the quit-time unmount.
    ~EngineHost() override;

    // Creates the mount manager, wires the system events and the status log. Call once.
    void start();

    // Null before start() and after the quit.
    MountManager* manager() const { return m_manager.get(); }
    // The path of key's link in the shares folder; empty when it has none.
    QString linkOf(const ShareKey& key) const;

public Q_SLOTS:
    // The quit path, run once whichever trigger comes first: stopping(), the engine's stop,
    // then the unmount of every SMB volume unless "keepMountedOnQuit". Runs from aboutToQuit.
    void stop();

Q_SIGNALS:
    // The engine is about to be destroyed: whatever reads the manager lets go of it now.
    void stopping();

private:
    void updateLinks();

    QSettings& m_settings;
    ShareStore& m_store;
    std::shared_ptr<const SystemProfile> m_profile;
    EngineServices m_services;
    std::unique_ptr<SystemEvents> m_events;
    std::unique_ptr<MountManager> m_manager;
    std::unique_ptr<ShareLinks> m_links;
    bool m_stopped = false;
};

} // namespace tarnwick
