#pragma once

#include "platform/linux/gvfs_mount_tracker.h"

#include <QString>

#include <optional>

namespace tarnwick {

// The smb:// locations GVFS understands. A location is kept readable ("smb://h/team docs/")
// so that its last path component is the share name the engine compares; it is percent-
// encoded only on its way to gio. Pure; any thread.
class GvfsSmbLocation {
public:
    // "smb://" + [domain ";"] [user "@"] server [":" port] "/" share "/" for an SMB share
    // mount (spec type "smb-share"); nullopt for every other kind of mount.
    static std::optional<QString> of(const GvfsMount& mount);
    // A one-line description of an SMB share mount for logs and diagnosis.
    static QString describe(const GvfsMount& mount, const QString& location);
    // The URI to mount share on host (any form of SmbHost), as gio expects it:
    // "smb://[user@]host[:port]/share" with user and share percent-encoded (a space becomes
    // %20) and an IPv6 host in brackets.
    static QString mountUri(const QString& host, const QString& share, const QString& user = {});
    // A location of `of` as a URI for gio (user and share percent-encoded); any other text
    // (a path, say) unchanged.
    static QString toUri(const QString& location);
};

} // namespace tarnwick
