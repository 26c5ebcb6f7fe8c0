#pragma once

#include <QString>
#include <QStringList>

namespace tarnwick {

// One listing of a host's disk shares and, when it came back empty, why if the tool said.
struct ShareListing {
    enum class Failure { None, LoginRefused, Unreachable };
    QStringList names;
    Failure failure = Failure::None;
    bool operator==(const ShareListing&) const = default;
};

// Lists the disk shares a host offers (the profile's SMB tool, three logins in turn).
class ShareLister {
public:
    virtual ~ShareLister() = default;
    // The share names, sorted by code point; empty when nothing could be listed, with the
    // failure the tool reported. Blocks; any thread; never logs.
    virtual ShareListing listing(const QString& host) const = 0;
    // The names alone.
    QStringList listShares(const QString& host) const { return listing(host).names; }
};

} // namespace tarnwick
