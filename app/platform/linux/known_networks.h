#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QStringList>

#include <functional>

namespace tarnwick {

// The connections NetworkManager keeps (Settings.ListConnections, then each one's
// GetSettings), as the names a server can live on: a Wi-Fi connection's SSID, any other's id.
class KnownNetworks {
public:
    // Reads asynchronously, every call within 2 s, and calls done once on context's thread
    // with the sorted names that answered: empty without NetworkManager. Nothing when context
    // is destroyed first. Main thread.
    static void read(const QDBusConnection& bus, QObject* context,
                     std::function<void(const QStringList&)> done);
};

} // namespace tarnwick
