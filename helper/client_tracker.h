#pragma once

#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QObject>

namespace tarnwick::helper {

// Follows the clients the helper talks to. A client's first request opens its connection
// ("Received new connection request", "Connection configured and resumed"); the client
// leaving the bus invalidates it ("Connection invalidated"). This is connection state only:
// nothing about requests is kept. Main thread.
class ClientTracker : public QObject {
    Q_OBJECT
public:
    explicit ClientTracker(const QDBusConnection& bus, QObject* parent = nullptr);

    // sender: the caller's unique bus name (":1.42").
    void noteRequest(const QString& sender);
    bool hasClients() const { return !m_watcher.watchedServices().isEmpty(); }

Q_SIGNALS:
    // A request came in (busy), or the last open connection went (idle).
    void busy();
    void idle();

private:
    void clientGone(const QString& sender);

    QDBusConnection m_bus;
    QDBusServiceWatcher m_watcher; // its watched names are the open connections
};

} // namespace tarnwick::helper
