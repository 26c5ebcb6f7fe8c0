#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <chrono>

namespace tarnwick {

class MountManager;
class SystemEvents;

// The delays of event-driven cycles; the defaults are the product's.
struct EventTiming {
    // First event -> cycle. Lets a burst of events (a Wi-Fi switch brings several) end,
    // and the new connection's routes and DNS settle, before the servers are probed.
    std::chrono::milliseconds settleDelay{1'000};
    // Wake-up -> cycle at the latest while the network is still down.
    std::chrono::milliseconds resumeNetworkWait{10'000};
};

// Turns system events into early mount cycles of one manager, besides its own timers:
// events within the settle delay give one cycle; events while a cycle runs give at most one
// more after it. After a wake-up the cycle waits for a usable network, but no longer than
// resumeNetworkWait. A child of the manager; main thread.
class CycleTrigger : public QObject {
    Q_OBJECT

public:
    CycleTrigger(MountManager& manager, SystemEvents& events, EventTiming timing = {});

public Q_SLOTS:
    // A cycle after the settle delay, merged with every other request until it starts.
    void request();
    void requestAfterResume();

private:
    void fire();
    void cycleEnded();

    MountManager& m_manager;
    QPointer<SystemEvents> m_events;
    QTimer m_settle;
    QTimer m_resumeWait;
    int m_running = 0;
    bool m_again = false;
};

} // namespace tarnwick
