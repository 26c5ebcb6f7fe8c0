#pragma once

#include <QSemaphore>

#include <atomic>
#include <chrono>

namespace tarnwick {

// A one-way "stop now" flag that also wakes sleepers, so a worker in the middle of a long
// poll ends promptly when its owner goes away. Any thread.
class StopSignal {
public:
    // Raises the flag and wakes every current and future sleepFor.
    void stop();
    bool stopped() const { return m_stopped.load(std::memory_order_acquire); }
    // Sleeps for duration unless stopped first; true when the whole duration passed.
    bool sleepFor(std::chrono::milliseconds duration) const;

private:
    std::atomic<bool> m_stopped{false};
    // Holds one token once stopped; sleepers take it and put it back at once.
    mutable QSemaphore m_wake;
};

} // namespace tarnwick
