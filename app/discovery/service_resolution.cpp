#include "discovery/service_resolution.h"

#include "discovery/resolved_host.h"

namespace tarnwick {

ServiceResolution::ServiceResolution(std::shared_ptr<DiscoveryBackend> backend,
                                     FoundService service, QObject* parent)
    : QObject(parent)
    , m_backend(std::move(backend))
    , m_service(std::move(service))
{
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, &ServiceResolution::fail);
}

ServiceResolution::~ServiceResolution()
{
    cancel();
}

void ServiceResolution::start(std::chrono::milliseconds timeout)
{
    m_request = m_backend->resolve(m_service, this);
    connect(m_request, &DiscoveryRequest::serviceResolved, this, &ServiceResolution::onResolved);
    connect(m_request, &DiscoveryRequest::failed, this, &ServiceResolution::fail);
    m_timeout.start(timeout);
}

void ServiceResolution::cancel()
{
    m_done = true;
    finish();
}

void ServiceResolution::finish()
{
    m_timeout.stop();
    // Later, not now: this may run inside the request's own signal.
    if (m_request) {
        m_request->disconnect(this);
        m_request->deleteLater();
        m_request = nullptr;
    }
}

void ServiceResolution::fail()
{
    if (m_done)
        return;
    m_done = true;
    finish();
    Q_EMIT failed();
}

void ServiceResolution::onResolved(const QString& hostName, const QList<QByteArray>& addresses,
                                   quint16 port)
{
    // A resolver may answer again; the first answer counts.
    if (m_done)
        return;
    const auto host = resolvedHost(hostName, addresses);
    if (!host) {
        fail();
        return;
    }
    m_done = true;
    finish();
    Q_EMIT resolved(*host, port);
}

} // namespace tarnwick
