#pragma once

#include <QString>

namespace tarnwick {

// The kernel's IPv4 neighbour table (what `ip neigh` shows), read from /proc/net/arp. Any
// thread; reads a file, sends nothing.
class NeighbourTable {
public:
    // The hardware address of host (an IPv4 address, or a name resolved first, which may
    // block), canonical; empty when the table holds no complete entry for it.
    static QString addressOf(const QString& host);
};

} // namespace tarnwick
