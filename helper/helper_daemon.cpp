#include "helper_daemon.h"

#include "helper_log.h"
#include "helper_names.h"
#include "tarnwickhelperadaptor.h"

#include <QDBusConnectionInterface>

namespace tarnwick::helper {

HelperDaemon::HelperDaemon(const QDBusConnection& bus, const QString& volumesRoot,
                           std::chrono::milliseconds idleTimeout, QObject* parent)
    : QObject(parent)
    , m_bus(bus)
    , m_tracker(bus)
    , m_service(DirectoryRemover(RemovalRule(volumesRoot)), &m_tracker)
{
    new TarnwickHelperAdaptor(&m_service); // owned by m_service
    m_idle.setSingleShot(true);
    m_idle.setInterval(idleTimeout);
    connect(&m_idle, &QTimer::timeout, this, &HelperDaemon::idleExpired);
    // A connected client stops the clock; the last one leaving starts it afresh.
    connect(&m_tracker, &ClientTracker::busy, &m_idle, &QTimer::stop);
    connect(&m_tracker, &ClientTracker::idle, &m_idle, qOverload<>(&QTimer::start));
}

void HelperDaemon::idleExpired()
{
    if (m_tracker.hasClients())
        return;
    HelperLog::info(QStringLiteral("Idle, exiting"));
    // The name goes first, so that a request from now on starts a new helper; one that is
    // already on its way to us is still answered before the event loop ends.
    m_bus.interface()->unregisterService(kServiceName.toString());
    QMetaObject::invokeMethod(this, &HelperDaemon::finished, Qt::QueuedConnection);
}

bool HelperDaemon::start()
{
    if (!m_bus.isConnected()) {
        HelperLog::error(QStringLiteral("cannot reach the system bus: ") +
                         m_bus.lastError().message());
        return false;
    }
    m_bus.connect(QString(), QStringLiteral("/org/freedesktop/DBus/Local"),
                  QStringLiteral("org.freedesktop.DBus.Local"), QStringLiteral("Disconnected"),
                  this, SLOT(busDisconnected()));
    // The object first: a request that started us is delivered as soon as we own the name.
    if (!m_bus.registerObject(kObjectPath.toString(), &m_service,
                              QDBusConnection::ExportAdaptors)) {
        HelperLog::error(QStringLiteral("cannot export ") + kObjectPath.toString());
        return false;
    }
    const auto reply = m_bus.interface()->registerService(
        kServiceName.toString(), QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    if (reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        const QString why =
            reply.error().isValid() ? reply.error().message() : QStringLiteral("the name is taken");
        HelperLog::error(QStringLiteral("cannot own ") + kServiceName.toString() +
                         QStringLiteral(": ") + why);
        return false;
    }
    HelperLog::info(QStringLiteral("TarnwickHelper started, listening on ") +
                    kServiceName.toString());
    m_idle.start();
    return true;
}

void HelperDaemon::busDisconnected()
{
    HelperLog::error(QStringLiteral("Connection interrupted"));
    Q_EMIT finished();
}

} // namespace tarnwick::helper
