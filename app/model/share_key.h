#pragma once

#include "model/server.h"
#include "model/share.h"

#include <QHash>
#include <QMetaType>
#include <QUuid>

namespace tarnwick {

// Who a configured share is: this share of this server. Two servers may each have a share
// "Public"; their keys differ. A value; any thread.
struct ShareKey {
    QUuid server;
    QUuid share;

    static ShareKey of(const Server& server, const Share& share) { return {server.id, share.id}; }
    bool isNull() const { return server.isNull() && share.isNull(); }
    bool operator==(const ShareKey&) const = default;
};

inline size_t qHash(const ShareKey& key, size_t seed = 0) noexcept
{
    return qHashMulti(seed, key.server, key.share);
}

} // namespace tarnwick

Q_DECLARE_METATYPE(tarnwick::ShareKey)
