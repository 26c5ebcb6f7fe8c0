#include "mount/mount_manager.h"

#include "discovery/share_lister.h"
#include "model/app_settings.h"
#include "model/share_store.h"
#include "mount/engine_log.h"
#include "mount/login_fingerprint.h"
#include "mount/share_mounts.h"
#include "mount/share_name.h"
#include "mount/system_profile.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <algorithm>
#include <climits>
#include <utility>

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
    m_clock.start();
    connect(&m_book, &ShareBook::statusesChanged, this, &MountManager::shareStatusesChanged);
    connect(&m_store, &ShareStore::serversChanged, this, &MountManager::publish);
    publish();
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

    m_refreshTimer = new QTimer(this);
    m_refreshTimer->setInterval(timerMilliseconds(double(m_timing.refreshPeriod.count())));
    connect(m_refreshTimer, &QTimer::timeout, this, &MountManager::refreshMountedVolumes);
    m_refreshTimer->start();
}

void MountManager::setMountChangesAnnounced(bool announced)
{
    if (announced) {
        m_refreshTimer->stop();
    } else if (!m_refreshTimer->isActive()) {
        m_refreshTimer->start();
        refreshMountedVolumes();
    }
}

void MountManager::startupPass()
{
    // The store is confined to this thread: the pass works on a copy.
    const QList<Server> servers = usableServers(false);
    QStringList names;
    for (const Server& server : servers) {
        for (const Share& share : server.shares)
            names.append(share.name);
    }
    const quint64 epoch = m_epoch;
    m_tasks.start([this, names, servers, epoch] {
        if (m_stop.stopped())
            return;
        m_profile->cleanUpAtStart(names, &m_stop);
        readTable(servers, epoch);
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

void MountManager::refreshMountedVolumes()
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, &MountManager::refreshMountedVolumes, Qt::QueuedConnection);
        return;
    }
    // One read at a time: a slow table (a tracker that hangs, a loaded machine) must not pile
    // reads up on the pool, where they would starve the probes and mounts queued behind them.
    // A request meanwhile gets one more read once this one is in.
    if (m_refreshing) {
        m_refreshAgain = true;
        return;
    }
    m_refreshing = true;
    m_tasks.start([this, servers = usableServers(false), epoch = m_epoch] {
        const bool read = !m_stop.stopped();
        const MountedShares mounted =
            read ? ShareMounts::match(*m_profile, servers, m_profile->readSmbMounts())
                 : MountedShares();
        QMetaObject::invokeMethod(
            this,
            [this, read, mounted, epoch] {
                m_refreshing = false;
                if (read)
                    applyTable(mounted, epoch);
                if (std::exchange(m_refreshAgain, false))
                    refreshMountedVolumes();
            },
            Qt::QueuedConnection);
    });
}

void MountManager::readTable(const QList<Server>& servers, quint64 epoch)
{
    const MountedShares mounted =
        ShareMounts::match(*m_profile, servers, m_profile->readSmbMounts());
    QMetaObject::invokeMethod(
        this, [this, mounted, epoch] { applyTable(mounted, epoch); }, Qt::QueuedConnection);
}

void MountManager::applyTable(const MountedShares& mounted, quint64 epoch)
{
    // A mount or unmount that ended while this table was read is newer than the table.
    // The 5-second refresh mostly finds what the book holds: then there is nothing to redo.
    if (m_stop.stopped() || epoch != m_epoch || mounted == m_book.mounted())
        return;
    m_book.setMounted(mounted);
    publish();
}

void MountManager::mountAll()
{
    // The decisions that rest on earlier cycles travel as copies: the task must not read
    // main-thread state.
    Q_EMIT cycleStarted();
    CycleFacts facts;
    facts.servers = usableServers(true);
    facts.missed = m_health.missed();
    facts.held = m_holds.all();
    facts.busy = m_book.busy();
    facts.networks = m_networks;
    facts.wokenLately = wokenLately();
    m_tasks.start([this, facts, all = usableServers(false), epoch = m_epoch] {
        runCycle(facts, all, epoch);
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

void MountManager::runCycle(CycleFacts facts, const QList<Server>& all, quint64 epoch)
{
    if (m_stop.stopped())
        return;
    // The cycle's one table read serves the published model and the plan alike.
    const QList<MountEntry> mounts = m_profile->readSmbMounts();
    const MountedShares mounted = ShareMounts::match(*m_profile, all, mounts);
    QMetaObject::invokeMethod(
        this, [this, mounted, epoch] { applyTable(mounted, epoch); }, Qt::QueuedConnection);
    facts.mounted = mounted;
    facts.reachable = ServerHealth::probe(*m_profile, CyclePlanner::hostsToProbe(facts));
    if (m_stop.stopped())
        return;

    const CyclePlan plan = CyclePlanner::plan(facts, [this](const QString& host) {
        return LoginFingerprint::of(m_profile->storedLogin(host));
    });
    detachAll(mounts, plan.deadHosts, facts.reachable);

    // The busy check and the marking happen in one step on the main thread, so two
    // overlapping cycles can never both pick the same share.
    QList<PlannedMount> picked;
    QList<PlannedWake> wakes;
    QMetaObject::invokeMethod(
        this,
        [this, &plan, &facts, &picked, &wakes] { picked = markBusy(plan, facts.reachable, wakes); },
        Qt::BlockingQueuedConnection);
    // A wake-up waits far longer than a cycle: it runs beside the cycles, not in one.
    for (const PlannedWake& wake : std::as_const(wakes))
        m_tasks.start([this, wake] { wakeServer(wake); });
    if (picked.isEmpty())
        return;

    QThreadPool workers;
    workers.setMaxThreadCount(QThread::idealThreadCount());
    for (const PlannedMount& pending : std::as_const(picked)) {
        workers.start([this, pending] {
            // The cycle has just read the table: the mount starts without another look.
            const MountOutcome outcome = MountOperation(*m_profile, m_helper, m_timing, m_stop)
                                             .perform(pending.host, pending.name, false);
            QMetaObject::invokeMethod(
                this, [this, pending, outcome] { endMount(pending.key, pending.name, outcome); },
                Qt::QueuedConnection);
        });
    }
    workers.waitForDone();
}

QList<PlannedMount> MountManager::markBusy(const CyclePlan& plan,
                                           const QHash<QString, bool>& reachable,
                                           QList<PlannedWake>& wakes)
{
    if (m_stop.stopped())
        return {};
    m_health.note(reachable);
    const QSet<QString> woken = wokenLately();
    for (const PlannedWake& wake : plan.wakes) {
        // An overlapping cycle may have sent one since this cycle's facts were taken.
        const QString hostKey = MountTable::hostKey(wake.host);
        if (woken.contains(hostKey))
            continue;
        m_wokenAt.insert(hostKey, m_clock.elapsed());
        m_book.setWaking(hostKey, true);
        log(u'[' + wake.host + QStringLiteral("] not answering; waking ") +
            QString::fromLatin1(wake.mac.toHex(':').toUpper()));
        wakes.append(wake);
    }
    QList<PlannedMount> picked;
    for (const PlannedMount& pending : plan.mounts) {
        // Busy or mounted since the cycle read the table: another operation had it.
        if (m_book.isBusy(pending.key) || m_book.isMounted(pending.key))
            continue;
        picked.append(pending);
        m_book.setBusy(pending.key, ShareStatus::State::Mounting);
    }
    publish();
    return picked;
}

QSet<QString> MountManager::wokenLately() const
{
    QSet<QString> hosts;
    const qint64 now = m_clock.elapsed();
    for (auto it = m_wokenAt.cbegin(); it != m_wokenAt.cend(); ++it) {
        if (now - it.value() < m_timer->interval())
            hosts.insert(it.key());
    }
    return hosts;
}

void MountManager::wakeServer(const PlannedWake& wake)
{
    using std::chrono::milliseconds;
    QElapsedTimer since;
    since.start();
    for (int packet = 0; packet < m_timing.wakePackets; ++packet) {
        if (packet > 0 && !m_stop.sleepFor(m_timing.wakePacketSpacing))
            return;
        m_profile->sendWakePacket(wake.host, wake.mac);
    }
    // Probes on a fixed beat, however long each takes, until the port answers or time is up.
    bool answered = false;
    milliseconds next{0};
    while (!m_stop.stopped() && milliseconds(since.elapsed()) < m_timing.wakeLimit) {
        if (m_profile->servesSmb(wake.host)) {
            answered = true;
            break;
        }
        next += m_timing.wakeProbeInterval;
        const milliseconds wait =
            std::min(next, m_timing.wakeLimit) - milliseconds(since.elapsed());
        if (wait > milliseconds(0) && !m_stop.sleepFor(wait))
            return;
    }
    QMetaObject::invokeMethod(
        this, [this, host = wake.host, answered] { endWake(host, answered); },
        Qt::QueuedConnection);
}

void MountManager::endWake(const QString& host, bool answered)
{
    if (m_stop.stopped())
        return;
    const QString hostKey = MountTable::hostKey(host);
    m_book.setWaking(hostKey, false);
    log(u'[' + host +
        (answered ? QStringLiteral("] awake; mounting")
                  : QStringLiteral("] did not wake within %1 s")
                        .arg(std::chrono::duration_cast<std::chrono::seconds>(m_timing.wakeLimit)
                                 .count())));
    if (!answered) {
        publish();
        return;
    }
    // Its shares are mounted now, not at the next cycle.
    m_health.note({{hostKey, true}});
    publish();
    mountAll();
}

void MountManager::detachAll(const QList<MountEntry>& mounts, const QSet<QString>& deadHosts,
                             const QHash<QString, bool>& probed)
{
    bool detached = false;
    for (const MountEntry& mount : mounts) {
        if (mount.host.isEmpty() || !deadHosts.contains(mount.host))
            continue;
        const bool gone = m_profile->detach(mount) == 0;
        log(u'[' +
            (ShareName::isUsable(mount.share) ? mount.share : ShareName::escaped(mount.share)) +
            // A host not probed is dead because its server lives on networks that are down.
            (probed.contains(mount.host)
                 ? QStringLiteral("] server not answering; detached: ")
                 : QStringLiteral("] server not on this network; detached: ")) +
            (gone ? QStringLiteral("true") : QStringLiteral("false")));
        detached = true;
    }
    if (detached)
        refreshMountedVolumes();
}

void MountManager::probeAndDetach()
{
    m_tasks.start([this, servers = usableServers(false), networks = m_networks] {
        if (m_stop.stopped())
            return;
        const QList<MountEntry> mounts = m_profile->readSmbMounts();
        // A server that lives elsewhere is not asked; its mounts went when its network did.
        CycleFacts facts;
        facts.servers = servers;
        facts.networks = networks;
        QStringList withMounts;
        for (const QString& host : CyclePlanner::hostsToProbe(facts)) {
            const QString hostKey = MountTable::hostKey(host);
            if (std::any_of(mounts.begin(), mounts.end(),
                            [&](const MountEntry& m) { return m.host == hostKey; }))
                withMounts.append(host);
        }
        const QHash<QString, bool> reachable = ServerHealth::probe(*m_profile, withMounts);
        QSet<QString> dead;
        for (auto it = reachable.cbegin(); it != reachable.cend(); ++it) {
            if (!it.value())
                dead.insert(it.key());
        }
        detachAll(mounts, dead, reachable);
        QMetaObject::invokeMethod(
            this,
            [this, reachable] {
                if (m_stop.stopped())
                    return;
                m_health.note(reachable);
                publish();
            },
            Qt::QueuedConnection);
    });
}

void MountManager::mountShare(const Share& share, const Server& server)
{
    if (!usableName(share.name))
        return;
    const ShareKey key = ShareKey::of(server, share);
    if (m_book.isBusy(key))
        return;
    // The user asks for it: a refused login is tried once more.
    m_holds.release(key);
    m_book.setBusy(key, ShareStatus::State::Mounting);
    publish();
    m_tasks.start([this, key, host = server.host, name = share.name] {
        const MountOperation operation(*m_profile, m_helper, m_timing, m_stop);
        // Mounted already (the file manager, another login): only marked, no request.
        MountOutcome outcome;
        outcome.mount = ShareMounts::find(*m_profile, m_profile->readSmbMounts(), host, name);
        outcome.mounted = outcome.mount.has_value();
        if (!outcome.mounted)
            outcome = operation.perform(host, name, false);
        QMetaObject::invokeMethod(
            this, [this, key, name, outcome] { endMount(key, name, outcome); },
            Qt::QueuedConnection);
    });
}

bool MountManager::offersSignIn() const
{
    return m_profile->keepsLogins();
}

void MountManager::signIn(const Server& server, const Share& share, const Credentials& login,
                          bool remember)
{
    mountWith(server, share, login, remember, true);
}

void MountManager::mountWith(const Server& server, const Share& share, const Credentials& login,
                             bool remember, bool signingIn)
{
    const ShareKey key = ShareKey::of(server, share);
    if (!usableName(share.name) || m_book.isBusy(key)) {
        if (signingIn)
            Q_EMIT signInFinished(key, ShareStatus::Reason::MountFailed, false);
        return;
    }
    m_holds.release(key);
    m_book.setBusy(key, ShareStatus::State::Mounting);
    publish();
    m_tasks.start([this, key, server, name = share.name, login, remember, signingIn] {
        const MountOperation operation(*m_profile, m_helper, m_timing, m_stop);
        const MountOutcome outcome = operation.performWith(server.host, name, login);
        // Stored only once the server took it: a refused password never reaches the store.
        const bool stored =
            outcome.mounted && remember && m_profile->storeLogin(server.host, login);
        QMetaObject::invokeMethod(
            this,
            [this, key, name, outcome, stored, signingIn, server, login] {
                endMount(key, name, outcome);
                if (!signingIn || m_stop.stopped())
                    return;
                Q_EMIT signInFinished(key, outcome.reason, stored);
                if (!outcome.mounted)
                    return;
                // The same login opens the server's other shares, at once.
                for (const Share& other : server.shares) {
                    const ShareKey otherKey = ShareKey::of(server, other);
                    if (otherKey != key && !m_book.isMounted(otherKey))
                        mountWith(server, other, login, false, false);
                }
            },
            Qt::QueuedConnection);
    });
}

void MountManager::signInByListing(const Server& server, const Credentials& login, bool remember,
                                   std::shared_ptr<const ShareLister> lister)
{
    const ShareKey key{server.id, QUuid()};
    m_tasks.start([this, key, host = server.host, login, remember, lister = std::move(lister)] {
        using Failure = ShareListing::Failure;
        const ShareListing listing = lister->listingWith(host, login).value_or(ShareListing{});
        const bool taken = !listing.names.isEmpty();
        const bool stored = taken && remember && m_profile->storeLogin(host, login);
        const ShareStatus::Reason reason =
            taken                                      ? ShareStatus::Reason::None
            : listing.failure == Failure::LoginRefused ? ShareStatus::Reason::LoginRefused
            : listing.failure == Failure::Unreachable  ? ShareStatus::Reason::ServerUnreachable
                                                       : ShareStatus::Reason::MountFailed;
        QMetaObject::invokeMethod(
            this,
            [this, key, reason, stored] {
                if (!m_stop.stopped())
                    Q_EMIT signInFinished(key, reason, stored);
            },
            Qt::QueuedConnection);
    });
}

void MountManager::readLogin(const QString& host)
{
    m_tasks.start([this, host] {
        const auto login = m_profile->storedLogin(host);
        const QString user = login ? login->user : QString();
        QMetaObject::invokeMethod(
            this, [this, host, user] { Q_EMIT loginRead(host, user); }, Qt::QueuedConnection);
    });
}

void MountManager::forgetLogin(const QString& host)
{
    m_tasks.start([this, host] {
        m_profile->forgetLogins(host);
        const auto login = m_profile->storedLogin(host);
        const QString user = login ? login->user : QString();
        QMetaObject::invokeMethod(
            this, [this, host, user] { Q_EMIT loginRead(host, user); }, Qt::QueuedConnection);
    });
}

void MountManager::endMount(const ShareKey& key, const QString& name, const MountOutcome& outcome)
{
    if (m_stop.stopped())
        return;
    m_book.setOutcome(key, outcome);
    if (outcome.reason == ShareStatus::Reason::LoginRefused) {
        m_holds.hold(key, outcome.loginFingerprint);
        log(u'[' + name + QStringLiteral("] login refused; waiting for a new password"));
    } else if (outcome.attempted.isValid()) {
        m_holds.release(key);
    }
    // Mounted and no longer busy in one publication, so the status never passes through
    // "not mounted" on the way.
    if (outcome.mounted) {
        m_book.setMount(key, outcome.mount);
        ++m_epoch;
    } else {
        refreshMountedVolumes();
    }
    m_book.setBusy(key, ShareStatus::State::NotMounted);
    publish();
}

void MountManager::setActiveNetworks(const std::optional<QStringList>& networks)
{
    // The hosts of the enabled servers that lived on the networks up until now and no longer
    // do: their mounts go now, without asking the server. Later mounts on request stay.
    CycleFacts before;
    before.servers = usableServers(true);
    before.networks = m_networks;
    CycleFacts after = before;
    after.networks = networks;
    const QStringList hereNow = CyclePlanner::hostsToProbe(after);
    QSet<QString> left;
    for (const QString& host : CyclePlanner::hostsToProbe(before)) {
        if (!hereNow.contains(host))
            left.insert(MountTable::hostKey(host));
    }
    m_networks = networks;
    publish();
    if (left.isEmpty())
        return;
    m_tasks.start([this, left] {
        if (!m_stop.stopped())
            detachAll(m_profile->readSmbMounts(), left, {});
    });
}

QUrl MountManager::locationOf(const ShareKey& key) const
{
    const auto mount = m_book.mounted().constFind(key);
    if (mount == m_book.mounted().cend())
        return {};
    const QString local = mount->localPath.isEmpty() ? mount->mountPoint : mount->localPath;
    return local.startsWith(u'/') ? QUrl::fromLocalFile(local) : QUrl(local);
}

void MountManager::unmountShare(const ShareKey& key)
{
    const Server* server = nullptr;
    const Share* share = nullptr;
    for (const Server& candidate : m_store.servers()) {
        for (const Share& item : candidate.shares) {
            if (ShareKey::of(candidate, item) == key) {
                server = &candidate;
                share = &item;
            }
        }
    }
    if (!share || !usableName(share->name) || m_book.isBusy(key))
        return;
    m_book.setBusy(key, ShareStatus::State::Unmounting);
    publish();
    m_tasks.start([this, key, host = server->host, name = share->name] {
        const auto mount = ShareMounts::find(*m_profile, m_profile->readSmbMounts(), host, name);
        const QString mountPoint = mount ? mount->mountPoint : m_profile->fallbackMountPoint(name);
        // Nothing of this share is mounted and there is no mount point to try: the unmount
        // fails without running a tool.
        const RunLimits limits{{}, &m_stop};
        bool unmounted = !mountPoint.isEmpty() && m_profile->unmount(mountPoint, limits) == 0;
        if (!unmounted && mount && m_stop.sleepFor(m_timing.unmountRetry) &&
            ShareMounts::find(*m_profile, m_profile->readSmbMounts(), host, name))
            unmounted = m_profile->unmount(mountPoint, limits) == 0;
        QMetaObject::invokeMethod(
            this, [this, key, unmounted] { endUnmount(key, unmounted); }, Qt::QueuedConnection);
    });
}

void MountManager::endUnmount(const ShareKey& key, bool unmounted)
{
    if (m_stop.stopped())
        return;
    if (unmounted) {
        m_book.setMount(key, std::nullopt);
        ++m_epoch;
    } else {
        refreshMountedVolumes();
    }
    m_book.setBusy(key, ShareStatus::State::NotMounted);
    publish();
}

void MountManager::unmountAll()
{
    // Disabled servers too: a share mounted on request is still the user's to unmount.
    for (const Server& server : m_store.servers()) {
        for (const Share& share : server.shares) {
            const ShareKey key = ShareKey::of(server, share);
            if (m_book.isMounted(key))
                unmountShare(key);
        }
    }
}

void MountManager::publish()
{
    m_book.publish(
        m_store.servers(), [this](const QString& hostKey) { return m_health.isDown(hostKey); },
        [this](const Server& server) { return server.livesOn(m_networks); });
    // The name views follow the book.
    QSet<QString> mounted;
    QSet<QString> busy;
    for (auto it = m_book.statuses().cbegin(); it != m_book.statuses().cend(); ++it) {
        const QString name = m_profile->nameKey(it->name);
        if (m_book.isMounted(it.key()))
            mounted.insert(name);
        if (m_book.isBusy(it.key()))
            busy.insert(name);
    }
    if (mounted != m_mountedNames) {
        m_mountedNames = mounted;
        Q_EMIT mountedVolumesChanged();
    }
    if (busy != m_busyNames) {
        m_busyNames = busy;
        Q_EMIT busySharesChanged();
    }
}

} // namespace tarnwick
