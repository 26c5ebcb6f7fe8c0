#include "discovery/bonjour_browser.h"

#include "discovery/dns_sd_request.h"
#include "discovery/resolved_host.h"
#include "discovery/service_resolution.h"
#include "discovery/share_lister.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>
#include <QUuid>

namespace tarnwick {

namespace {

const char kServiceType[] = "_smb._tcp.";
const char kDomain[] = "local.";

#ifndef Q_OS_DARWIN
// Avahi's DNS-SD layer prints a warning to stderr on first use unless told not to. Set
// before main, while the process has one thread: setenv races with readers of environ.
void quietAvahiCompat()
{
    if (!qEnvironmentVariableIsSet("AVAHI_COMPAT_NOWARN"))
        qputenv("AVAHI_COMPAT_NOWARN", "1");
}
Q_CONSTRUCTOR_FUNCTION(quietAvahiCompat)
#endif

} // namespace

struct BonjourBrowseCallback {
    static void DNSSD_API reply(DNSServiceRef, DNSServiceFlags flags, uint32_t interfaceIndex,
                                DNSServiceErrorType error, const char* name, const char* type,
                                const char* domain, void* context)
    {
        auto* self = static_cast<BonjourBrowser*>(context);
        if (error != kDNSServiceErr_NoError) {
            self->searchFailed();
            return;
        }
        // Services that leave are not reported: they stay listed until the next search.
        if (!(flags & kDNSServiceFlagsAdd))
            return;
        // Resolutions start once this batch of replies is processed, outside the library.
        self->m_found.append(
            {interfaceIndex, QByteArray(name), QByteArray(type), QByteArray(domain)});
    }
};

BonjourBrowser::BonjourBrowser(std::shared_ptr<const ShareLister> lister, QObject* parent)
    : QObject(parent)
    , m_lister(std::move(lister))
{
}

BonjourBrowser::~BonjourBrowser()
{
    // Close every request now: no callback may reach a half-destroyed browser.
    clearResolutions();
    if (m_browser)
        m_browser->close();
}

const QList<DiscoveredServer>& BonjourBrowser::discovered() const
{
    return m_discovered;
}

bool BonjourBrowser::isSearching() const
{
    return m_isSearching;
}

void BonjourBrowser::setSearching(bool searching)
{
    if (m_isSearching == searching)
        return;
    m_isSearching = searching;
    Q_EMIT isSearchingChanged();
}

void BonjourBrowser::startSearch()
{
    if (!m_discovered.isEmpty()) {
        m_discovered.clear();
        Q_EMIT discoveredChanged();
    }
    setSearching(true);
    clearResolutions();
    m_servicesFound = 0;

    // The browse of an earlier search is simply released, without a stop of its own.
    if (m_browser) {
        m_browser->close();
        m_browser->deleteLater();
    }
    m_browser = new DnsSdRequest(this);
    connect(m_browser, &DnsSdRequest::processed, this, &BonjourBrowser::onBrowseProcessed);
    DNSServiceRef ref = nullptr;
    const DNSServiceErrorType error =
        DNSServiceBrowse(&ref, 0, kDNSServiceInterfaceIndexAny, kServiceType, kDomain,
                         &BonjourBrowseCallback::reply, this);
    if (error != kDNSServiceErr_NoError || !ref) {
        // Service discovery is unavailable (no daemon): the search ends on the next turn.
        searchFailed();
        return;
    }
    m_browser->watch(ref);
}

void BonjourBrowser::stopSearch()
{
    if (m_browser) {
        m_browser->close();
        m_browser->deleteLater();
        m_browser = nullptr;
    }
    clearResolutions();
    setSearching(false);
}

void BonjourBrowser::searchFailed()
{
    QMetaObject::invokeMethod(
        this, [this] { setSearching(false); }, Qt::QueuedConnection);
}

void BonjourBrowser::onBrowseProcessed(bool ok)
{
    if (!ok) {
        searchFailed();
        return;
    }
    const QList<Found> found = std::exchange(m_found, {});
    for (const Found& service : found)
        startResolution(service);
}

void BonjourBrowser::startResolution(const Found& found)
{
    ++m_servicesFound;
    auto* resolution =
        new ServiceResolution(found.interfaceIndex, found.name, found.type, found.domain, this);
    connect(resolution, &ServiceResolution::resolved, this,
            [this, resolution](const QString& hostName, quint16 port) {
                onResolved(resolution, hostName, port);
            });
    connect(resolution, &ServiceResolution::failed, this,
            [this, resolution] { removeResolution(resolution); });
    if (!resolution->start(m_resolveTimeout)) {
        delete resolution;
        return;
    }
    m_resolving.append(resolution);
}

void BonjourBrowser::onResolved(ServiceResolution* resolution, const QString& hostName,
                                quint16 port)
{
    if (const auto host = resolvedHost(hostName, {})) {
        DiscoveredServer server;
        server.id = QUuid::createUuid();
        server.name = resolution->name();
        server.host = *host;
        server.port = port;
        // On a later turn of the event loop, after this reply has been handled.
        QMetaObject::invokeMethod(
            this, [this, server] { append(server); }, Qt::QueuedConnection);
    }
    removeResolution(resolution);
}

void BonjourBrowser::append(const DiscoveredServer& server)
{
    for (const DiscoveredServer& known : m_discovered) {
        if (known.host == server.host)
            return;
    }
    m_discovered.append(server);
    Q_EMIT discoveredChanged();
}

void BonjourBrowser::removeResolution(ServiceResolution* resolution)
{
    if (!m_resolving.removeAll(resolution))
        return;
    resolution->cancel();
    // Not deleted here: this may run inside its own signal.
    resolution->deleteLater();
}

void BonjourBrowser::clearResolutions()
{
    const QList<ServiceResolution*> resolving = std::exchange(m_resolving, {});
    for (ServiceResolution* resolution : resolving) {
        resolution->cancel();
        resolution->deleteLater();
    }
    m_found.clear();
}

void BonjourBrowser::listShares(const QString& host,
                                std::function<void(const QStringList&)> completion)
{
    QPointer<BonjourBrowser> self(this);
    std::shared_ptr<const ShareLister> lister = m_lister;
    QThreadPool::globalInstance()->start(
        [self, lister, host, completion = std::move(completion)]() mutable {
            QStringList names = lister ? lister->listShares(host) : QStringList();
            // Delivered through the application object, so the weak pointer is read only
            // on the main thread, where the browser lives and dies.
            QMetaObject::invokeMethod(
                QCoreApplication::instance(),
                [self, names = std::move(names), completion = std::move(completion)] {
                    if (self && completion)
                        completion(names);
                },
                Qt::QueuedConnection);
        });
}

} // namespace tarnwick
