#include "shell/tray_application.h"

#include "model/share_store.h"
#include "mount/mount_manager.h"
#include "mount/system_events.h"
#include "mount/system_profile.h"
#include "shell/app_events.h"
#include "shell/engine_host.h"
#include "shell/popover_window.h"
#include "shell/share_list_model.h"
#include "shell/share_notifier.h"
#include "shell/tray_icon.h"

#include <QApplication>
#include <QFileInfo>
#include <QPixmapCache>
#include <QTimer>

namespace tarnwick {

namespace {

// A close this recent came from the same click on the icon that now asks to toggle.
constexpr qint64 toggleGuardMs = 300;

} // namespace

TrayApplication::TrayApplication(std::unique_ptr<QSettings> settings,
                                 std::shared_ptr<const SystemProfile> profile,
                                 TrayServices services, QObject* parent)
    : QObject(parent)
    , m_settings(std::move(settings))
    , m_profile(std::move(profile))
    , m_services(std::move(services))
    , m_firstStart(!QFileInfo::exists(m_settings->fileName()))
    , m_store(std::make_unique<ShareStore>(*m_settings))
{
}

TrayApplication::~TrayApplication()
{
    // Widgets first: rows call into the manager, the popover reads the store.
    for (const QPointer<QWidget>& dialog : std::as_const(m_signIns))
        delete dialog.data();
    delete m_settingsOpener;
    delete m_popover;
    dropTrayIcon();
    m_host.reset();
}

void TrayApplication::start()
{
    // A tray application has no main window; closing the settings window must not end it.
    QApplication::setQuitOnLastWindowClosed(false);

    // The engine host first: its power-off handling and quit signals then cover start-up.
    EngineServices engine;
    engine.helper = m_services.helper;
    engine.timing = m_services.timing;
    engine.systemEvents = m_services.systemEvents;
    engine.systemBus = m_services.systemBus;
    engine.unmountAllVolumes = m_services.unmountAllVolumes;
    m_host = std::make_unique<EngineHost>(*m_settings, *m_store, m_profile, std::move(engine));
    // Its quit path stops the engine; the widgets go before it: their rows call into it.
    connect(m_host.get(), &EngineHost::stopping, this, &TrayApplication::dropViews);

    m_host->start();
    MountManager& manager = *m_host->manager();
    m_notifier = new ShareNotifier(m_services.sessionBus, *m_settings, this);
    m_notifier->setSignInOffered(manager.offersSignIn() && m_services.signInDialog);
    connect(&manager, &MountManager::shareStatusesChanged, m_notifier,
            [notifier = m_notifier, m = &manager] { notifier->update(m->shareStatuses()); });

    createTrayIcon();
    // Asked once the item is on its way: the system bus round trips then do not hold it up.
    if (m_services.registerDaemon)
        QTimer::singleShot(0, this, m_services.registerDaemon);

    m_settingsOpener = new SettingsOpener([this, m = QPointer(&manager)]() -> QWidget* {
        const auto& factory = m_services.settingsWindow;
        QWidget* window = factory ? factory(*m_store, *m_settings, m.data()) : nullptr;
        releaseMemoryOf(window);
        return window;
    });
    AppEvents& events = AppEvents::instance();
    // The window is activated while the popover still has focus: on Wayland only a focused
    // surface may hand focus on (xdg-activation).
    connect(&events, &AppEvents::openSettingsRequest, m_settingsOpener, &SettingsOpener::open);
    connect(&events, &AppEvents::openSettingsRequest, this, &TrayApplication::closePopover);
    connect(&events, &AppEvents::openServerSettingsRequest, this, [this](const QUuid& server) {
        Q_EMIT AppEvents::instance().openSettingsRequest();
        // The window's own slot: the shell does not know the settings window's class.
        if (QWidget* window = m_settingsOpener->window(); window && !server.isNull())
            QMetaObject::invokeMethod(window, "showServer", Q_ARG(QUuid, server));
    });
    connect(&events, &AppEvents::signInRequest, this, &TrayApplication::openSignIn);
    connect(&events, &AppEvents::openLocationRequest, this, [this](const QUrl& location) {
        closePopover();
        if (m_services.openUrl && location.isValid())
            m_services.openUrl(location);
    });

    // A new user with nothing to mount is led to the servers on the network, once: the empty
    // list saved now is the settings file that every later start finds, also after the user
    // removed all servers.
    if (m_firstStart && m_store->servers().isEmpty()) {
        m_store->save();
        m_settings->sync();
        Q_EMIT events.openSettingsRequest();
        // The window's own slot: the shell does not know the settings window's class.
        if (QWidget* window = m_settingsOpener->window())
            QMetaObject::invokeMethod(window, "showDiscovery");
    }
}

void TrayApplication::openSignIn(const ShareKey& key)
{
    MountManager* engine = manager();
    if (!engine || !m_services.signInDialog)
        return;
    closePopover();
    for (const Server& server : m_store->servers()) {
        for (const Share& share : server.shares) {
            if (ShareKey::of(server, share) != key)
                continue;
            // One dialog per share: a second request brings the open one forward.
            if (QWidget* open = m_signIns.value(key)) {
                open->raise();
                open->activateWindow();
                return;
            }
            QWidget* dialog = m_services.signInDialog(*engine, server, share);
            if (!dialog)
                return;
            dialog->setAttribute(Qt::WA_DeleteOnClose);
            m_signIns.insert(key, dialog);
            dialog->show();
            dialog->activateWindow();
            return;
        }
    }
}

void TrayApplication::shutDown()
{
    if (m_host)
        m_host->stop(); // drops the views first, through stopping()
}

void TrayApplication::dropViews()
{
    for (const QPointer<QWidget>& dialog : std::as_const(m_signIns))
        delete dialog.data();
    m_signIns.clear();
    delete m_popover;
    delete m_settingsOpener;
    m_settingsOpener = nullptr;
    dropTrayIcon();
}

MountManager* TrayApplication::manager() const
{
    return m_host ? m_host->manager() : nullptr;
}

void TrayApplication::createTrayIcon()
{
    m_shareList = new ShareListModel(*m_store, *manager(), this);
    m_shareList->setLinkLookup(
        [this](const ShareKey& key) { return m_host ? m_host->linkOf(key) : QString(); });
    // A Wayland client cannot place a window next to the icon: the host shows the menu.
    const bool wayland = QGuiApplication::platformName() == u"wayland"_qs;
    m_trayIcon =
        new TrayIcon(*m_shareList, m_services.sessionBus, wayland, m_services.trayGrace, this);
    // Where the popover could only land in the middle of the screen, the settings window.
    const auto open = [this, wayland](bool toggle) {
        if (wayland)
            Q_EMIT AppEvents::instance().openSettingsRequest();
        else if (toggle)
            togglePopover();
        else
            showPopover();
    };
    connect(m_trayIcon, &TrayIcon::popoverRequested, this, [open] { open(true); });
    connect(m_trayIcon, &TrayIcon::menuRequested, this, [open] { open(false); });
}

void TrayApplication::dropTrayIcon()
{
    // Both read the manager.
    delete m_trayIcon;
    m_trayIcon = nullptr;
    delete m_shareList;
    m_shareList = nullptr;
}

QRect TrayApplication::iconGeometry() const
{
    return m_trayIcon ? m_trayIcon->anchor() : QRect();
}

void TrayApplication::activateFromLaunch()
{
    const bool placeable = m_trayIcon && m_trayIcon->host() != TrayIcon::Host::None &&
                           QGuiApplication::platformName() != u"wayland"_qs;
    if (placeable)
        showPopover();
    else
        Q_EMIT AppEvents::instance().openSettingsRequest();
}

PopoverWindow* TrayApplication::popover() const
{
    return m_popover;
}

void TrayApplication::togglePopover()
{
    if (m_popover)
        m_popover->close();
    else if (!m_sincePopoverClosed.isValid() || m_sincePopoverClosed.elapsed() >= toggleGuardMs)
        showPopover();
}

void TrayApplication::showPopover()
{
    if (!m_shareList)
        return;
    if (!m_popover) {
        m_popover = new PopoverWindow(*m_shareList);
        releaseMemoryOf(m_popover);
        connect(m_popover, &PopoverWindow::shownChanged, this, [this](bool shown) {
            if (!shown)
                popoverClosed();
        });
    }
    m_popover->showUnder(iconGeometry());
}

void TrayApplication::closePopover()
{
    if (m_popover)
        m_popover->close();
}

void TrayApplication::popoverClosed()
{
    // Rebuilt on the next click in a few milliseconds; kept, its widgets, fonts and icons
    // would stay for the whole session.
    m_sincePopoverClosed.start();
    m_popover->deleteLater();
    m_popover = nullptr;
}

void TrayApplication::releaseMemoryOf(QObject* window)
{
    // After the destructor, on a later turn: then the window's memory is free to return. The
    // icons and style pieces it drew stay in Qt's pixmap cache (up to 10 MB) until dropped;
    // a window opened again draws them anew in well under a frame.
    if (window && m_services.releaseMemory)
        connect(
            window, &QObject::destroyed, this,
            [release = m_services.releaseMemory] {
                QPixmapCache::clear();
                release();
            },
            Qt::QueuedConnection);
}

} // namespace tarnwick
