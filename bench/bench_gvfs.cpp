#include "model/app_settings.h"
#include "model/share_store.h"
#include "mount/mount_manager.h"
#include "mount/smb_volume_unmount.h"
#include "platform/linux/gvfs_profile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <benchmark/benchmark.h>

using namespace tarnwick;
using namespace std::chrono_literals;

// Both need a GVFS session with a Samba server: bench/gvfs-bench.sh sets them up.

// The 5-second refresh on the main thread: the mounted-name set from the GVFS mount tracker.
static void BM_GvfsMountedShareNames(benchmark::State& state)
{
    const GvfsProfile profile;
    const qsizetype mounts = profile.readSmbMounts().size();
    if (mounts < state.range(0)) {
        state.SkipWithError("too few GVFS SMB mounts (run bench/gvfs-bench.sh)");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(profile.readSmbMounts());
    state.counters["mounts"] = double(mounts);
}
BENCHMARK(BM_GvfsMountedShareNames)->Arg(20)->Unit(benchmark::kMillisecond);

// From mountAll to the share in mountedVolumes, for a guest share on a loopback server:
// ping, Secret Service lookup, gio mount, then the poll. Arg 1: the real poll (first check
// after 1 s); arg 0: checks every 10 ms, which leaves the mount's own cost.
static void BM_GvfsMountAllToMounted(benchmark::State& state)
{
    const QString host = qEnvironmentVariable("TARNWICK_SMB_HOST");
    if (host.isEmpty()) {
        state.SkipWithError("no Samba server (run bench/gvfs-bench.sh)");
        return;
    }
    const auto profile = std::make_shared<GvfsProfile>();
    MountTiming timing;
    timing.startupDelay = 1h;
    timing.defaultInterval = 1h;
    timing.refreshPeriod = 1h;
    if (state.range(0) == 0)
        timing.pollSchedule = QList<std::chrono::milliseconds>(8, 10ms);
    QTemporaryDir dir;
    auto settings = AppSettings::open(dir.filePath(QStringLiteral("tarnwick.conf")));
    ShareStore store(*settings);
    Server server = Server::create(QStringLiteral("Bench"), host);
    server.shares.append(Share::create(QStringLiteral("Public")));
    store.addServer(server);

    for (auto _ : state) {
        MountManager manager(store, profile, *settings, nullptr, timing);
        QElapsedTimer clock;
        clock.start();
        manager.mountAll();
        while (!manager.mountedVolumes().contains(QStringLiteral("public")) &&
               clock.elapsed() < 60'000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        while (!manager.busyShares().isEmpty())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        unmountAllSmbVolumes(*profile);
    }
}
BENCHMARK(BM_GvfsMountAllToMounted)
    ->Arg(1)
    ->Arg(0)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

// gio's own time for the mount that BM_GvfsMountAllToMounted makes, for comparison.
static void BM_GvfsGioMountAlone(benchmark::State& state)
{
    const QString host = qEnvironmentVariable("TARNWICK_SMB_HOST");
    if (host.isEmpty()) {
        state.SkipWithError("no Samba server (run bench/gvfs-bench.sh)");
        return;
    }
    const GvfsProfile profile;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        profile.requestMount(host, QStringLiteral("Public"), {});
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        unmountAllSmbVolumes(profile);
    }
}
BENCHMARK(BM_GvfsGioMountAlone)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// One cycle over 20 servers that drop every packet (10.99.0.0/24 routed into lo by
// gvfs-bench.sh): from mountAll until all 20 read as unreachable. Probes run at once.
static void BM_GvfsProbeSilentHosts(benchmark::State& state)
{
    if (qEnvironmentVariableIsEmpty("TARNWICK_NETNS")) {
        state.SkipWithError("needs the silent hosts of bench/gvfs-bench.sh");
        return;
    }
    const auto profile = std::make_shared<GvfsProfile>();
    MountTiming timing;
    timing.startupDelay = timing.defaultInterval = timing.refreshPeriod = 1h;
    QTemporaryDir dir;
    auto settings = AppSettings::open(dir.filePath(QStringLiteral("tarnwick.conf")));
    ShareStore store(*settings);
    for (int i = 1; i <= 20; ++i) {
        Server server =
            Server::create(QStringLiteral("S%1").arg(i), QStringLiteral("10.99.0.%1").arg(i));
        server.shares.append(Share::create(QStringLiteral("Share%1").arg(i)));
        store.addServer(server);
    }
    const auto allUnreachable = [](const MountManager& m) {
        const ShareStatusMap& statuses = m.shareStatuses();
        return statuses.size() == 20 &&
               std::all_of(statuses.begin(), statuses.end(), [](const ShareStatus& status) {
                   return status.reason == ShareStatus::Reason::ServerUnreachable;
               });
    };
    for (auto _ : state) {
        MountManager manager(store, profile, *settings, nullptr, timing);
        QElapsedTimer clock;
        clock.start();
        manager.mountAll();
        while (!allUnreachable(manager) && clock.elapsed() < 60'000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
    }
}
BENCHMARK(BM_GvfsProbeSilentHosts)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
