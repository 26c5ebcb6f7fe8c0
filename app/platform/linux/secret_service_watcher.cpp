#include "platform/linux/secret_service_watcher.h"

#include "mount/engine_log.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>

#include <functional>

namespace tarnwick {

namespace {

const QString kService = QStringLiteral("org.freedesktop.secrets");
const QString kServicePath = QStringLiteral("/org/freedesktop/secrets");
const QString kServiceInterface = QStringLiteral("org.freedesktop.Secret.Service");
// The store answers at once; only the prompt waits for the user, and it reports on its own.
constexpr int kCallTimeoutMs = 5000;

} // namespace

SecretServiceWatcher::SecretServiceWatcher(const QDBusConnection& bus, QObject* parent)
    : QObject(parent)
    , m_bus(bus)
{
    // Any sender: the store may start after us (D-Bus activation) or restart.
    m_bus.connect(QString(), QString(), QStringLiteral("org.freedesktop.DBus.Properties"),
                  QStringLiteral("PropertiesChanged"),
                  {QStringLiteral("org.freedesktop.Secret.Collection")}, QString(), this,
                  SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
}

void SecretServiceWatcher::propertiesChanged(const QString& interface, const QVariantMap& changed,
                                             const QStringList&)
{
    const auto locked = changed.constFind(QStringLiteral("Locked"));
    if (interface == u"org.freedesktop.Secret.Collection" && locked != changed.cend() &&
        !locked->toBool())
        Q_EMIT unlocked();
}

void SecretServiceWatcher::call(const QString& path, const QString& interface,
                                const QString& method, const QVariantList& args,
                                std::function<void(const QDBusMessage&)> done)
{
    QDBusMessage message = QDBusMessage::createMethodCall(kService, path, interface, method);
    message.setArguments(args);
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(message, kCallTimeoutMs), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [method, done = std::move(done)](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                const QDBusMessage reply = w->reply();
                if (reply.type() != QDBusMessage::ReplyMessage) {
                    log(QStringLiteral("[Keychain] %1 failed: %2").arg(method, reply.errorName()));
                    return;
                }
                done(reply);
            });
}

void SecretServiceWatcher::unlock()
{
    using Attributes = QMap<QString, QString>;
    // a{ss}, registered once.
    [[maybe_unused]] static const QMetaType registered = qDBusRegisterMetaType<Attributes>();
    const QVariantList search{
        QVariant::fromValue(Attributes{{QStringLiteral("protocol"), QStringLiteral("smb")}})};
    call(kServicePath, kServiceInterface, QStringLiteral("SearchItems"), search,
         [this](const QDBusMessage& found) {
             // An item's path is its collection's path and one more component.
             QList<QDBusObjectPath> collections;
             for (const QDBusObjectPath& item :
                  qdbus_cast<QList<QDBusObjectPath>>(found.arguments().value(1))) {
                 const QString path = item.path().section(u'/', 0, -2);
                 if (!collections.contains(QDBusObjectPath(path)))
                     collections.append(QDBusObjectPath(path));
             }
             if (collections.isEmpty())
                 return;
             call(kServicePath, kServiceInterface, QStringLiteral("Unlock"),
                  {QVariant::fromValue(collections)}, [this](const QDBusMessage& answer) {
                      const auto prompt = qdbus_cast<QDBusObjectPath>(answer.arguments().value(1));
                      // "/": unlocked without asking; the Locked property says so.
                      if (prompt.path() != u"/")
                          call(prompt.path(), QStringLiteral("org.freedesktop.Secret.Prompt"),
                               QStringLiteral("Prompt"), {QString()}, [](const QDBusMessage&) {});
                  });
         });
}

} // namespace tarnwick
