#include "platform/macos/dns_sd_request.h"

#include <QSocketNotifier>

#include <arpa/inet.h>

namespace tarnwick {

struct DnsSdCallbacks {
    static void DNSSD_API browsed(DNSServiceRef, DNSServiceFlags flags, uint32_t interfaceIndex,
                                  DNSServiceErrorType error, const char* name, const char* type,
                                  const char* domain, void* context)
    {
        auto* self = static_cast<DnsSdRequest*>(context);
        if (error != kDNSServiceErr_NoError) {
            Q_EMIT self->failed();
            return;
        }
        // Services that leave are not reported.
        if (!(flags & kDNSServiceFlagsAdd))
            return;
        FoundService service;
        service.interfaceIndex = qint32(interfaceIndex);
        service.name = QString::fromUtf8(name);
        service.type = QString::fromUtf8(type);
        service.domain = QString::fromUtf8(domain);
        Q_EMIT self->serviceFound(service);
    }

    static void DNSSD_API resolved(DNSServiceRef, DNSServiceFlags, uint32_t,
                                   DNSServiceErrorType error, const char*, const char* hostTarget,
                                   uint16_t port, uint16_t, const unsigned char*, void* context)
    {
        auto* self = static_cast<DnsSdRequest*>(context);
        if (error != kDNSServiceErr_NoError) {
            Q_EMIT self->failed();
            return;
        }
        Q_EMIT self->serviceResolved(QString::fromUtf8(hostTarget ? hostTarget : ""), {},
                                     ntohs(port));
    }
};

DnsSdRequest::DnsSdRequest(QObject* parent)
    : DiscoveryRequest(parent)
{
}

DnsSdRequest::~DnsSdRequest()
{
    close();
}

DnsSdRequest* DnsSdRequest::browse(const QString& type, const QString& domain, QObject* parent)
{
    auto* request = new DnsSdRequest(parent);
    DNSServiceRef ref = nullptr;
    const DNSServiceErrorType error =
        DNSServiceBrowse(&ref, 0, kDNSServiceInterfaceIndexAny, type.toUtf8().constData(),
                         domain.toUtf8().constData(), &DnsSdCallbacks::browsed, request);
    request->watch(error, ref);
    return request;
}

DnsSdRequest* DnsSdRequest::resolve(const FoundService& service, QObject* parent)
{
    auto* request = new DnsSdRequest(parent);
    DNSServiceRef ref = nullptr;
    const DNSServiceErrorType error =
        DNSServiceResolve(&ref, 0, uint32_t(service.interfaceIndex),
                          service.name.toUtf8().constData(), service.type.toUtf8().constData(),
                          service.domain.toUtf8().constData(), &DnsSdCallbacks::resolved, request);
    request->watch(error, ref);
    return request;
}

void DnsSdRequest::watch(DNSServiceErrorType error, DNSServiceRef ref)
{
    const int fd = error == kDNSServiceErr_NoError && ref ? DNSServiceRefSockFD(ref) : -1;
    if (fd < 0) {
        if (ref)
            DNSServiceRefDeallocate(ref);
        QMetaObject::invokeMethod(this, &DnsSdRequest::failed, Qt::QueuedConnection);
        return;
    }
    m_ref = ref;
    m_notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &DnsSdRequest::process);
}

void DnsSdRequest::close()
{
    // The notifier goes first: the socket closes with the ref, and its number may be
    // reused at once by the next request.
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
        m_notifier = nullptr;
    }
    if (m_ref) {
        DNSServiceRefDeallocate(m_ref);
        m_ref = nullptr;
    }
}

void DnsSdRequest::process()
{
    // The socket is readable, so this returns without waiting; the callbacks run inside.
    if (m_ref && DNSServiceProcessResult(m_ref) != kDNSServiceErr_NoError) {
        // A broken connection stays readable (end of file): stop listening to it.
        close();
        Q_EMIT failed();
    }
}

} // namespace tarnwick
