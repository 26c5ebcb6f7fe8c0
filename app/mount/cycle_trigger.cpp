#include "mount/cycle_trigger.h"

#include "mount/mount_manager.h"
#include "mount/system_events.h"

#include <algorithm>
#include <utility>

namespace tarnwick {

CycleTrigger::CycleTrigger(MountManager& manager, SystemEvents& events, EventTiming timing)
    : QObject(&manager)
    , m_manager(manager)
    , m_events(&events)
{
    for (auto [timer, delay] : {std::pair{&m_settle, timing.settleDelay},
                                std::pair{&m_resumeWait, timing.resumeNetworkWait}}) {
        timer->setSingleShot(true);
        timer->setTimerType(Qt::PreciseTimer);
        timer->setInterval(delay);
    }
    connect(&m_settle, &QTimer::timeout, this, &CycleTrigger::fire);
    connect(&m_resumeWait, &QTimer::timeout, this, &CycleTrigger::request);
    connect(&manager, &MountManager::cycleStarted, this, [this] { ++m_running; });
    connect(&manager, &MountManager::cycleFinished, this, &CycleTrigger::cycleEnded);
    connect(&events, &SystemEvents::resumed, this, &CycleTrigger::requestAfterResume);
    connect(&events, &SystemEvents::networkChanged, this, [this] {
        // The network a wake-up waits for is here: no need to wait any longer.
        m_resumeWait.stop();
        request();
    });
}

void CycleTrigger::request()
{
    if (!m_settle.isActive())
        m_settle.start();
}

void CycleTrigger::requestAfterResume()
{
    if (!m_events || m_events->networkUsable())
        request();
    else
        m_resumeWait.start();
}

void CycleTrigger::fire()
{
    if (m_running > 0)
        m_again = true; // what changed may have come too late for the running cycle
    else
        m_manager.mountAll();
}

void CycleTrigger::cycleEnded()
{
    m_running = std::max(0, m_running - 1);
    if (m_running == 0 && m_again) {
        m_again = false;
        m_manager.mountAll();
    }
}

} // namespace tarnwick
