#pragma once

#include <QList>

#include <chrono>

namespace tarnwick {

// Every delay of the engine in one value, so tests can shorten them. The defaults are the
// product's real timings.
struct MountTiming {
    std::chrono::milliseconds startupDelay{10'000};     // construction -> start-up pass
    std::chrono::milliseconds firstCycleDelay{2'000};   // start-up pass -> first cycle
    std::chrono::milliseconds defaultInterval{120'000}; // when "mountInterval" is not > 0
    std::chrono::milliseconds intervalUnit{1'000};      // one unit of "mountInterval" (a second)
    std::chrono::milliseconds refreshPeriod{5'000};     // mount-table refresh timer
    // Waits before the eight checks of the mount table after a mount request (29 s).
    QList<std::chrono::milliseconds> pollSchedule{
        std::chrono::seconds(1), std::chrono::seconds(1), std::chrono::seconds(2),
        std::chrono::seconds(2), std::chrono::seconds(3), std::chrono::seconds(5),
        std::chrono::seconds(5), std::chrono::seconds(10)};
    // Waking a sleeping server: magic packets this far apart, then a look at its SMB port
    // every wakeProbeInterval until it answers or wakeLimit has passed since the first packet.
    int wakePackets = 3;
    std::chrono::milliseconds wakePacketSpacing{1'000};
    std::chrono::milliseconds wakeProbeInterval{2'000};
    std::chrono::milliseconds wakeLimit{90'000};
    // After a mount, its folder is read until it answers: a wait before each read (scaled),
    // and each read's deadline (not scaled: it bounds a read, it delays nothing). After a
    // remount gvfsd-fuse fails reads for a second or two (its cached view of the old mount),
    // so the checks span about four seconds.
    QList<std::chrono::milliseconds> readyChecks{
        std::chrono::milliseconds(0),    std::chrono::milliseconds(200),
        std::chrono::milliseconds(500),  std::chrono::milliseconds(1000),
        std::chrono::milliseconds(1000), std::chrono::milliseconds(1500)};
    std::chrono::milliseconds readyDeadline{3'000};
    // An unmount refused while the share is still mounted is asked once more after this: a
    // file closed a moment ago can keep a share busy for a second, and the user should not
    // have to click again.
    std::chrono::milliseconds unmountRetry{1'000};

    // Every delay multiplied by factor (> 0), so checks from outside need not wait the
    // 12 seconds before the first cycle.
    MountTiming scaled(double factor) const;
};

} // namespace tarnwick
