#include "platform/linux/network_manager_watcher.h"

#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>

namespace tarnwick {

namespace {

const QString kService = QStringLiteral("org.freedesktop.NetworkManager");
const QString kPath = QStringLiteral("/org/freedesktop/NetworkManager");
const QString kManager = QStringLiteral("org.freedesktop.NetworkManager");
const QString kActiveConnection =
    QStringLiteral("org.freedesktop.NetworkManager.Connection.Active");
const QString kAccessPoint = QStringLiteral("org.freedesktop.NetworkManager.AccessPoint");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kChanged = QStringLiteral("PropertiesChanged");
const QString kWifi = QStringLiteral("802-11-wireless");
constexpr int kConnectedLocal = 50; // NM_STATE_CONNECTED_LOCAL; SITE, GLOBAL above it
constexpr uint kActivated = 2;      // NM_ACTIVE_CONNECTION_STATE_ACTIVATED
constexpr int kCallTimeoutMs = 2000;

} // namespace

NetworkManagerWatcher::NetworkManagerWatcher(const QDBusConnection& bus, QObject* parent)
    : QObject(parent)
    , m_bus(bus)
{
    if (!m_bus.isConnected())
        return;
    // The interface-specific PropertiesChanged signals are deprecated since 1.2; the
    // standard one carries the same values.
    m_bus.connect(kService, kPath, kProperties, kChanged, {kManager}, QString(), this,
                  SLOT(onManagerChanged(QString, QVariantMap, QStringList)));
    // Any object path: one object per active connection.
    m_bus.connect(kService, QString(), kProperties, kChanged, {kActiveConnection}, QString(), this,
                  SLOT(onConnectionChanged(QString, QVariantMap, QStringList, QDBusMessage)));

    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kProperties, QStringLiteral("GetAll"));
    call << kManager;
    call.setAutoStartService(false);
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kCallTimeoutMs), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        w->deleteLater();
        const QDBusPendingReply<QVariantMap> reply = *w;
        if (!reply.isValid())
            return;
        take(reply.value(), true); // the starting point: no event
        publishNetworks();
    });
}

bool NetworkManagerWatcher::usable() const
{
    return m_state < 0 || m_state >= kConnectedLocal;
}

std::optional<QStringList> NetworkManagerWatcher::networks() const
{
    return m_networks;
}

std::pair<bool, bool> NetworkManagerWatcher::take(const QVariantMap& values, bool starting)
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
        // A connection that went away (a VPN taken down) may strand mounts; a new one counts
        // once it is activated, which it may already be.
        const QSet<QString> gone = QSet<QString>(m_active).subtract(now);
        const QSet<QString> added = QSet<QString>(now).subtract(m_active);
        for (const QString& path : gone)
            m_connections.remove(path);
        lost = lost || !gone.isEmpty();
        m_active = now;
        for (const QString& path : added)
            read(path, starting);
    }
    return {lost, gained};
}

void NetworkManagerWatcher::read(const QString& path, bool starting)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, path, kProperties, QStringLiteral("GetAll"));
    call << kActiveConnection;
    call.setAutoStartService(false);
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kCallTimeoutMs), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, path, starting](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                const QDBusPendingReply<QVariantMap> reply = *w;
                // Gone again before it answered: its departure was counted already.
                if (reply.isValid() && m_active.contains(path))
                    update(path, reply.value(), starting);
            });
}

void NetworkManagerWatcher::readSsid(const QString& path, const QString& accessPoint)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, accessPoint, kProperties, QStringLiteral("Get"));
    call << kAccessPoint << QStringLiteral("Ssid");
    call.setAutoStartService(false);
    auto* pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call, kCallTimeoutMs), this);
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, path](QDBusPendingCallWatcher* w) {
                w->deleteLater();
                const QDBusPendingReply<QDBusVariant> reply = *w;
                const auto known = m_connections.find(path);
                if (!reply.isValid() || known == m_connections.end())
                    return;
                const QString ssid = QString::fromUtf8(reply.value().variant().toByteArray());
                if (!ssid.isEmpty() && !known->names.contains(ssid)) {
                    known->names.append(ssid);
                    publishNetworks();
                }
            });
}

void NetworkManagerWatcher::update(const QString& path, const QVariantMap& values, bool starting)
{
    Active& known = m_connections[path];
    const bool wasActivated = known.state == kActivated;
    if (const auto state = values.constFind(QStringLiteral("State")); state != values.cend())
        known.state = state->toUInt();
    for (const char* key : {"Id", "Uuid"}) {
        const QString name = values.value(QLatin1String(key)).toString();
        if (!name.isEmpty() && !known.names.contains(name))
            known.names.append(name);
    }
    if (const auto type = values.constFind(QStringLiteral("Type")); type != values.cend())
        known.type = type->toString();
    // A Wi-Fi connection names its access point once it has one, maybe only after activating.
    const QString accessPoint =
        qdbus_cast<QDBusObjectPath>(values.value(QStringLiteral("SpecificObject"))).path();
    if (known.type == kWifi && accessPoint.startsWith(kPath))
        readSsid(path, accessPoint);
    publishNetworks();
    if (!starting && !wasActivated && known.state == kActivated)
        Q_EMIT networkChanged();
}

void NetworkManagerWatcher::publishNetworks()
{
    QStringList networks;
    for (const Active& connection : std::as_const(m_connections)) {
        if (connection.state == kActivated)
            networks += connection.names;
    }
    networks.sort();
    networks.removeDuplicates();
    if (m_networks == networks)
        return;
    m_networks = networks;
    Q_EMIT networksChanged();
}

void NetworkManagerWatcher::onManagerChanged(const QString&, const QVariantMap& changed,
                                             const QStringList&)
{
    const auto [lost, gained] = take(changed, false);
    // The servers' places follow before anything acts on the change.
    publishNetworks();
    if (lost)
        Q_EMIT networkLost();
    if (gained)
        Q_EMIT networkChanged();
}

void NetworkManagerWatcher::onConnectionChanged(const QString&, const QVariantMap& changed,
                                                const QStringList&, const QDBusMessage& message)
{
    const QString path = message.path();
    if (m_active.contains(path) && m_connections.contains(path)) {
        update(path, changed, false);
        return;
    }
    // Not read yet (or not answering GetAll): its activation still counts.
    if (changed.value(QStringLiteral("State")).toUInt() == kActivated)
        Q_EMIT networkChanged();
}

} // namespace tarnwick
