#pragma once

#include "model/server.h"

#include <QByteArray>
#include <QList>

#include <optional>

namespace tarnwick {

// The stored JSON form of the server list. Pure; any thread.
class ServerListCodec {
public:
    // Compact UTF-8 JSON array; every member written, ids upper-case.
    static QByteArray encode(const QList<Server>& servers);
    // The whole list, or nullopt when any member is missing, mistyped or any id is no UUID.
    static std::optional<QList<Server>> decode(const QByteArray& json);
};

} // namespace tarnwick
