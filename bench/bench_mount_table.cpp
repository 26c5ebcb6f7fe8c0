#include "mount/tool_run.h"
#include "platform/macos/mac_mount_table.h"

#include <benchmark/benchmark.h>

using namespace tarnwick;

static QString table(int lines)
{
    QString text;
    for (int i = 0; i < lines; ++i) {
        if (i % 4 == 0)
            text += QStringLiteral("/dev/disk%1 on /System/Volumes/x%1 (apfs, local, journaled)\n")
                        .arg(i);
        else
            text += QStringLiteral("//user@server/Share%1 on /Volumes/Share%1-%2 (smbfs, nodev, "
                                   "nosuid, mounted by user)\n")
                        .arg(i)
                        .arg(i % 3);
    }
    return text;
}

// Parsing a 1,000-line mount table into the mounted-name set.
static void BM_MountedShareNames1000(benchmark::State& state)
{
    const QString text = table(1000);
    for (auto _ : state)
        benchmark::DoNotOptimize(MacMountTable::shareNames(MacMountTable::parseSmbMounts(text)));
}
BENCHMARK(BM_MountedShareNames1000)->Unit(benchmark::kMicrosecond);

// One whole runTool of a trivial tool, both streams captured.
static void BM_RunToolTrue(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(
            runTool(QStringLiteral("/bin/true"), {}, ToolStream::Capture, ToolStream::Capture));
}
BENCHMARK(BM_RunToolTrue)->Unit(benchmark::kMillisecond);
