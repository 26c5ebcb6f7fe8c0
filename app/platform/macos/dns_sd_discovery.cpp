#include "platform/macos/dns_sd_discovery.h"

#include "platform/macos/dns_sd_request.h"

namespace tarnwick {

DiscoveryRequest* DnsSdDiscovery::browse(const QString& type, const QString& domain,
                                         QObject* parent)
{
    return DnsSdRequest::browse(type, domain, parent);
}

DiscoveryRequest* DnsSdDiscovery::resolve(const FoundService& service, QObject* parent)
{
    return DnsSdRequest::resolve(service, parent);
}

} // namespace tarnwick
