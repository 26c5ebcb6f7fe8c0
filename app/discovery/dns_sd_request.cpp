#include "discovery/dns_sd_request.h"

#include <QSocketNotifier>

namespace tarnwick {

DnsSdRequest::DnsSdRequest(QObject* parent)
    : QObject(parent)
{
}

DnsSdRequest::~DnsSdRequest()
{
    close();
}

void DnsSdRequest::watch(DNSServiceRef ref)
{
    close();
    m_ref = ref;
    const int fd = DNSServiceRefSockFD(ref);
    if (fd < 0)
        return;
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
    if (!m_ref)
        return;
    // The socket is readable, so this returns without waiting.
    const bool ok = DNSServiceProcessResult(m_ref) == kDNSServiceErr_NoError;
    if (!ok && m_notifier) {
        // A broken connection stays readable (end of file); stop listening to it.
        m_notifier->setEnabled(false);
    }
    Q_EMIT processed(ok);
}

} // namespace tarnwick
