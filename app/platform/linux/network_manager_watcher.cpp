#include "platform/linux/network_manager_watcher.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace tarnwick {

namespace {

const QString kService = QStringLiteral("org.freedesktop.NetworkManager");
const QString kPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kManager = QStringLiteral("org.freedesktop.NetworkManager");
const QString kActiveConnection =
    QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kChanged = QStringLiteral("PropertiesChanged");
constexpr int kConnectedLocal = 50; // NM_STATE_CONNECTED_LOCAL; SITE, GLOBAL above it
constexpr uint kActivated = 2;      // NM_ACTIVE_CONNECTION_STATE_ACTIVATED
constexpr int kCallTimeoutMs = 2000;

} // namespace

NetworkManagerWatcher::NetworkManagerWatcher(const QDBusConnection& bus, QObject* parent)
    : QObject(parent)
{
    QDBusConnection connection(bus);
    if (!connection.isConnected())
        return;
    // The interface-specific PropertiesChanged signals are deprecated since 1.2; the
    // standard one carries the same values.
    connection.connect(kService, kPath, kProperties, kChanged, {kManager}, QString(), this,
                       SLOT(onManagerChanged(QString, QVariantMap, QStringList)));
    // Any object path: one object per active connection.
    connection.connect(kService, QString(), kProperties, kChanged, {kActiveConnection}, QString(),
                       this, SLOT(onConnectionChanged(QString, QVariantMap, QStringList)));

    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kProperties, QStringLiteral("GetAll"));
    call << kManager;
    call.setAutoStartService(false);
    auto* pending = new QDBusPendingCallWatcher(connection.asyncCall(call, kCallTimeoutMs), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QVariantMap> reply = *w;
        if (reply.isValid())
            take(reply.value()); // the starting point: no event
    });
}

bool NetworkManagerWatcher::usable() const
{
    return m_state < 0 || m_state >= kConnectedLocal;
}

std::pair<bool, bool> NetworkManagerWatcher::take(const QVariantMap& values)
{
    bool lost = false;
    bool gained = false;
    if (const auto state = values.constFind(QStringLiteral("State")); state != values.cend()) {
        const bool wasUsable = usable();
        m_state = int(state->toUInt());
        // A move between the connected levels (local, site, global) counts too: a captive
        // portal or a VPN's routes may have made other servers reachable.
        gained = usable();
        lost = wasUsable && !usable();
    }
    if (const auto primary = values.constFind(QStringLiteral("PrimaryConnection"));
        primary != values.cend()) {
        const QString path = qdbus_cast<QDBusObjectPath>(*primary).path();
        if (path != m_primary) {
            m_primary = path;
            (path == u"/" ? lost : gained) = true;
        }
    }
    if (const auto active = values.constFind(QStringLiteral("ActiveConnections"));
        active != values.cend()) {
        QSet<QString> now;
        for (const QDBusObjectPath& path : qdbus_cast<QList<QDBusObjectPath>>(*active))
            now.insert(path.path());
        // A connection that went away (a VPN taken down) may strand mounts; a new one is
        // reported once it is activated.
        lost = lost || !QSet<QString>(m_active).subtract(now).isEmpty();
        m_active = now;
    }
    return {lost, gained};
}

void NetworkManagerWatcher::onManagerChanged(const QString&, const QVariantMap& changed,
                                             const QStringList&)
{
    const auto [lost, gained] = take(changed);
    if (lost)
        Q_EMIT networkLost();
    if (gained)
        Q_EMIT networkChanged();
}

void NetworkManagerWatcher::onConnectionChanged(const QString&, const QVariantMap& changed,
                                                const QStringList&)
{
    if (changed.value(QStringLiteral("State")).toUInt() == kActivated)
        Q_EMIT networkChanged();
}

} // namespace tarnwick
