#include "helperclient/helper_connection.h"

#include "helper_names.h"
#include "tarnwickhelperproxy.h"

#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QTimer>

#include <atomic>

namespace tarnwick {

namespace {

QDBusConnection openBus(const QString& address, const QString& name)
{
    if (address.isEmpty())
        return QDBusConnection::connectToBus(QDBusConnection::SystemBus, name);
    return QDBusConnection::connectToBus(address, name);
}

QString connectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("tarnwick-helper-%1").arg(++counter);
}

} // namespace

QString HelperConnection::describe(const QDBusError& error)
{
    return error.message().isEmpty() ? error.name() : error.message();
}

HelperConnection::HelperConnection(const QString& busAddress, QObject* parent)
    : QObject(parent)
    , m_name(connectionName())
    , m_bus(openBus(busAddress, m_name))
    , m_remote(std::make_unique<TarnwickHelperProxy>(helper::kServiceName.toString(),
                                                     helper::kObjectPath.toString(), m_bus))
    , m_ownerWatch(new QDBusServiceWatcher(helper::kServiceName.toString(), m_bus,
                                           QDBusServiceWatcher::WatchForUnregistration, this))
{
    connect(m_ownerWatch, &QDBusServiceWatcher::serviceUnregistered, this, [this] {
        invalidate(QStringLiteral("The connection to %1 was invalidated: the helper exited.")
                       .arg(helper::kServiceName));
    });
    m_bus.connect(QString(), QStringLiteral("/org/freedesktop/DBus/Local"),
                  QStringLiteral("org.freedesktop.DBus.Local"), QStringLiteral("Disconnected"),
                  this, SLOT(busDisconnected()));
}

HelperConnection::~HelperConnection()
{
    failPending(QStringLiteral("The connection to %1 was closed.").arg(helper::kServiceName));
    m_remote.reset();
    delete m_ownerWatch;
    m_bus = QDBusConnection(QString());
    QDBusConnection::disconnectFromBus(m_name);
}

bool HelperConnection::isOpen() const
{
    return m_invalidReason.isEmpty() && m_bus.isConnected();
}

QString HelperConnection::uniqueName() const
{
    return m_bus.baseService();
}

void HelperConnection::call(const std::function<QDBusPendingCall(TarnwickHelperProxy&)>& send,
                            ReplyHandler onReply, ErrorHandler onError)
{
    // Nothing is sent over an invalidated connection, so a request meant for a helper that
    // died cannot reach the next one by accident.
    if (!m_invalidReason.isEmpty()) {
        failLater(std::move(onError), m_invalidReason);
        return;
    }
    const QDBusPendingCall pending = send(*m_remote);
    // Without a bus Qt hands back a call that is already over and that no watcher ever
    // reports; fail it here, or its caller would wait for ever.
    if (pending.isFinished() && pending.isError()) {
        failLater(std::move(onError), describe(pending.error()));
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(pending, this);
    m_pending.insert(watcher, Pending{std::move(onReply), std::move(onError)});
    connect(watcher, &QDBusPendingCallWatcher::finished, this, &HelperConnection::finished);
}

void HelperConnection::failLater(ErrorHandler onError, const QString& reason)
{
    QTimer::singleShot(0, [onError = std::move(onError), reason] { onError(reason); });
}

void HelperConnection::finished(QDBusPendingCallWatcher* watcher)
{
    const auto it = m_pending.find(watcher);
    if (it == m_pending.end())
        return;
    const Pending pending = std::move(*it);
    m_pending.erase(it);
    watcher->deleteLater();
    if (watcher->isError()) {
        pending.onError(describe(watcher->error()));
        return;
    }
    const QString malformed = pending.onReply(*watcher);
    if (!malformed.isEmpty())
        pending.onError(malformed);
}

void HelperConnection::busDisconnected()
{
    invalidate(QStringLiteral("The connection to the bus was lost."));
}

void HelperConnection::invalidate(const QString& reason)
{
    if (!m_invalidReason.isEmpty())
        return;
    m_invalidReason = reason;
    failPending(reason);
    Q_EMIT invalidated();
}

void HelperConnection::failPending(const QString& reason)
{
    // Taken out first: an error handler may send again or drop the last reference to us.
    const auto pending = std::exchange(m_pending, {});
    for (auto it = pending.begin(); it != pending.end(); ++it) {
        it.key()->disconnect(this);
        it.key()->deleteLater();
    }
    for (const Pending& call : pending)
        call.onError(reason);
}

} // namespace tarnwick
