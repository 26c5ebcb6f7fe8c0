#include "helperclient/helper_client.h"

#include "helper_names.h"
#include "helperclient/helper_connection.h"
#include "mount/engine_log.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QThread>

namespace tarnwick {

HelperClient::HelperClient(QString busAddress, QObject* parent)
    : QObject(parent)
    , m_busAddress(std::move(busAddress))
{
}

HelperClient::~HelperClient()
{
    delete m_connection.data();
}

HelperClient& HelperClient::shared()
{
    static HelperClient* const instance = [] {
        auto* client = new HelperClient();
        if (auto* app = QCoreApplication::instance())
            client->moveToThread(app->thread());
        return client;
    }();
    return *instance;
}

HelperProxy HelperClient::proxy(HelperProxy::ErrorHandler onError)
{
    if (m_connection && !m_connection->isOpen()) {
        // Dropped without a word (the bus went away before its signal reached us).
        m_connection->disconnect(this);
        m_connection->deleteLater();
        m_connection = nullptr;
    }
    if (!m_connection) {
        m_connection = new HelperConnection(m_busAddress, this);
        connect(m_connection, &HelperConnection::invalidated, this,
                &HelperClient::connectionInvalidated);
    }
    return HelperProxy(m_connection, std::move(onError));
}

void HelperClient::connectionInvalidated()
{
    auto* connection = qobject_cast<HelperConnection*>(sender());
    if (!connection)
        return;
    if (connection == m_connection)
        m_connection = nullptr;
    // Not deleted in its own signal; proxies still holding it fail their requests.
    connection->deleteLater();
}

HelperClient::DaemonStatus HelperClient::daemonStatus(QString* reason) const
{
    const QString name = QStringLiteral("tarnwick-helper-status");
    DaemonStatus status = DaemonStatus::NotFound;
    QString why;
    {
        const QDBusConnection bus =
            m_busAddress.isEmpty() ? QDBusConnection::connectToBus(QDBusConnection::SystemBus, name)
                                   : QDBusConnection::connectToBus(m_busAddress, name);
        const QString service = helper::kServiceName.toString();
        if (!bus.isConnected()) {
            why = QStringLiteral("cannot reach the system bus: ") + bus.lastError().message();
        } else {
            const auto activatable = bus.interface()->activatableServiceNames();
            const auto running = bus.interface()->isServiceRegistered(service);
            if (activatable.value().contains(service) || running.value())
                status = DaemonStatus::Enabled;
            else
                why = service +
                      QStringLiteral(" is not installed on the system bus; install "
                                     "tarnwick-helper with its D-Bus service and policy files "
                                     "as root (sudo cmake --install <build dir>)");
        }
    }
    QDBusConnection::disconnectFromBus(name);
    if (reason)
        *reason = why;
    return status;
}

void HelperClient::registerDaemon()
{
    QString reason;
    switch (daemonStatus(&reason)) {
    case DaemonStatus::Enabled:
        writeLogLine(QStringLiteral("[HelperClient] Daemon already running"));
        break;
    case DaemonStatus::NotFound:
        writeLogLine(QStringLiteral("[HelperClient] Registration failed: ") + reason);
        break;
    }
}

} // namespace tarnwick
