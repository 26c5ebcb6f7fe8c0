#pragma once

#include <QList>
#include <QString>

namespace tarnwick {

// One SMB mount as the system's table shows it.
struct MountEntry {
    QString line;       // the table's own line, for logs
    QString mountPoint; // what the unmount tool takes (a path, or a location)
    QString host;       // the server as the table names it, as a host key; empty when unsaid
    // The local folder that shows the mount (GVFS's FUSE directory); empty when the mount
    // point is that folder, or when there is none.
    QString localPath = {};
    QString share = {}; // the share as the table names it (its letter case may differ)
    int port = 0;       // the server's port when the table names one; 0: the default

    bool operator==(const MountEntry&) const = default;
};

// How a configured host and a table's server compare. Pure; any thread.
class MountTable {
public:
    // A server text ("[user@]host[:port]", "[v6]:port", a bare IPv6 address) reduced to its
    // host, lower-cased, so that a configured host and a table's host compare.
    static QString hostKey(const QString& server);
    // The port of such a text; 0 when it names none (or an unusable one).
    static int portOf(const QString& server);
    // Last path component; trailing "/" ignored; "" for "/" or "".
    static QString lastComponent(const QString& path);
};

} // namespace tarnwick
