#pragma once

#include "discovery/discovery_backend.h"

#include <dns_sd.h>

class QSocketNotifier;

namespace tarnwick {

// One DNS-SD request of dns_sd.h (browse or resolve): owns its DNSServiceRef and watches the
// daemon's socket, so replies are read on the main thread only when they have arrived.
// Main thread only.
class DnsSdRequest : public DiscoveryRequest {
    Q_OBJECT

public:
    static DnsSdRequest* browse(const QString& type, const QString& domain, QObject* parent);
    static DnsSdRequest* resolve(const FoundService& service, QObject* parent);
    ~DnsSdRequest() override;

private:
    explicit DnsSdRequest(QObject* parent);
    // Takes ownership of ref when error is none; else fails on the next turn.
    void watch(DNSServiceErrorType error, DNSServiceRef ref);
    void process();
    void close();

    friend struct DnsSdCallbacks;
    DNSServiceRef m_ref = nullptr;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace tarnwick
