#pragma once

#include "model/server.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QSettings>
#include <QUuid>

namespace tarnwick {

// The one list of servers, saved under "tarnwick.servers" on every assignment.
// Main thread only; no operation reports failure. settings must outlive the store.
class ShareStore : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<tarnwick::Server> servers READ servers WRITE setServers NOTIFY serversChanged)

public:
    // Loads the stored list at once; an unreadable value leaves the list empty.
    explicit ShareStore(QSettings& settings, QObject* parent = nullptr);

    const QList<Server>& servers() const { return m_servers; }
    // Replaces the whole list and saves it (every assignment saves).
    void setServers(const QList<Server>& servers);

    // Reads the stored value; replaces the list only when it decodes, and rewrites it in saved
    // form unless it came from the administrator's presets.
    void load();
    // Writes the list under "tarnwick.servers" as a byte array.
    void save();

    // Appends server; saves.
    void addServer(const Server& server);
    // Removes the servers at positions counted before the call; each must be in range.
    void removeServers(const QSet<int>& positions);
    // Replaces the first server with server.id; no-op (no save) when none.
    void updateServer(const Server& server);
    // Appends share to the first server with serverId; no-op when none.
    void addShare(const Share& share, const QUuid& serverId);
    // Removes every share with shareId from the first server with serverId; saves even when
    // no share matched; no-op when no server matched.
    void removeShare(const QUuid& shareId, const QUuid& serverId);

Q_SIGNALS:
    void serversChanged();

private:
    qsizetype indexOf(const QUuid& serverId) const;

    QSettings& m_settings;
    QList<Server> m_servers;
};

} // namespace tarnwick
