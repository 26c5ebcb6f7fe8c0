#include "platform/profile_factory.h"

#include "platform/macos/mac_tool_profile.h"
#include "platform/macos/smbutil_share_lister.h"

#ifdef Q_OS_DARWIN
#include "platform/macos/dns_sd_discovery.h"
#include "platform/macos/internet_password_query.h"
#else
#include "platform/linux/avahi_discovery.h"
#include "platform/linux/secret_service_store.h"
#include "platform/linux/smbclient_share_lister.h"
#endif

#ifdef __GLIBC__
#include <malloc.h>
#endif

#ifdef Q_OS_LINUX
#include "platform/linux/child_death_guard.h"
#include "platform/linux/gvfs_profile.h"
#include "platform/linux/known_networks.h"
#include "platform/linux/linux_system_events.h"
#include "platform/linux/neighbour_table.h"
#endif

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

namespace tarnwick {

std::shared_ptr<const SystemProfile> ProfileFactory::create(const QString& toolRoot,
                                                            const QString& linksFolder)
{
#ifdef Q_OS_LINUX
    ChildDeathGuard::install();
    if (toolRoot.isEmpty())
        return std::make_shared<GvfsProfile>(QStringLiteral("gio"), QStringLiteral("ping"),
                                             QStringLiteral("smbclient"), linksFolder);
#else
    Q_UNUSED(linksFolder);
#endif
    return std::make_shared<MacToolProfile>(toolRoot);
}

std::shared_ptr<const ShareLister> ProfileFactory::createShareLister(const QString& toolRoot)
{
    if (!toolRoot.isEmpty()) {
        auto profile = std::make_shared<MacToolProfile>(toolRoot);
        const QString smbutil = profile->smbutilTool();
        return std::make_shared<SmbutilShareLister>(smbutil,
                                                    KeychainCredentials::fromProfile(profile));
    }
#ifdef Q_OS_DARWIN
    return std::make_shared<SmbutilShareLister>(MacToolProfile().smbutilTool(),
                                                KeychainCredentials(&InternetPasswordQuery::find));
#else
    return std::make_shared<SmbclientShareLister>(KeychainCredentials(&SecretServiceStore::find));
#endif
}

std::unique_ptr<SystemEvents> ProfileFactory::createSystemEvents(const QString& toolRoot,
                                                                 const QDBusConnection& systemBus)
{
#ifdef Q_OS_LINUX
    // Under a tool root the table belongs to the fake tools, not to GVFS.
    return std::make_unique<LinuxSystemEvents>(
        systemBus, toolRoot.isEmpty() ? QDBusConnection::sessionBus() : QDBusConnection(QString()));
#else
    Q_UNUSED(toolRoot);
    Q_UNUSED(systemBus);
    return std::make_unique<SystemEvents>();
#endif
}

std::shared_ptr<DiscoveryBackend> ProfileFactory::createDiscoveryBackend()
{
#ifdef Q_OS_DARWIN
    return std::make_shared<DnsSdDiscovery>();
#else
    return std::make_shared<AvahiDiscovery>();
#endif
}

void ProfileFactory::readKnownNetworks(QObject* context,
                                       std::function<void(const QStringList&)> done)
{
#ifdef Q_OS_LINUX
    KnownNetworks::read(QDBusConnection::systemBus(), context, std::move(done));
#else
    QMetaObject::invokeMethod(
        context, [done = std::move(done)] { done({}); }, Qt::QueuedConnection);
#endif
}

void ProfileFactory::readNeighbourAddress(QObject* context, const QString& host,
                                          std::function<void(const QString&)> done)
{
    // The name may need resolving, which can take seconds: never on the caller's thread.
    // The watcher dies with context, and with it the call of done.
    auto* watcher = new QFutureWatcher<QString>(context);
    QObject::connect(watcher, &QFutureWatcher<QString>::finished, context,
                     [watcher, done = std::move(done)] {
                         done(watcher->result());
                         watcher->deleteLater();
                     });
    watcher->setFuture(QtConcurrent::run([host] {
#ifdef Q_OS_LINUX
        return NeighbourTable::addressOf(host);
#else
        Q_UNUSED(host);
        return QString();
#endif
    }));
}

void ProfileFactory::limitAllocatorArenas()
{
#ifdef __GLIBC__
    // glibc gives each new thread an arena of its own, up to eight per core; the pages a
    // probe or mount thread touched there stay with the process after the thread is gone.
    // Two arenas serve a few short tool runs at a time.
    mallopt(M_ARENA_MAX, 2);
#endif
}

void ProfileFactory::releaseFreeMemory()
{
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

} // namespace tarnwick
