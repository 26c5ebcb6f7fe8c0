#include "mount/mount_manager.h"

#include "model/app_settings.h"
#include "model/share_store.h"
#include "mount/mount_operation.h"
#include "mount/share_mount_point.h"
#include "mount/stale_mount_cleanup.h"
#include "mount/system_profile.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <algorithm>
#include <climits>

namespace tarnwick {

namespace {

// Far more than ever run at once: cycles and single mounts block their threads for the
// length of a mount, and none may wait for a free thread behind another.
constexpr int kTaskThreads = 256;

int timerMilliseconds(double milliseconds)
{
    return int(std::clamp(milliseconds, 1.0, double(INT_MAX)));
}

} // namespace

MountManager::MountManager(ShareStore& store, std::shared_ptr<const SystemProfile> profile,
                           QSettings& settings, HelperAccess* helper, MountTiming timing,
                           QObject* parent)
    : QObject(parent)
    , m_store(store)
    , m_profile(std::move(profile))
    , m_helper(helper)
    , m_timing(std::move(timing))
{
    m_tasks.setMaxThreadCount(kTaskThreads);
    refreshMountedVolumes();
    QTimer::singleShot(m_timing.startupDelay, Qt::PreciseTimer, this, &MountManager::startupPass);
    startTimers(settings);
}

MountManager::~MountManager()
{
    m_stop.stop();
    // Let every task finish before the members it uses go away. A cycle may be blocked
    // handing its picks to this thread, so keep delivering those calls while waiting;
    // with the stop signal raised they change nothing.
    // A mount may also be waiting for the privileged helper, whose reply reaches this thread
    // through its event loop: keep that loop turning too, or quitting would deadlock.
    while (!m_tasks.waitForDone(10)) {
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

bool MountManager::isMounted(const QString& shareName) const
{
    return m_mountedVolumes.contains(m_profile->nameKey(shareName));
}

bool MountManager::isBusy(const QString& shareName) const
{
    return m_busyShares.contains(m_profile->nameKey(shareName));
}

void MountManager::startTimers(QSettings& settings)
{
    // Read once: a changed interval takes effect at the next start.
    const double seconds = AppSettings::mountInterval(settings);
    const double interval = seconds > 0 ? seconds * double(m_timing.intervalUnit.count())
                                        : double(m_timing.defaultInterval.count());
    m_timer = new QTimer(this);
    m_timer->setInterval(timerMilliseconds(interval));
    connect(m_timer, &QTimer::timeout, this, &MountManager::mountAll);
    m_timer->start();

    auto* refreshTimer = new QTimer(this);
    refreshTimer->setInterval(timerMilliseconds(double(m_timing.refreshPeriod.count())));
    connect(refreshTimer, &QTimer::timeout, this, &MountManager::refreshMountedVolumes);
    refreshTimer->start();
}

void MountManager::startupPass()
{
    // The store is confined to this thread: the pass works on a copy of the names.
    QStringList names;
    for (const Server& server : m_store.servers()) {
        for (const Share& share : server.shares)
            names.append(share.name);
    }
    m_tasks.start([this, names] {
        if (m_stop.stopped())
            return;
        StaleMountCleanup::run(*m_profile, names, &m_stop);
        refreshMountedVolumes();
        QMetaObject::invokeMethod(
            this,
            [this] {
                QTimer::singleShot(m_timing.firstCycleDelay, Qt::PreciseTimer, this,
                                   &MountManager::mountAll);
            },
            Qt::QueuedConnection);
    });
}

void MountManager::mountAll()
{
    QList<Server> enabled;
    for (const Server& server : m_store.servers()) {
        if (server.isEnabled)
            enabled.append(server);
    }
    Q_EMIT cycleStarted();
    m_tasks.start([this, enabled] {
        runCycle(enabled);
        // Queued after the cycle's own results, so they are published first.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!m_stop.stopped())
                    Q_EMIT cycleFinished();
            },
            Qt::QueuedConnection);
    });
}

void MountManager::runCycle(const QList<Server>& servers)
{
    if (m_stop.stopped())
        return;
    const QSet<QString> mounted = m_profile->mountedShareNames();
    publishMounted(mounted);

    QList<Pending> candidates;
    for (const Server& server : servers) {
        if (m_stop.stopped())
            return;
        if (!m_profile->isHostReachable(server.host))
            continue;
        for (const Share& share : server.shares) {
            const QString key = m_profile->nameKey(share.name);
            if (!mounted.contains(key))
                candidates.append(Pending{server.host, share.name, key});
        }
    }
    if (candidates.isEmpty())
        return;

    // The busy check and the marking happen in one step on the main thread, so two
    // overlapping cycles can never both pick the same share.
    QList<Pending> picked;
    QMetaObject::invokeMethod(
        this, [this, &candidates, &picked] { picked = markBusy(candidates); },
        Qt::BlockingQueuedConnection);
    if (picked.isEmpty())
        return;

    QThreadPool workers;
    workers.setMaxThreadCount(QThread::idealThreadCount());
    for (const Pending& pending : std::as_const(picked)) {
        workers.start([this, pending] {
            const bool mounted = MountOperation(*m_profile, m_helper, m_timing, m_stop)
                                     .perform(pending.host, pending.name);
            QMetaObject::invokeMethod(
                this, [this, key = pending.key, mounted] { endMount(key, mounted); },
                Qt::QueuedConnection);
        });
    }
    workers.waitForDone();
}

QList<MountManager::Pending> MountManager::markBusy(const QList<Pending>& candidates)
{
    if (m_stop.stopped())
        return {};
    QList<Pending> picked;
    QSet<QString> busy = m_busyShares;
    for (const Pending& pending : candidates) {
        // Names busy before this step belong to another operation; a name that appears
        // twice in this cycle (two servers with one share name) stays picked twice.
        if (m_busyShares.contains(pending.key))
            continue;
        picked.append(pending);
        busy.insert(pending.key);
    }
    if (!picked.isEmpty())
        setBusyShares(busy);
    return picked;
}

void MountManager::mountShare(const Share& share, const Server& server)
{
    const QString key = m_profile->nameKey(share.name);
    if (m_busyShares.contains(key))
        return;
    if (m_profile->mountedShareNames().contains(key)) {
        QSet<QString> mounted = m_mountedVolumes;
        mounted.insert(key);
        setMountedVolumes(mounted);
        return;
    }
    QSet<QString> busy = m_busyShares;
    busy.insert(key);
    setBusyShares(busy);
    mountInBackground(server.host, share.name);
}

void MountManager::mountInBackground(const QString& host, const QString& name)
{
    m_tasks.start([this, host, name] {
        const bool mounted =
            MountOperation(*m_profile, m_helper, m_timing, m_stop).perform(host, name);
        QMetaObject::invokeMethod(
            this, [this, key = m_profile->nameKey(name), mounted] { endMount(key, mounted); },
            Qt::QueuedConnection);
    });
}

void MountManager::endMount(const QString& key, bool mounted)
{
    if (m_stop.stopped())
        return;
    QSet<QString> busy = m_busyShares;
    busy.remove(key);
    setBusyShares(busy);
    if (mounted) {
        QSet<QString> volumes = m_mountedVolumes;
        volumes.insert(key);
        setMountedVolumes(volumes);
    } else {
        refreshMountedVolumes();
    }
}

void MountManager::unmountShare(const QString& shareName)
{
    const QString mountPoint =
        ShareMountPoint::forUnmount(*m_profile, m_profile->readSmbMounts(), shareName);
    const QString key = m_profile->nameKey(shareName);
    QSet<QString> busy = m_busyShares;
    busy.insert(key);
    setBusyShares(busy);
    m_tasks.start([this, mountPoint, key] {
        const bool unmounted = m_profile->unmount(mountPoint, RunLimits{{}, &m_stop}) == 0;
        QMetaObject::invokeMethod(
            this, [this, key, unmounted] { endUnmount(key, unmounted); }, Qt::QueuedConnection);
    });
}

void MountManager::endUnmount(const QString& key, bool unmounted)
{
    if (m_stop.stopped())
        return;
    QSet<QString> busy = m_busyShares;
    busy.remove(key);
    setBusyShares(busy);
    if (unmounted) {
        QSet<QString> volumes = m_mountedVolumes;
        volumes.remove(key);
        setMountedVolumes(volumes);
    } else {
        refreshMountedVolumes();
    }
}

void MountManager::unmountAll()
{
    // Disabled servers too: a share mounted on request is still the user's to unmount.
    for (const Server& server : m_store.servers()) {
        for (const Share& share : server.shares) {
            if (m_mountedVolumes.contains(m_profile->nameKey(share.name)))
                unmountShare(share.name);
        }
    }
}

void MountManager::refreshMountedVolumes()
{
    publishMounted(m_profile->mountedShareNames());
}

void MountManager::publishMounted(const QSet<QString>& keys)
{
    QMetaObject::invokeMethod(
        this,
        [this, keys] {
            if (!m_stop.stopped())
                setMountedVolumes(keys);
        },
        Qt::QueuedConnection);
}

void MountManager::setMountedVolumes(const QSet<QString>& keys)
{
    m_mountedVolumes = keys;
    Q_EMIT mountedVolumesChanged();
}

void MountManager::setBusyShares(const QSet<QString>& keys)
{
    m_busyShares = keys;
    Q_EMIT busySharesChanged();
}

} // namespace tarnwick
