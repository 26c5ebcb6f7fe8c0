// Share listing against the loopback Samba rig in a private network namespace; the keyring
// figure needs tests/support/session-env.sh as well:
//   tests/support/private-netns.sh tests/support/smbd-rig.sh tests/support/session-env.sh
//       build/bench/tarnwick_bench --benchmark_filter=ShareList
#include "discovery/keychain_credentials.h"
#include "platform/linux/secret_service_store.h"
#include "platform/linux/smbclient_share_lister.h"

#include <benchmark/benchmark.h>

using namespace tarnwick;

namespace {

bool haveServer(benchmark::State& state)
{
    if (qEnvironmentVariableIsEmpty("TARNWICK_SMB_HOST")) {
        state.SkipWithError("run under tests/support/smbd-rig.sh");
        return false;
    }
    return true;
}

Credentials serverLogin(bool right)
{
    const QString password = qEnvironmentVariable("TARNWICK_SMB_PASSWORD");
    return Credentials{qEnvironmentVariable("TARNWICK_SMB_USER"),
                       right ? password : password + QStringLiteral("-wrong"), QString()};
}

KeychainCredentials fixedLogin(std::optional<Credentials> login)
{
    return KeychainCredentials([login](const QString&) { return login; });
}

} // namespace

// One smbclient run per attempt: 0 = stored login, 1 = guest, 2 = anonymous.
static void BM_ShareListAttempt(benchmark::State& state)
{
    if (!haveServer(state))
        return;
    const SmbclientShareLister lister(fixedLogin(std::nullopt));
    const auto attempt =
        SmbclientShareLister::attempts(qEnvironmentVariable("TARNWICK_SMB_HOST"), serverLogin(true))
            .at(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(lister.run(attempt));
}
BENCHMARK(BM_ShareListAttempt)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A whole listShares: 0 = the stored login works (one run), 1 = it is refused (login, then
// guest), 2 = nothing stored (guest), 3 = nothing listens (guest, anonymous).
static void BM_ShareListWhole(benchmark::State& state)
{
    if (!haveServer(state))
        return;
    const int scenario = int(state.range(0));
    std::optional<Credentials> login;
    if (scenario < 2)
        login = serverLogin(scenario == 0);
    const SmbclientShareLister lister(fixedLogin(login));
    const QString host =
        scenario == 3 ? QStringLiteral("127.0.0.2") : qEnvironmentVariable("TARNWICK_SMB_HOST");
    for (auto _ : state)
        benchmark::DoNotOptimize(lister.listShares(host));
}
BENCHMARK(BM_ShareListWhole)->DenseRange(0, 3)->Unit(benchmark::kMillisecond)->UseRealTime();

// The keyring part of a listing with nothing stored: three Secret Service searches.
static void BM_ShareListKeyringMiss(benchmark::State& state)
{
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")) {
        state.SkipWithError("run under tests/support/session-env.sh");
        return;
    }
    const KeychainCredentials credentials(&SecretServiceStore::find);
    for (auto _ : state)
        benchmark::DoNotOptimize(credentials.find(QStringLiteral("nothing.stored.example")));
}
BENCHMARK(BM_ShareListKeyringMiss)->Unit(benchmark::kMillisecond)->UseRealTime();
