#pragma once

#include "discovery/discovery_backend.h"

namespace tarnwick {

// DNS-SD through the system's dns_sd.h (mDNSResponder). Main thread.
class DnsSdDiscovery : public DiscoveryBackend {
public:
    DiscoveryRequest* browse(const QString& type, const QString& domain, QObject* parent) override;
    DiscoveryRequest* resolve(const FoundService& service, QObject* parent) override;
};

} // namespace tarnwick
