#pragma once

#include "client_tracker.h"
#include "helper_service.h"

#include <QDBusConnection>
#include <QObject>

namespace tarnwick::helper {

// The running helper: its service object exported on the bus under the well-known name.
// Losing the bus ends the helper ("Connection interrupted", then finished()): the bus starts
// a fresh one on the next request, and a root process without a bus must not linger.
// Main thread.
class HelperDaemon : public QObject {
    Q_OBJECT
public:
    HelperDaemon(const QDBusConnection& bus, const QString& volumesRoot, QObject* parent = nullptr);

    // Exports the object and takes the name; false (logged) when either fails.
    bool start();

Q_SIGNALS:
    void finished();

private Q_SLOTS:
    void busDisconnected();

private:
    QDBusConnection m_bus;
    ClientTracker m_tracker;
    HelperService m_service;
};

} // namespace tarnwick::helper
