#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

namespace tarnwick {

// NetworkManager on the system bus, through the standard PropertiesChanged signal of its
// manager object (State, PrimaryConnection, ActiveConnections) and of its active
// connections (State reaching "activated", VPNs included); each new active connection is
// read once (GetAll) for its state and names. Reads the starting values once,
// asynchronously, without starting NetworkManager. Silent without it. Main thread.
class NetworkManagerWatcher : public QObject {
    Q_OBJECT

public:
    explicit NetworkManagerWatcher(const QDBusConnection& bus, QObject* parent = nullptr);

    // False only while NetworkManager reports a state below "connected (local)".
    bool usable() const;
    // Id, UUID and Wi-Fi SSID of every activated connection; nullopt until NetworkManager
    // has answered once (or without it).
    std::optional<QStringList> networks() const;

Q_SIGNALS:
    void networkChanged();
    void networkLost();
    // networks() changed.
    void networksChanged();

private Q_SLOTS:
    void onManagerChanged(const QString& interface, const QVariantMap& changed,
                          const QStringList& invalidated);
    void onConnectionChanged(const QString& interface, const QVariantMap& changed,
                             const QStringList& invalidated, const QDBusMessage& message);

private:
    struct Active {
        uint state = 0;
        QString type;
        QStringList names;
    };

    // Takes the values in; returns {lost, gained} compared with what was known.
    std::pair<bool, bool> take(const QVariantMap& values, bool starting);
    // Reads an active connection's state and names; a new one that is already activated
    // (a VPN brought up outside NetworkManager, say) counts as a change unless starting.
    void read(const QString& path, bool starting);
    void readSsid(const QString& path, const QString& accessPoint);
    void update(const QString& path, const QVariantMap& values, bool starting);
    void publishNetworks();

    QDBusConnection m_bus;
    int m_state = -1; // unknown
    QString m_primary;
    QSet<QString> m_active;
    QHash<QString, Active> m_connections; // by object path, those that answered
    std::optional<QStringList> m_networks;
};

} // namespace tarnwick
