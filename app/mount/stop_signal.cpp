#include "mount/stop_signal.h"

namespace tarnwick {

void StopSignal::stop()
{
    if (!m_stopped.exchange(true, std::memory_order_acq_rel))
        m_wake.release();
}

bool StopSignal::sleepFor(std::chrono::milliseconds duration) const
{
    if (stopped())
        return false;
    if (duration.count() <= 0)
        return true;
    if (!m_wake.tryAcquire(1, duration))
        return !stopped();
    m_wake.release();
    return false;
}

} // namespace tarnwick
