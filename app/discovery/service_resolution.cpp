#include "discovery/service_resolution.h"

#include "discovery/dns_sd_request.h"

#include <arpa/inet.h>

namespace tarnwick {

struct ServiceResolutionCallback {
    static void DNSSD_API reply(DNSServiceRef, DNSServiceFlags, uint32_t, DNSServiceErrorType error,
                                const char*, const char* hostTarget, uint16_t port, uint16_t,
                                const unsigned char*, void* context)
    {
        auto* self = static_cast<ServiceResolution*>(context);
        if (self->m_replied)
            return; // a later answer of the same resolve; the first one counts
        self->m_replied = true;
        self->m_replyOk = error == kDNSServiceErr_NoError;
        if (self->m_replyOk) {
            self->m_hostName = QString::fromUtf8(hostTarget ? hostTarget : "");
            self->m_port = ntohs(port);
        }
    }
};

ServiceResolution::ServiceResolution(uint32_t interfaceIndex, const QByteArray& name,
                                     const QByteArray& type, const QByteArray& domain,
                                     QObject* parent)
    : QObject(parent)
    , m_interfaceIndex(interfaceIndex)
    , m_name(name)
    , m_type(type)
    , m_domain(domain)
{
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        if (m_done)
            return;
        m_done = true;
        finish();
        Q_EMIT failed();
    });
}

ServiceResolution::~ServiceResolution()
{
    cancel();
}

bool ServiceResolution::start(std::chrono::milliseconds timeout)
{
    DNSServiceRef ref = nullptr;
    const DNSServiceErrorType error =
        DNSServiceResolve(&ref, 0, m_interfaceIndex, m_name.constData(), m_type.constData(),
                          m_domain.constData(), &ServiceResolutionCallback::reply, this);
    if (error != kDNSServiceErr_NoError || !ref)
        return false;
    m_request = new DnsSdRequest(this);
    connect(m_request, &DnsSdRequest::processed, this, &ServiceResolution::onProcessed);
    m_request->watch(ref);
    m_timeout.start(timeout);
    return true;
}

void ServiceResolution::cancel()
{
    m_done = true;
    finish();
}

void ServiceResolution::finish()
{
    m_timeout.stop();
    if (m_request) {
        m_request->close();
        m_request->deleteLater();
        m_request = nullptr;
    }
}

void ServiceResolution::onProcessed(bool ok)
{
    if (m_done)
        return;
    if (!ok || (m_replied && !m_replyOk)) {
        m_done = true;
        finish();
        Q_EMIT failed();
        return;
    }
    if (!m_replied)
        return;
    m_done = true;
    finish();
    Q_EMIT resolved(m_hostName, m_port);
}

} // namespace tarnwick
