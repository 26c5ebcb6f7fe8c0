#include "platform/linux/known_networks.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QPointer>

#include <memory>

namespace tarnwick {

namespace {

const QString kService = QStringLiteral("org.freedesktop.NetworkManager");
const QString kSettingsPath = QStringLiteral("/org/freedesktop/NetworkManager/Settings");
const QString kSettings = QStringLiteral("org.freedesktop.NetworkManager.Settings");
constexpr int kCallTimeoutMs = 2000;

// The names gathered while the connections answer; done runs when the last one has.
struct Gathering {
    QPointer<QObject> context;
    std::function<void(const QStringList&)> done;
    QStringList names;
    int pending = 0;

    void settle()
    {
        if (--pending > 0)
            return;
        names.sort();
        names.removeDuplicates();
        if (context)
            done(names);
    }
};

QDBusPendingCallWatcher* call(const QDBusConnection& bus, const QString& path,
                              const QString& interface, const QString& method, QObject* parent)
{
    QDBusMessage message = QDBusMessage::createMethodCall(kService, path, interface, method);
    message.setAutoStartService(false);
    return new QDBusPendingCallWatcher(QDBusConnection(bus).asyncCall(message, kCallTimeoutMs),
                                       parent);
}

QString nameOf(const QDBusMessage& reply)
{
    QMap<QString, QVariantMap> settings;
    reply.arguments().value(0).value<QDBusArgument>() >> settings;
    const QByteArray ssid = settings.value(QStringLiteral("802-11-wireless"))
                                .value(QStringLiteral("ssid"))
                                .toByteArray();
    return ssid.isEmpty()
               ? settings.value(QStringLiteral("connection")).value(QStringLiteral("id")).toString()
               : QString::fromUtf8(ssid);
}

} // namespace

void KnownNetworks::read(const QDBusConnection& bus, QObject* context,
                         std::function<void(const QStringList&)> done)
{
    auto gathering = std::make_shared<Gathering>(Gathering{context, std::move(done), {}, 1});
    auto* list = call(bus, kSettingsPath, kSettings, QStringLiteral("ListConnections"), context);
    QObject::connect(list, &QDBusPendingCallWatcher::finished, context,
                     [bus, context, gathering](QDBusPendingCallWatcher* w) {
                         w->deleteLater();
                         const QDBusPendingReply<QList<QDBusObjectPath>> reply = *w;
                         for (const QDBusObjectPath& path : reply.value()) {
                             ++gathering->pending;
                             auto* get =
                                 call(bus, path.path(), kSettings + QStringLiteral(".Connection"),
                                      QStringLiteral("GetSettings"), context);
                             QObject::connect(get, &QDBusPendingCallWatcher::finished, context,
                                              [gathering](QDBusPendingCallWatcher* g) {
                                                  g->deleteLater();
                                                  const QString name = nameOf(g->reply());
                                                  if (!name.isEmpty())
                                                      gathering->names.append(name);
                                                  gathering->settle();
                                              });
                         }
                         gathering->settle();
                     });
}

} // namespace tarnwick
