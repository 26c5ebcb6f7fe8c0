#pragma once

#include "client_tracker.h"
#include "helper_service.h"

#include <QDBusConnection>
#include <QObject>
#include <QTimer>

#include <chrono>

namespace tarnwick::helper {

// The running helper: its service object exported on the bus under the well-known name.
// Losing the bus ends the helper ("Connection interrupted", then finished()): the bus starts
// a fresh one on the next request, and a root process without a bus must not linger. So
// does idleTimeout without a request and without a client connected ("Idle, exiting").
// Main thread.
class HelperDaemon : public QObject {
    Q_OBJECT
public:
    HelperDaemon(const QDBusConnection& bus, const QString& volumesRoot,
                 std::chrono::milliseconds idleTimeout, QObject* parent = nullptr);

    // Exports the object and takes the name; false (logged) when either fails.
    bool start();

Q_SIGNALS:
    void finished();

private Q_SLOTS:
    void busDisconnected();

private:
    void idleExpired();

    QDBusConnection m_bus;
    ClientTracker m_tracker;
    HelperService m_service;
    QTimer m_idle;
};

} // namespace tarnwick::helper
