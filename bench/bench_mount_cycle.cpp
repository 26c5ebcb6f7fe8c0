#include "model/app_settings.h"
#include "model/share_store.h"
#include "mount/engine_log.h"
#include "mount/mount_manager.h"
#include "platform/macos/mac_tool_profile.h"

#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>

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
        return m_mounts;
    }
    bool mountsNumberedDuplicates() const override { return true; }
    MountAttempt requestMount(const QString&, const QString& share,
                              const std::optional<Credentials>&,
                              const RunLimits& = {}) const override
    {
        const QString mountPoint = QStringLiteral("/Volumes/") + share;
        std::lock_guard lock(m_mutex);
        m_mounts.append(MountEntry{QStringLiteral("//u@h/") + share + QStringLiteral(" on ") +
                                       mountPoint + QStringLiteral(" (smbfs)"),
                                   mountPoint, QStringLiteral("h")});
        return {};
    }
    QString mountToolName() const override { return QStringLiteral("instant"); }
    bool mountRequestWaits() const override { return true; }
    int unmount(const QString&, const RunLimits& = {}) const override { return 0; }
    int detach(const MountEntry&) const override { return 0; }
    QString volumesRoot() const override { return QString(); }
    int removeEmptyDirectory(const QString&) const override { return 1; }
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
    }

private:
    mutable std::mutex m_mutex;
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

// Times action once per iteration, each until the manager has published its table again.
void timePublications(benchmark::State& state, MountManager& manager,
                      void (MountManager::*action)())
{
    int published = 0;
    QObject::connect(&manager, &MountManager::mountedVolumesChanged, [&] { ++published; });
    for (auto _ : state) {
        const int before = published;
        (manager.*action)();
        runUntil(manager, [&] { return published > before; });
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
    for (auto _ : state) {
        state.PauseTiming();
        profile->clear();
        MountManager manager(fixture.store, profile, *fixture.settings, nullptr, benchTiming());
        runUntil(manager, [&] { return manager.mountedVolumes().isEmpty(); });
        state.ResumeTiming();

        manager.mountAll();
        runUntil(manager, [&] {
            return manager.busyShares().isEmpty() && manager.mountedVolumes().size() == 1000;
        });
    }
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
            profile->requestMount(server.host, share.name, std::nullopt);
    }
    MountManager manager(fixture.store, profile, *fixture.settings, nullptr, benchTiming());
    timePublications(state, manager, &MountManager::mountAll);
}
BENCHMARK(BM_CycleAllMounted200x5)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The 5-second refresh on the main thread: run the mount tool, parse, publish. The tool is
// a script that cats itself (one exec, like the real binary) holding `lines` SMB mounts.
static void BM_RefreshMacTool(benchmark::State& state)
{
    QTemporaryDir root;
    QDir().mkpath(root.filePath(QStringLiteral("sbin")));
    QFile tool(root.filePath(QStringLiteral("sbin/mount")));
    if (!tool.open(QIODevice::WriteOnly))
        state.SkipWithError("cannot write the mount tool");
    tool.write("#!/bin/cat\n");
    for (int i = 0; i < state.range(0); ++i)
        tool.write(
            QStringLiteral("//u@h/S%1 on /Volumes/S%1 (smbfs, nodev, nosuid, mounted by u)\n")
                .arg(i)
                .toUtf8());
    tool.close();
    tool.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QTemporaryDir dir;
    auto settings = AppSettings::open(dir.filePath(QStringLiteral("b.conf")));
    ShareStore store(*settings);
    MountManager manager(store, std::make_shared<MacToolProfile>(root.path()), *settings, nullptr,
                         benchTiming());
    timePublications(state, manager, &MountManager::refreshMountedVolumes);
    if (manager.mountedVolumes().size() != state.range(0))
        state.SkipWithError("the table was not read");
}
BENCHMARK(BM_RefreshMacTool)->Arg(5)->Arg(200)->Unit(benchmark::kMicrosecond)->UseRealTime();

// The refresh without the tool: parse nothing, publish a 1,000-name set through the queue.
static void BM_RefreshEngineOnly1000(benchmark::State& state)
{
    Fixture fixture(0, 0);
    auto profile = std::make_shared<InstantProfile>();
    for (int i = 0; i < 1000; ++i)
        profile->requestMount(QString(), QStringLiteral("S%1").arg(i), std::nullopt);
    MountManager manager(fixture.store, profile, *fixture.settings, nullptr, benchTiming());
    timePublications(state, manager, &MountManager::refreshMountedVolumes);
}
BENCHMARK(BM_RefreshEngineOnly1000)->Unit(benchmark::kMicrosecond)->UseRealTime();
