#include "shell/engine_host.h"

#include "model/app_settings.h"
#include "model/settings_file_watcher.h"
#include "model/share_store.h"
#include "mount/mount_manager.h"
#include "mount/share_status_log.h"
#include "mount/system_event_wiring.h"
#include "mount/system_events.h"
#include "mount/system_profile.h"
#include "platform/unix/share_links.h"
#include "platform/unix/unix_signal_watcher.h"
#include "shell/app_events.h"
#include "shell/power_off_watcher.h"

#include <QCoreApplication>

#include <csignal>

namespace tarnwick {

EngineHost::EngineHost(QSettings& settings, ShareStore& store,
                       std::shared_ptr<const SystemProfile> profile, EngineServices services,
                       QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_store(store)
    , m_profile(std::move(profile))
    , m_services(std::move(services))
{
    // A power-off is a quit that must be over before the lock goes: the unmount runs inside
    // the announcement's handler, then the event loop ends. Stopping the engine first keeps
    // a cycle from mounting again while the system goes down.
    auto* powerOff = new PowerOffWatcher(m_services.systemBus, this);
    connect(powerOff, &PowerOffWatcher::powerOffImminent, this, [this] {
        stop();
        QCoreApplication::quit();
    });
    // The terminal's Ctrl-C, the session's or systemd's SIGTERM and a closed terminal's SIGHUP.
    auto* quitSignals = new UnixSignalWatcher({SIGINT, SIGTERM, SIGHUP}, this);
    connect(quitSignals, &UnixSignalWatcher::received, qApp, &QCoreApplication::quit);
    // Every other quit ends here: the Quit row, the signals, and the session's end. A session
    // end is not handled at commitDataRequest: that only asks whether the session may end, and
    // the user or another application can still cancel it; the end itself arrives as the
    // session manager's "die", which Qt turns into quit(), or as SIGTERM.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &EngineHost::stop);
}

EngineHost::~EngineHost() = default;

void EngineHost::start()
{
    m_manager = std::make_unique<MountManager>(m_store, m_profile, m_settings, m_services.helper,
                                               m_services.timing);
    if (m_services.systemEvents && (m_events = m_services.systemEvents())) {
        wireSystemEvents(*m_manager, *m_events);
        connect(&AppEvents::instance(), &AppEvents::unlockLoginsRequest, m_events.get(),
                &SystemEvents::unlockLogins);
    }
    new ShareStatusLog(*m_manager); // owned by the manager
    // Every change of the model, also a mount the file manager made, reaches the links.
    connect(m_manager.get(), &MountManager::shareStatusesChanged, this, &EngineHost::updateLinks);
    // A folder moved in the General tab, or in the file by an admin, moves the links at once.
    auto* settingsFile = new SettingsFileWatcher(m_settings, this);
    connect(settingsFile, &SettingsFileWatcher::changed, this, [this] {
        if (m_manager)
            updateLinks();
    });
    updateLinks();
}

void EngineHost::updateLinks()
{
    // Only mounts that show under a root of their own need a path that stays.
    const QString folder =
        m_profile->localMountsRoot().isEmpty() ? QString() : AppSettings::sharesFolder(m_settings);
    if (!m_links || m_links->folder() != folder) {
        if (m_links)
            m_links->update({});
        m_links = std::make_unique<ShareLinks>(folder);
    }
    QList<LinkedShare> mounted;
    const ShareStatusMap& statuses = m_manager->shareStatuses();
    for (const Server& server : m_store.servers()) {
        for (const Share& share : server.shares) {
            const ShareKey key = ShareKey::of(server, share);
            const QUrl location = m_manager->locationOf(key);
            if (statuses.value(key).state == ShareStatus::State::Mounted && location.isLocalFile())
                mounted.append({key, share.name,
                                server.displayName.isEmpty() ? server.host : server.displayName,
                                location.toLocalFile()});
        }
    }
    m_links->update(mounted);
}

QString EngineHost::linkOf(const ShareKey& key) const
{
    return m_links ? m_links->linkOf(key) : QString();
}

void EngineHost::stop()
{
    // A quit is final: the later triggers (a power-off's own quit(), a signal during the
    // unmount's wait) find nothing left to do.
    if (m_stopped)
        return;
    m_stopped = true;
    Q_EMIT stopping();
    // The engine first, so that no mount of a running cycle lands after the unmount; its
    // running tools are ended through its stop signal, not waited for.
    m_manager.reset();
    m_settings.sync(); // pick up a change written by another process
    if (m_services.unmountAllVolumes && !AppSettings::keepMountedOnQuit(m_settings)) {
        m_services.unmountAllVolumes(*m_profile);
        if (m_links)
            m_links->update({}); // their mounts are gone
    }
}

} // namespace tarnwick
