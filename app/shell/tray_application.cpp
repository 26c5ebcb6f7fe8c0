#include "shell/tray_application.h"

#include "model/share_store.h"
#include "mount/mount_manager.h"
#include "mount/system_event_wiring.h"
#include "mount/system_events.h"
#include "mount/system_profile.h"
#include "shell/app_events.h"
#include "shell/popover_window.h"
#include "shell/power_off_watcher.h"
#include "shell/shutdown_unmounter.h"
#include "style/symbol_icons.h"

#include <QApplication>
#include <QSystemTrayIcon>

namespace tarnwick {

TrayApplication::TrayApplication(std::unique_ptr<QSettings> settings,
                                 std::shared_ptr<const SystemProfile> profile,
                                 TrayServices services, QObject* parent)
    : QObject(parent)
    , m_settings(std::move(settings))
    , m_profile(std::move(profile))
    , m_services(std::move(services))
    , m_store(std::make_unique<ShareStore>(*m_settings))
{
}

TrayApplication::~TrayApplication()
{
    // Widgets first: rows call into the manager, the popover reads the store.
    delete m_settingsOpener;
    m_popover.reset();
    delete m_trayIcon;
    m_manager.reset();
}

void TrayApplication::start()
{
    // A tray application has no main window; closing the settings window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    // Power-off handling first, so that a power-off during start-up already unmounts.
    m_unmounter = new ShutdownUnmounter(
        *m_settings,
        [this] {
            if (m_services.unmountAllVolumes)
                m_services.unmountAllVolumes(*m_profile);
        },
        this);
    m_powerOff = new PowerOffWatcher(m_services.systemBus, this);
    connect(m_powerOff, &PowerOffWatcher::powerOffImminent, m_unmounter,
            &ShutdownUnmounter::runAtPowerOff);

    if (m_services.registerDaemon)
        m_services.registerDaemon();

    m_manager = std::make_unique<MountManager>(*m_store, m_profile, *m_settings, m_services.helper,
                                               m_services.timing);
    if (m_services.systemEvents && (m_events = m_services.systemEvents()))
        wireSystemEvents(*m_manager, *m_events);

    createTrayIcon();
    m_popover = std::make_unique<PopoverWindow>(*m_store, *m_manager);

    auto* storeForWindow = m_store.get();
    auto* settingsForWindow = m_settings.get();
    auto factory = m_services.settingsWindow;
    m_settingsOpener =
        new SettingsOpener([factory, storeForWindow, settingsForWindow]() -> QWidget* {
            return factory ? factory(*storeForWindow, *settingsForWindow) : nullptr;
        });
    AppEvents& events = AppEvents::instance();
    connect(&events, &AppEvents::openSettingsRequest, this, &TrayApplication::closePopover);
    connect(&events, &AppEvents::openSettingsRequest, m_settingsOpener, &SettingsOpener::open);

    // Every quit path ends here: the Quit row, SIGINT/SIGTERM (quit()), and the session's
    // end. A session end is not handled at commitDataRequest: that is only the question
    // whether the session may end, and the user or another application can still cancel
    // it; the end itself arrives as the session manager's "die", which Qt turns into
    // quit(), or as SIGTERM when the session's processes are stopped.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &TrayApplication::shutDown);
}

void TrayApplication::shutDown()
{
    if (m_popover)
        m_popover->hide();
    // Stop the engine first, so that no mount of a running cycle lands after the unmount.
    // The widgets go before it: their rows call into it.
    delete m_settingsOpener;
    m_settingsOpener = nullptr;
    m_popover.reset();
    m_manager.reset();
    if (m_unmounter)
        m_unmounter->runAtQuit();
}

void TrayApplication::createTrayIcon()
{
    m_trayIcon = new QSystemTrayIcon;
    QIcon icon = SymbolIcons::icon(QStringLiteral("externaldrive.connected.to.line.below"));
    // A template image: trays that recolour symbolic icons do so to match their panel.
    icon.setIsMask(true);
    m_trayIcon->setIcon(icon);
    m_trayIcon->setToolTip(QStringLiteral("Tarnwick"));
    connect(m_trayIcon, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context)
                    togglePopover();
            });
    m_trayIcon->show();
}

QRect TrayApplication::iconGeometry() const
{
    return m_trayIcon ? m_trayIcon->geometry() : QRect();
}

void TrayApplication::togglePopover()
{
    if (m_popover)
        m_popover->toggle(iconGeometry());
}

void TrayApplication::showPopover()
{
    if (m_popover)
        m_popover->showUnder(iconGeometry());
}

void TrayApplication::closePopover()
{
    if (m_popover && m_popover->isVisible())
        m_popover->close();
}

} // namespace tarnwick
