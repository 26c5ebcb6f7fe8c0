#pragma once

#include "model/share_key.h"
#include "mount/mount_timing.h"
#include "shell/settings_opener.h"

#include <QDBusConnection>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSettings>

#include <chrono>
#include <functional>
#include <memory>

namespace tarnwick {

class EngineHost;
class HelperAccess;
class MountManager;
class PopoverWindow;
class ShareListModel;
class ShareNotifier;
class Server;
class Share;
class ShareStore;
class SystemEvents;
class SystemProfile;
class TrayIcon;

// What the tray application gets from outside the shell, so that main() wires the real
// pieces and tests can wire others.
struct TrayServices {
    // Registers the privileged helper; may be empty.
    std::function<void()> registerDaemon;
    // Handed to the mount manager; may be null (no helper).
    HelperAccess* helper = nullptr;
    // The synchronous unmount of every SMB mount at quit (power-off included).
    std::function<void(const SystemProfile&)> unmountAllVolumes;
    // Creates the settings window on the first request; it gets the store and settings.
    // The manager may be null (no engine yet): the editor then shows no login.
    std::function<QWidget*(ShareStore&, QSettings&, MountManager*)> settingsWindow;
    // Creates the sign-in dialog of a share (shown by the shell); may be empty (none).
    std::function<QWidget*(MountManager&, const Server&, const Share&)> signInDialog;
    // Where logind lives.
    QDBusConnection systemBus = QDBusConnection::systemBus();
    // Wake-ups, network and mount-table changes that start early cycles; may be empty.
    std::function<std::unique_ptr<SystemEvents>()> systemEvents;
    // Where the tray item, its menu and notifications live.
    QDBusConnection sessionBus = QDBusConnection::sessionBus();
    // How long a tray may take to show up (the panel starting after Tarnwick) before
    // Tarnwick says it has none.
    std::chrono::milliseconds trayGrace = std::chrono::seconds(10);
    MountTiming timing;
    // Opens a location with the desktop's default handler (a file manager for a folder).
    std::function<bool(const QUrl&)> openUrl = &QDesktopServices::openUrl;
    // Hands memory freed by a closed window back to the system; may be empty.
    std::function<void()> releaseMemory;
};

// The tray application: owns the store, the engine host (power-off handling, quit signals,
// mount manager), the tray icon and the settings opening, creates them in that order in
// start(), and drops its views on the host's quit path. The popover exists only while it is
// shown: idle keeps no widgets. Main thread; one per process.
class TrayApplication : public QObject {
    Q_OBJECT

public:
    // Creates the store (which loads the saved list) and nothing else yet.
    TrayApplication(std::unique_ptr<QSettings> settings,
                    std::shared_ptr<const SystemProfile> profile, TrayServices services,
                    QObject* parent = nullptr);
    ~TrayApplication() override;

    // Launch: the engine host, helper registration, the engine, the tray icon, the settings
    // requests; on a first start with no servers, the settings window with the
    // search for servers. Call once.
    void start();

    QSettings& settings() const { return *m_settings; }
    ShareStore& store() const { return *m_store; }
    // Null before start() and after the quit.
    MountManager* manager() const;
    TrayIcon* trayIcon() const { return m_trayIcon; }
    ShareListModel* shareList() const { return m_shareList; }
    // The popover while it is shown; null otherwise.
    PopoverWindow* popover() const;
    SettingsOpener* settingsOpener() const { return m_settingsOpener; }

public Q_SLOTS:
    // Opens the popover when closed (and not just closed by the click that toggles it), else
    // closes it.
    void togglePopover();
    void showPopover();
    void closePopover();
    // A later launch: the popover where it can be placed under a tray icon, otherwise
    // (no tray, or Wayland) the settings window.
    void activateFromLaunch();
    // The host's quit path (it also runs from aboutToQuit): the popover, the settings window
    // and the tray icon go, the engine stops, then the unmount unless the shares are kept.
    void shutDown();
    // Opens the sign-in dialog of that share (or brings its open one forward); nothing when
    // there is no such share or no dialog.
    void openSignIn(const tarnwick::ShareKey& key);

private:
    void dropViews();
    void createTrayIcon();
    void dropTrayIcon();
    QRect iconGeometry() const;
    void popoverClosed();
    void releaseMemoryOf(QObject* window);

    std::unique_ptr<QSettings> m_settings;
    std::shared_ptr<const SystemProfile> m_profile;
    TrayServices m_services;
    bool m_firstStart; // no settings file yet: read before the store can write one
    std::unique_ptr<ShareStore> m_store;
    ShareNotifier* m_notifier = nullptr;
    std::unique_ptr<EngineHost> m_host; // after the store it reads
    ShareListModel* m_shareList = nullptr;
    TrayIcon* m_trayIcon = nullptr;
    QPointer<PopoverWindow> m_popover;
    QElapsedTimer m_sincePopoverClosed;
    SettingsOpener* m_settingsOpener = nullptr;
    QHash<ShareKey, QPointer<QWidget>> m_signIns; // open sign-in dialogs; they use the manager
};

} // namespace tarnwick
