#include "mount/mount_timing.h"

#include <QtGlobal>

namespace tarnwick {

MountTiming MountTiming::scaled(double factor) const
{
    const auto scale = [factor](std::chrono::milliseconds value) {
        return std::chrono::milliseconds(qRound64(double(value.count()) * factor));
    };
    MountTiming timing = *this;
    for (auto* delay : {&timing.startupDelay, &timing.firstCycleDelay, &timing.defaultInterval,
                        &timing.intervalUnit, &timing.refreshPeriod, &timing.wakePacketSpacing,
                        &timing.wakeProbeInterval, &timing.wakeLimit, &timing.unmountRetry})
        *delay = scale(*delay);
    for (auto& wait : timing.pollSchedule)
        wait = scale(wait);
    for (auto& wait : timing.readyChecks)
        wait = scale(wait);
    return timing;
}

} // namespace tarnwick
