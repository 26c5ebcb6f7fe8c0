#include "platform/linux/secret_service_locks.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QMap>

namespace tarnwick {

namespace {

// gnome-keyring answers a search from memory in milliseconds, locked or not.
constexpr int kSearchTimeoutMs = 2000;

} // namespace

bool SecretServiceLocks::onlyLocked(const QString& server)
{
    using Attributes = QMap<QString, QString>;
    // a{ss}, registered once.
    [[maybe_unused]] static const QMetaType registered = qDBusRegisterMetaType<Attributes>();
    QDBusMessage search = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.secrets"), QStringLiteral("/org/freedesktop/secrets"),
        QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("SearchItems"));
    // The attributes the login lookup matches on; the schema name is not one of them.
    search << QVariant::fromValue(Attributes{{QStringLiteral("server"), server},
                                             {QStringLiteral("protocol"), QStringLiteral("smb")}});
    const QDBusMessage reply =
        QDBusConnection::sessionBus().call(search, QDBus::Block, kSearchTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 2)
        return false;
    const auto paths = [&](int index) {
        return qdbus_cast<QList<QDBusObjectPath>>(reply.arguments().at(index));
    };
    return paths(0).isEmpty() && !paths(1).isEmpty();
}

} // namespace tarnwick
