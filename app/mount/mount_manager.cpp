#include "mount/mount_manager.h"

#include "model/app_settings.h"
#include "model/share_store.h"
#include "mount/engine_log.h"
#include "mount/login_fingerprint.h"
#include "mount/share_mount_point.h"
#include "mount/share_name.h"
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
// Probes in a row a server may miss before its mounts are taken as dead: one lost probe
// must never unmount.
constexpr int kMissesBeforeDetach = 2;
// Probes of one cycle run at once, up to this many.
constexpr int kProbeThreads = 64;

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

ShareStatus MountManager::statusOf(const QString& shareName) const
{
    return m_statuses.value(m_profile->nameKey(shareName));
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
    for (const Server& server : usableServers(false)) {
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

QList<Server> MountManager::usableServers(bool enabledOnly)
{
    QList<Server> servers;
    for (Server server : m_store.servers()) {
        if (enabledOnly && !server.isEnabled)
            continue;
        server.shares.removeIf([this](const Share& share) { return !usableName(share.name); });
        servers.append(server);
    }
    return servers;
}

bool MountManager::usableName(const QString& name)
{
    if (ShareName::isUsable(name))
        return true;
    // Such a name would leave the volumes root or forge a log line: never used, said once.
    if (!m_reportedNames.contains(name)) {
        m_reportedNames.insert(name);
        log(QStringLiteral("skipping share ") + ShareName::escaped(name) +
            QStringLiteral(": not usable as a path"));
    }
    return false;
}

void MountManager::mountAll()
{
    // The decisions that rest on earlier cycles travel as copies: the task must not read
    // main-thread state.
    Q_EMIT cycleStarted();
    m_tasks.start(
        [this, servers = usableServers(true), held = m_refusedLogin, missed = m_missedProbes] {
            runCycle(servers, held, missed);
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

QHash<QString, bool> MountManager::probe(const QStringList& hosts) const
{
    // All at once: twenty silent servers cost one probe time, not twenty.
    std::vector<char> answers(size_t(hosts.size()), 0);
    QThreadPool probes;
    probes.setMaxThreadCount(std::clamp(int(hosts.size()), 1, kProbeThreads));
    for (qsizetype i = 0; i < hosts.size(); ++i) {
        probes.start([this, &answers, &hosts, i] {
            answers[size_t(i)] = m_profile->isHostReachable(hosts.at(i)) ? 1 : 0;
        });
    }
    probes.waitForDone();
    QHash<QString, bool> reachable;
    for (qsizetype i = 0; i < hosts.size(); ++i)
        reachable[MountTable::hostKey(hosts.at(i))] |= answers[size_t(i)] != 0;
    return reachable;
}

void MountManager::detachAll(const QList<MountEntry>& mounts, const QSet<QString>& deadHosts)
{
    bool detached = false;
    for (const MountEntry& mount : mounts) {
        if (mount.host.isEmpty() || !deadHosts.contains(mount.host))
            continue;
        const bool gone = m_profile->detach(mount) == 0;
        const QString name = MountTable::lastComponent(mount.mountPoint);
        log(u'[' + (ShareName::isUsable(name) ? name : ShareName::escaped(name)) +
            QStringLiteral("] server not answering; detached: ") +
            (gone ? QStringLiteral("true") : QStringLiteral("false")));
        detached = true;
    }
    if (detached)
        refreshMountedVolumes();
}

void MountManager::runCycle(const QList<Server>& servers, const QHash<QString, QByteArray>& held,
                            const QHash<QString, int>& missed)
{
    if (m_stop.stopped())
        return;
    const QList<MountEntry> mounts = m_profile->readSmbMounts();
    const QSet<QString> mounted = m_profile->shareKeys(mounts);
    publishMounted(mounted);

    QStringList hosts;
    for (const Server& server : servers) {
        if (!hosts.contains(server.host))
            hosts.append(server.host);
    }
    CycleReport report;
    report.reachable = probe(hosts);
    if (m_stop.stopped())
        return;

    QSet<QString> deadHosts;
    for (auto it = report.reachable.cbegin(); it != report.reachable.cend(); ++it) {
        if (!it.value() && missed.value(it.key()) + 1 >= kMissesBeforeDetach)
            deadHosts.insert(it.key());
    }
    detachAll(mounts, deadHosts);

    QHash<QString, QByteArray> storedNow; // by host: one quiet lookup per host and cycle
    for (const Server& server : servers) {
        if (!report.reachable.value(MountTable::hostKey(server.host)))
            continue;
        for (const Share& share : server.shares) {
            const QString key = m_profile->nameKey(share.name);
            if (mounted.contains(key))
                continue;
            // A refused login is not offered again: only a changed stored login is. The
            // lookup asks the secret store, not the server, so it costs no logon.
            if (held.contains(key)) {
                if (!storedNow.contains(server.host))
                    storedNow.insert(server.host,
                                     LoginFingerprint::of(m_profile->storedLogin(server.host)));
                if (storedNow.value(server.host) == held.value(key))
                    continue;
            }
            report.candidates.append(Pending{server.host, share.name, key});
        }
    }

    // The busy check and the marking happen in one step on the main thread, so two
    // overlapping cycles can never both pick the same share.
    QList<Pending> picked;
    QMetaObject::invokeMethod(
        this, [this, &report, &picked] { picked = markBusy(report); },
        Qt::BlockingQueuedConnection);
    if (picked.isEmpty())
        return;

    QThreadPool workers;
    workers.setMaxThreadCount(QThread::idealThreadCount());
    for (const Pending& pending : std::as_const(picked)) {
        workers.start([this, pending] {
            const MountOutcome outcome = MountOperation(*m_profile, m_helper, m_timing, m_stop)
                                             .perform(pending.host, pending.name);
            QMetaObject::invokeMethod(
                this, [this, pending, outcome] { endMount(pending.key, pending.name, outcome); },
                Qt::QueuedConnection);
        });
    }
    workers.waitForDone();
}

void MountManager::noteProbes(const QHash<QString, bool>& reachable)
{
    for (auto it = reachable.cbegin(); it != reachable.cend(); ++it) {
        if (it.value())
            m_missedProbes.remove(it.key());
        else
            ++m_missedProbes[it.key()];
    }
}

QList<MountManager::Pending> MountManager::markBusy(const CycleReport& report)
{
    if (m_stop.stopped())
        return {};
    noteProbes(report.reachable);
    QList<Pending> picked;
    QSet<QString> busy = m_busyShares;
    for (const Pending& pending : report.candidates) {
        // Names busy before this step belong to another operation; a name that appears
        // twice in this cycle (two servers with one share name) stays picked twice.
        if (m_busyShares.contains(pending.key))
            continue;
        picked.append(pending);
        busy.insert(pending.key);
    }
    if (!picked.isEmpty())
        setBusyShares(busy);
    else
        updateStatuses();
    return picked;
}

void MountManager::probeAndDetach()
{
    QStringList hosts;
    for (const Server& server : m_store.servers()) {
        if (!hosts.contains(server.host))
            hosts.append(server.host);
    }
    m_tasks.start([this, hosts] {
        if (m_stop.stopped())
            return;
        const QList<MountEntry> mounts = m_profile->readSmbMounts();
        QStringList withMounts;
        for (const QString& host : hosts) {
            const QString hostKey = MountTable::hostKey(host);
            if (std::any_of(mounts.begin(), mounts.end(),
                            [&](const MountEntry& m) { return m.host == hostKey; }))
                withMounts.append(host);
        }
        const QHash<QString, bool> reachable = probe(withMounts);
        QSet<QString> dead;
        for (auto it = reachable.cbegin(); it != reachable.cend(); ++it) {
            if (!it.value())
                dead.insert(it.key());
        }
        detachAll(mounts, dead);
        QMetaObject::invokeMethod(
            this,
            [this, reachable] {
                if (m_stop.stopped())
                    return;
                noteProbes(reachable);
                updateStatuses();
            },
            Qt::QueuedConnection);
    });
}

void MountManager::mountShare(const Share& share, const Server& server)
{
    if (!usableName(share.name))
        return;
    const QString key = m_profile->nameKey(share.name);
    if (m_busyShares.contains(key))
        return;
    // The user asks for it: a refused login is tried once more.
    m_refusedLogin.remove(key);
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
        const MountOutcome outcome =
            MountOperation(*m_profile, m_helper, m_timing, m_stop).perform(host, name);
        QMetaObject::invokeMethod(
            this,
            [this, key = m_profile->nameKey(name), name, outcome] { endMount(key, name, outcome); },
            Qt::QueuedConnection);
    });
}

void MountManager::endMount(const QString& key, const QString& name, const MountOutcome& outcome)
{
    if (m_stop.stopped())
        return;
    if (outcome.attempted.isValid() || outcome.mounted)
        m_lastOutcome.insert(key, outcome);
    if (outcome.reason == ShareStatus::Reason::LoginRefused) {
        m_refusedLogin.insert(key, outcome.loginFingerprint);
        log(u'[' + name + QStringLiteral("] login refused; waiting for a new password"));
    } else if (outcome.attempted.isValid()) {
        m_refusedLogin.remove(key);
    }
    // The mounted set first, so the status never passes through "not mounted" on the way.
    if (outcome.mounted) {
        QSet<QString> volumes = m_mountedVolumes;
        volumes.insert(key);
        setMountedVolumes(volumes);
    } else {
        refreshMountedVolumes();
    }
    QSet<QString> busy = m_busyShares;
    busy.remove(key);
    setBusyShares(busy);
}

QUrl MountManager::locationOf(const QString& shareName) const
{
    if (!isMounted(shareName))
        return {};
    const auto mount = ShareMountPoint::mountOf(*m_profile, m_profile->readSmbMounts(), shareName);
    if (!mount)
        return {};
    const QString local = mount->localPath.isEmpty() ? mount->mountPoint : mount->localPath;
    return local.startsWith(u'/') ? QUrl::fromLocalFile(local) : QUrl(local);
}

void MountManager::unmountShare(const QString& shareName)
{
    if (!usableName(shareName))
        return;
    const QString mountPoint =
        ShareMountPoint::forUnmount(*m_profile, m_profile->readSmbMounts(), shareName);
    const QString key = m_profile->nameKey(shareName);
    QSet<QString> busy = m_busyShares;
    busy.insert(key);
    m_unmounting.insert(key);
    setBusyShares(busy);
    if (mountPoint.isEmpty()) {
        // Nothing of this share is mounted and there is no mount-point directory to try:
        // the unmount fails without running a tool.
        QMetaObject::invokeMethod(
            this, [this, key] { endUnmount(key, false); }, Qt::QueuedConnection);
        return;
    }
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
    if (unmounted) {
        QSet<QString> volumes = m_mountedVolumes;
        volumes.remove(key);
        setMountedVolumes(volumes);
    } else {
        refreshMountedVolumes();
    }
    m_unmounting.remove(key);
    QSet<QString> busy = m_busyShares;
    busy.remove(key);
    setBusyShares(busy);
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
    updateStatuses();
}

void MountManager::setBusyShares(const QSet<QString>& keys)
{
    m_busyShares = keys;
    Q_EMIT busySharesChanged();
    updateStatuses();
}

void MountManager::updateStatuses()
{
    ShareStatusMap statuses;
    for (const Server& server : m_store.servers()) {
        const bool hostDown = m_missedProbes.value(MountTable::hostKey(server.host)) > 0;
        for (const Share& share : server.shares) {
            if (!ShareName::isUsable(share.name))
                continue;
            const QString key = m_profile->nameKey(share.name);
            if (statuses.contains(key))
                continue;
            ShareStatus status;
            status.name = share.name;
            const MountOutcome last = m_lastOutcome.value(key);
            status.toolStatus = last.toolStatus;
            status.message = last.message;
            status.lastAttempt = last.attempted;
            if (m_busyShares.contains(key))
                status.state = m_unmounting.contains(key) ? ShareStatus::State::Unmounting
                                                          : ShareStatus::State::Mounting;
            else if (m_mountedVolumes.contains(key))
                status.state = ShareStatus::State::Mounted;
            else if (hostDown && server.isEnabled)
                status.reason = ShareStatus::Reason::ServerUnreachable;
            else
                status.reason = last.reason;
            statuses.insert(key, status);
        }
    }
    if (statuses == m_statuses)
        return;
    m_statuses = statuses;
    Q_EMIT shareStatusesChanged();
}

} // namespace tarnwick
