#pragma once

#include <QString>

namespace tarnwick {

// A server as the user gives it: "host", "host:port", "[v6]", "[v6]:port", a bare IPv6
// address or a ".local" name. The one reading of that text for the probe, gio's URI and
// GVFS's mount spec. A value; pure; any thread.
struct SmbHost {
    static constexpr quint16 kDefaultPort = 445;

    QString name; // without brackets or port
    quint16 port = kDefaultPort;

    // Splits text as MountTable::hostKey does, keeping the port; a port that is no number
    // from 1 to 65535 leaves the default.
    static SmbHost parse(const QString& text);
    // "name", "[v6]", "name:port" or "[v6]:port": the authority of an smb:// URI (a
    // default port left out, as GVFS leaves it out of its mount spec).
    QString authority() const;
};

} // namespace tarnwick
