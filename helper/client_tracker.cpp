#include "client_tracker.h"

#include "helper_log.h"

#include <QDBusConnectionInterface>

namespace tarnwick::helper {

ClientTracker::ClientTracker(const QDBusConnection& bus, QObject* parent)
    : QObject(parent)
    , m_bus(bus)
    , m_watcher(QString(), bus, QDBusServiceWatcher::WatchForUnregistration)
{
    connect(&m_watcher, &QDBusServiceWatcher::serviceUnregistered, this,
            &ClientTracker::clientGone);
    // The constructor watches the name it was given, even an empty one.
    m_watcher.setWatchedServices({});
}

void ClientTracker::noteRequest(const QString& sender)
{
    if (!sender.isEmpty() && !m_watcher.watchedServices().contains(sender)) {
        HelperLog::info(QStringLiteral("Received new connection request"));
        m_watcher.addWatchedService(sender);
        HelperLog::info(QStringLiteral("Connection configured and resumed"));
        // The client may have left before the watch reached the bus; unique names never come
        // back, so a client that is already gone would otherwise stay listed for ever.
        if (!m_bus.interface()->isServiceRegistered(sender).value())
            clientGone(sender);
    }
    if (hasClients())
        Q_EMIT busy();
    else
        Q_EMIT idle(); // a request counts as activity all the same
}

void ClientTracker::clientGone(const QString& sender)
{
    if (!m_watcher.removeWatchedService(sender))
        return;
    HelperLog::error(QStringLiteral("Connection invalidated"));
    if (!hasClients())
        Q_EMIT idle();
}

} // namespace tarnwick::helper
