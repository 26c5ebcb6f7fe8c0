#pragma once

#include "mount/credentials.h"

#include <QString>
#include <QStringList>

#include <optional>

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
    // One listing with exactly login (the server sees one logon, never a guest one), to
    // try a login typed in; nullopt (the default) when the tool cannot be given a login.
    // Blocks; any thread; never logs.
    virtual std::optional<ShareListing> listingWith(const QString& /*host*/,
                                                    const Credentials& /*login*/) const
    {
        return std::nullopt;
    }
    // The names alone.
    QStringList listShares(const QString& host) const { return listing(host).names; }
};

} // namespace tarnwick
