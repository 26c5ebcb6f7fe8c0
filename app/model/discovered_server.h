#pragma once

#include <QMetaType>
#include <QString>
#include <QUuid>

namespace tarnwick {

// An SMB server found on the local network; identity only, never stored. Any thread.
struct DiscoveredServer {
    QUuid id;     // fresh for every resolution
    QString name; // advertised instance name
    QString host; // host name without the trailing ".", or the first IPv4 address
    qint64 port = 0;
};

} // namespace tarnwick

Q_DECLARE_METATYPE(tarnwick::DiscoveredServer)
