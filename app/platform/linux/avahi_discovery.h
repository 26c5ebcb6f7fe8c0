#pragma once

#include "discovery/discovery_backend.h"

#include <QDBusConnection>

namespace tarnwick {

// DNS-SD through avahi-daemon's own D-Bus interface (org.freedesktop.Avahi on the system
// bus), every call asynchronous. Main thread.
class AvahiDiscovery : public DiscoveryBackend {
public:
    explicit AvahiDiscovery(const QDBusConnection& bus = QDBusConnection::systemBus());

    DiscoveryRequest* browse(const QString& type, const QString& domain, QObject* parent) override;
    DiscoveryRequest* resolve(const FoundService& service, QObject* parent) override;

private:
    QDBusConnection m_bus;
};

} // namespace tarnwick
