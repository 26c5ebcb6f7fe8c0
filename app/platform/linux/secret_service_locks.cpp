#include "platform/linux/secret_service_locks.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>

#include <utility>

namespace tarnwick {

namespace {

// gnome-keyring answers a search from memory in milliseconds, locked or not.
constexpr int kSearchTimeoutMs = 2000;

} // namespace

bool SecretServiceLocks::onlyLocked(const QString& server)
{
    QDBusMessage search = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.secrets"), QStringLiteral("/org/freedesktop/secrets"),
        QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("SearchItems"));
    // The attributes the login lookup matches on (a{ss}); the schema name is not one of them.
    // Marshalled here, so that the bus thread that lets go of the message frees only QtDBus's
    // own data, never a container built on this pool thread.
    QDBusArgument attributes;
    attributes.beginMap(QMetaType::fromType<QString>(), QMetaType::fromType<QString>());
    for (const auto& [key, value] :
         {std::pair(QStringLiteral("server"), server),
          std::pair(QStringLiteral("protocol"), QStringLiteral("smb"))}) {
        attributes.beginMapEntry();
        attributes << key << value;
        attributes.endMapEntry();
    }
    attributes.endMap();
    search << QVariant::fromValue(attributes);
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
