#include "model/app_settings.h"
#include "model/share_store.h"
#include "mount/engine_log.h"
#include "mount/mount_manager.h"
#include "mount/share_mounts.h"
#include "mount/system_profile.h"

#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>
#include <mutex>

using namespace tarnwick;
using namespace std::chrono_literals;

namespace {

// Tools that cost nothing: every host answers, no keychain item, a mount request shows up
// in the table at once. What a cycle costs with it is the engine's own overhead.
class InstantProfile : public SystemProfile {
public:
    QString name() const override { return QStringLiteral("instant"); }
    QList<MountEntry> readSmbMounts() const override
    {
        std::lock_guard lock(m_mutex);
        ++m_reads;
        return m_mounts;
    }
    bool shows(const MountEntry& mount, const QString& host,
               const QString& shareName) const override
    {
        return mount.host == host && mount.share == shareName;
    }
    MountAttempt requestMount(const QString& host, const QString& share, const MountLogin&,
                              const RunLimits& = {}) const override
    {
        const QString mountPoint = QStringLiteral("/Volumes/") + share;
        std::lock_guard lock(m_mutex);
        m_mounts.append(MountEntry{QStringLiteral("//u@h/") + share + QStringLiteral(" on ") +
                                       mountPoint + QStringLiteral(" (smbfs)"),
                                   mountPoint,
                                   host,
                                   {},
                                   share});
        return {};
    }
    QString mountToolName() const override { return QStringLiteral("instant"); }
    bool mountRequestWaits() const override { return true; }
    int unmount(const QString&, const RunLimits& = {}) const override { return 0; }
    int detach(const MountEntry&) const override { return 0; }
    std::optional<Credentials> lookupKeychainCredentials(const QString&) const override
    {
        return std::nullopt;
    }
    std::optional<Credentials> storedLogin(const QString&) const override { return std::nullopt; }
    bool isHostReachable(const QString&) const override { return true; }

    void clear()
    {
        std::lock_guard lock(m_mutex);
        m_mounts.clear();
        m_reads = 0;
    }
    int reads() const
    {
        std::lock_guard lock(m_mutex);
        return m_reads;
    }

private:
    mutable std::mutex m_mutex;
    mutable int m_reads = 0;
    mutable QList<MountEntry> m_mounts;
};

MountTiming benchTiming()
{
    MountTiming timing;
    timing.startupDelay = 24h;
    timing.defaultInterval = 24h;
    timing.refreshPeriod = 24h;
    timing.pollSchedule = QList<std::chrono::milliseconds>(8, 0ms);
    return timing;
}

void discardLine(const QString&) {}

// Runs the event loop until condition holds, re-checking whenever a published set changes.
template <typename Condition> void runUntil(MountManager& manager, Condition condition)
{
    QEventLoop loop;
    const auto check = [&] {
        if (condition())
            loop.quit();
    };
    QObject::connect(&manager, &MountManager::busySharesChanged, &loop, check);
    QObject::connect(&manager, &MountManager::mountedVolumesChanged, &loop, check);
    if (!condition())
        loop.exec();
}

// Times one mount cycle per iteration, each until the manager says it has ended.
void timeCycles(benchmark::State& state, MountManager& manager)
{
    int finished = 0;
    QObject::connect(&manager, &MountManager::cycleFinished, [&] { ++finished; });
    for (auto _ : state) {
        const int before = finished;
        QEventLoop loop;
        QObject::connect(&manager, &MountManager::cycleFinished, &loop, &QEventLoop::quit);
        manager.mountAll();
        if (finished == before)
            loop.exec();
    }
}

struct Fixture {
    QTemporaryDir dir;
    std::unique_ptr<QSettings> settings = AppSettings::open(dir.filePath(QStringLiteral("b.conf")));
    ShareStore store{*settings};

    Fixture(int servers, int sharesEach)
    {
        QList<Server> list;
        for (int s = 0; s < servers; ++s) {
            Server server =
                Server::create(QStringLiteral("S%1").arg(s), QStringLiteral("h%1").arg(s));
            for (int i = 0; i < sharesEach; ++i)
                server.shares.append(Share::create(QStringLiteral("Share%1-%2x").arg(s).arg(i)));
            list.append(server);
        }
        store.setServers(list);
    }
};

} // namespace

// One whole cycle: 200 servers x 5 shares, every share mounted (1,000 mounts), with tools
// that take no time. Per iteration: mountAll until every share is published as mounted.
static void BM_CycleEngineOverhead200x5(benchmark::State& state)
{
    const LogHandler previous = setLogHandler(&discardLine);
    Fixture fixture(200, 5);
    auto profile = std::make_shared<InstantProfile>();
    double signals = 0, reads = 0;
    for (auto _ : state) {
        state.PauseTiming();
        profile->clear();
        MountManager manager(fixture.store, profile, *fixture.settings, nullptr, benchTiming());
        QEventLoop settle; // the start-up table read
        QTimer::singleShot(50, &settle, &QEventLoop::quit);
        settle.exec();
        const int readsBefore = profile->reads();
        int emitted = 0;
        for (const auto signal :
             {&MountManager::mountedVolumesChanged, &MountManager::busySharesChanged})
            QObject::connect(&manager, signal, [&] { ++emitted; });
        QObject::connect(&manager, &MountManager::shareStatusesChanged, [&] { ++emitted; });
        state.ResumeTiming();

        manager.mountAll();
        runUntil(manager, [&] {
            return manager.busyShares().isEmpty() && manager.mountedVolumes().size() == 1000;
        });
        signals += emitted / 1000.0;
        reads += (profile->reads() - readsBefore) / 1000.0;
    }
    // Per mounted share: change signals of the manager and mount-table reads.
    state.counters["signals/share"] = signals / double(state.iterations());
    state.counters["reads/share"] = reads / double(state.iterations());
    setLogHandler(previous);
}
BENCHMARK(BM_CycleEngineOverhead200x5)->Unit(benchmark::kMillisecond)->UseRealTime();

// A cycle that finds all 1,000 shares mounted: the table read, 200 pings, no mounts.
static void BM_CycleAllMounted200x5(benchmark::State& state)
{
    Fixture fixture(200, 5);
    auto profile = std::make_shared<InstantProfile>();
    for (const Server& server : fixture.store.servers()) {
        for (const Share& share : server.shares)
            profile->requestMount(server.host, share.name, {});
    }
    MountManager manager(fixture.store, profile, *fixture.settings, nullptr, benchTiming());
    timeCycles(state, manager);
}
BENCHMARK(BM_CycleAllMounted200x5)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Matching a table of 1,000 mounts to 1,000 configured shares, as every table read does.
static void BM_MatchTable200x5(benchmark::State& state)
{
    Fixture fixture(200, 5);
    InstantProfile profile;
    for (const Server& server : fixture.store.servers()) {
        for (const Share& share : server.shares)
            profile.requestMount(server.host, share.name, {});
    }
    const QList<MountEntry> mounts = profile.readSmbMounts();
    for (auto _ : state)
        benchmark::DoNotOptimize(ShareMounts::match(profile, fixture.store.servers(), mounts));
}
BENCHMARK(BM_MatchTable200x5)->Unit(benchmark::kMicrosecond);
