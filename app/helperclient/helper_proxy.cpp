#include "helperclient/helper_proxy.h"

#include "helperclient/helper_connection.h"
#include "mount/engine_log.h"
#include "tarnwickhelperproxy.h"

namespace tarnwick {

HelperProxy::HelperProxy(HelperConnection* connection, ErrorHandler onError)
    : m_connection(connection)
    , m_onError(std::move(onError))
{
}

std::function<void(const QString&)> HelperProxy::errorPath() const
{
    return [onError = m_onError](const QString& error) {
        writeLogLine(QStringLiteral("[HelperClient] XPC error: ") + error);
        if (onError)
            onError();
    };
}

void HelperProxy::removeDirectory(const QString& path, std::function<void(bool)> reply) const
{
    if (!m_connection) {
        HelperConnection::failLater(errorPath(), QStringLiteral("The connection was invalidated."));
        return;
    }
    m_connection->call(
        [&path](TarnwickHelperProxy& remote) { return remote.RemoveDirectory(path); },
        [reply = std::move(reply)](const QDBusPendingCall& call) {
            const QDBusPendingReply<bool> answer(call);
            if (answer.isError())
                return HelperConnection::describe(answer.error());
            reply(answer.value());
            return QString();
        },
        errorPath());
}

void HelperProxy::getVersion(std::function<void(const QString&)> reply) const
{
    if (!m_connection) {
        HelperConnection::failLater(errorPath(), QStringLiteral("The connection was invalidated."));
        return;
    }
    m_connection->call([](TarnwickHelperProxy& remote) { return remote.GetVersion(); },
                       [reply = std::move(reply)](const QDBusPendingCall& call) {
                           const QDBusPendingReply<QString> answer(call);
                           if (answer.isError())
                               return HelperConnection::describe(answer.error());
                           reply(answer.value());
                           return QString();
                       },
                       errorPath());
}

QString HelperProxy::connectionName() const
{
    return m_connection ? m_connection->uniqueName() : QString();
}

} // namespace tarnwick
