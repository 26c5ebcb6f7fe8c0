#include "model/share_store.h"

#include "model/app_settings.h"
#include "model/server_list_codec.h"

namespace tarnwick {

ShareStore::ShareStore(QSettings& settings, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
{
    load();
}

void ShareStore::setServers(const QList<Server>& servers)
{
    m_servers = servers;
    save();
    Q_EMIT serversChanged();
}

void ShareStore::load()
{
    const QVariant stored = m_settings.value(AppSettings::serversKey);
    // Only a byte array counts; a value of another kind is treated as nothing stored.
    if (stored.typeId() != QMetaType::QByteArray)
        return;
    auto servers = ServerListCodec::decode(stored.toByteArray());
    if (!servers)
        return;
    // A preset list is shown, not copied into the user's file: until the user changes it, a
    // new preset from the administrator still reaches this user.
    if (AppSettings::isPreset(m_settings, AppSettings::serversKey)) {
        m_servers = *servers;
        Q_EMIT serversChanged();
        return;
    }
    setServers(*servers);
}

void ShareStore::save()
{
    m_settings.setValue(AppSettings::serversKey, ServerListCodec::encode(m_servers));
}

void ShareStore::addServer(const Server& server)
{
    QList<Server> servers = m_servers;
    servers.append(server);
    setServers(servers);
}

void ShareStore::removeServers(const QSet<int>& positions)
{
    QList<Server> servers;
    for (qsizetype i = 0; i < m_servers.size(); ++i) {
        if (!positions.contains(int(i)))
            servers.append(m_servers.at(i));
    }
    setServers(servers);
}

void ShareStore::updateServer(const Server& server)
{
    const qsizetype index = indexOf(server.id);
    if (index < 0)
        return;
    QList<Server> servers = m_servers;
    servers[index] = server;
    setServers(servers);
}

void ShareStore::addShare(const Share& share, const QUuid& serverId)
{
    const qsizetype index = indexOf(serverId);
    if (index < 0)
        return;
    QList<Server> servers = m_servers;
    servers[index].shares.append(share);
    setServers(servers);
}

void ShareStore::removeShare(const QUuid& shareId, const QUuid& serverId)
{
    const qsizetype index = indexOf(serverId);
    if (index < 0)
        return;
    QList<Server> servers = m_servers;
    servers[index].shares.removeIf([&](const Share& share) { return share.id == shareId; });
    setServers(servers);
}

qsizetype ShareStore::indexOf(const QUuid& serverId) const
{
    for (qsizetype i = 0; i < m_servers.size(); ++i) {
        if (m_servers.at(i).id == serverId)
            return i;
    }
    return -1;
}

} // namespace tarnwick
