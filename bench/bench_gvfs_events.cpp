#include "model/app_settings.h"
#include "model/share_store.h"
#include "mount/mount_manager.h"
#include "mount/smb_volume_unmount.h"
#include "mount/system_event_wiring.h"
#include "mount/system_events.h"
#include "platform/linux/gvfs_profile.h"
#include "platform/linux/linux_system_events.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace tarnwick;
using namespace std::chrono_literals;

// Both need a GVFS session with a Samba server: bench/gvfs-bench.sh sets them up.

namespace {

struct GvfsFixture {
    QString host = qEnvironmentVariable("TARNWICK_SMB_HOST");
    std::shared_ptr<GvfsProfile> profile = std::make_shared<GvfsProfile>();
    QTemporaryDir dir;
    std::unique_ptr<QSettings> settings = AppSettings::open(dir.filePath(QStringLiteral("b.conf")));
    ShareStore store{*settings};

    GvfsFixture()
    {
        Server server = Server::create(QStringLiteral("Bench"), host);
        server.shares.append(Share::create(QStringLiteral("Public")));
        store.addServer(server);
    }
    // The engine's timers out of the way: only the event starts a cycle.
    static MountTiming quiet()
    {
        MountTiming timing;
        timing.startupDelay = timing.defaultInterval = timing.refreshPeriod = 1h;
        return timing;
    }
};

template <typename Condition> void turnUntil(Condition condition)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition() && clock.elapsed() < 60'000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

} // namespace

// From a network change (what NetworkManager's signal becomes) to the share in
// mountedVolumes, for a guest share on a loopback server, with the product's settle delay:
// settle, ping, Secret Service lookup, gio mount, the poll. Arg 1: the real poll (first check
// after 1 s); arg 0: checks every 10 ms, which leaves the settle delay and the mount's cost.
static void BM_GvfsNetworkChangeToMounted(benchmark::State& state)
{
    GvfsFixture fixture;
    if (fixture.host.isEmpty()) {
        state.SkipWithError("no Samba server (run bench/gvfs-bench.sh)");
        return;
    }
    MountTiming timing = GvfsFixture::quiet();
    if (state.range(0) == 0)
        timing.pollSchedule = QList<std::chrono::milliseconds>(8, 10ms);
    for (auto _ : state) {
        MountManager manager(fixture.store, fixture.profile, *fixture.settings, nullptr, timing);
        SystemEvents events;
        wireSystemEvents(manager, events);
        QElapsedTimer clock;
        clock.start();
        Q_EMIT events.networkChanged();
        turnUntil([&] { return manager.mountedVolumes().contains(QStringLiteral("public")); });
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        turnUntil([&] { return manager.busyShares().isEmpty(); });
        unmountAllSmbVolumes(*fixture.profile);
    }
}
BENCHMARK(BM_GvfsNetworkChangeToMounted)
    ->Arg(1)
    ->Arg(0)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);

// `gio mount -u` from outside until mountedVolumes no longer holds the share, the table
// refreshed by the mount tracker's Unmounted signal. "gio" is the run time of gio itself.
static void BM_GvfsOutsideUnmountToTable(benchmark::State& state)
{
    GvfsFixture fixture;
    if (fixture.host.isEmpty()) {
        state.SkipWithError("no Samba server (run bench/gvfs-bench.sh)");
        return;
    }
    const QString location = QStringLiteral("smb://%1/public/").arg(fixture.host);
    MountManager manager(fixture.store, fixture.profile, *fixture.settings, nullptr,
                         GvfsFixture::quiet());
    LinuxSystemEvents events(QDBusConnection(QStringLiteral("no system bus")),
                             QDBusConnection::sessionBus());
    wireSystemEvents(manager, events);
    double gioSeconds = 0;
    for (auto _ : state) {
        QProcess::execute(QStringLiteral("gio"),
                          {QStringLiteral("mount"), QStringLiteral("-a"), location});
        turnUntil([&] { return manager.mountedVolumes().contains(QStringLiteral("public")); });
        QProcess gio;
        QElapsedTimer clock;
        clock.start();
        gio.start(QStringLiteral("gio"), {QStringLiteral("mount"), QStringLiteral("-u"), location});
        qint64 gioEnded = 0;
        QObject::connect(&gio, &QProcess::finished, [&] { gioEnded = clock.nsecsElapsed(); });
        turnUntil([&] { return !manager.mountedVolumes().contains(QStringLiteral("public")); });
        state.SetIterationTime(double(clock.nsecsElapsed()) / 1e9);
        gio.waitForFinished();
        QCoreApplication::processEvents();
        gioSeconds += double(gioEnded) / 1e9;
    }
    state.counters["gio_ms"] = benchmark::Counter(gioSeconds * 1e3 / double(state.iterations()));
}
BENCHMARK(BM_GvfsOutsideUnmountToTable)
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);
