#pragma once

#include <QString>
#include <QStringList>

namespace tarnwick {

// Lists the disk shares a host offers (the profile's SMB tool, three logins in turn).
class ShareLister {
public:
    virtual ~ShareLister() = default;
    // The share names, sorted by code point; empty when nothing could be listed. Blocks;
    // any thread; never logs.
    virtual QStringList listShares(const QString& host) const = 0;
};

} // namespace tarnwick
