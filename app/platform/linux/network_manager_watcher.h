#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QSet>
#include <QString>
#include <QVariantMap>

namespace tarnwick {

// NetworkManager on the system bus, through the standard PropertiesChanged signal of its
// manager object (State, PrimaryConnection, ActiveConnections) and of its active
// connections (State reaching "activated", VPNs included). Reads the starting values once,
// asynchronously, without starting NetworkManager. Silent without it. Main thread.
class NetworkManagerWatcher : public QObject {
    Q_OBJECT

public:
    explicit NetworkManagerWatcher(const QDBusConnection& bus, QObject* parent = nullptr);

    // False only while NetworkManager reports a state below "connected (local)".
    bool usable() const;

Q_SIGNALS:
    void networkChanged();
    void networkLost();

private Q_SLOTS:
    void onManagerChanged(const QString& interface, const QVariantMap& changed,
                          const QStringList& invalidated);
    void onConnectionChanged(const QString& interface, const QVariantMap& changed,
                             const QStringList& invalidated);

private:
    // Takes the values in; returns {lost, gained} compared with what was known.
    std::pair<bool, bool> take(const QVariantMap& values);

    int m_state = -1; // unknown
    QString m_primary;
    QSet<QString> m_active;
};

} // namespace tarnwick
