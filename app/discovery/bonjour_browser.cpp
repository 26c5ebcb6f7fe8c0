#include "discovery/bonjour_browser.h"

#include "discovery/discovery_backend.h"
#include "discovery/service_resolution.h"
#include "discovery/share_lister.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>
#include <QUuid>

namespace tarnwick {

namespace {

const QString kServiceType = QStringLiteral("_smb._tcp.");
const QString kDomain = QStringLiteral("local.");
// A listing blocks its thread for as long as smbclient or smbutil takes; two at once serve
// a user who picks one server after another, and keep a burst of clicks from starting
// dozens of tools.
constexpr int kListingThreads = 2;

// Where finished listings are handed back: an object of the main thread that is never
// destroyed, so a listing that ends during or after the exit has somewhere harmless to go.
QObject& listingInbox()
{
    static QObject* inbox = new QObject;
    return *inbox;
}

} // namespace

BonjourBrowser::BonjourBrowser(std::shared_ptr<const ShareLister> lister,
                               std::shared_ptr<DiscoveryBackend> backend, QObject* parent)
    : QObject(parent)
    , m_lister(std::move(lister))
    , m_backend(std::move(backend))
{
}

BonjourBrowser::~BonjourBrowser()
{
    // End every request now: no report may reach a half-destroyed browser.
    clearResolutions();
    releaseBrowse();
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
    releaseBrowse();
    if (!m_backend) {
        searchFailed();
        return;
    }
    m_browser = m_backend->browse(kServiceType, kDomain, this);
    connect(m_browser, &DiscoveryRequest::serviceFound, this, &BonjourBrowser::startResolution);
    connect(m_browser, &DiscoveryRequest::failed, this, &BonjourBrowser::searchFailed);
}

void BonjourBrowser::stopSearch()
{
    releaseBrowse();
    clearResolutions();
    setSearching(false);
}

void BonjourBrowser::releaseBrowse()
{
    if (!m_browser)
        return;
    m_browser->disconnect(this);
    // Later: this may run inside the browse's own signal.
    m_browser->deleteLater();
    m_browser = nullptr;
}

void BonjourBrowser::searchFailed()
{
    QMetaObject::invokeMethod(
        this, [this] { setSearching(false); }, Qt::QueuedConnection);
}

void BonjourBrowser::startResolution(const FoundService& found)
{
    ++m_servicesFound;
    auto* resolution = new ServiceResolution(m_backend, found, this);
    connect(resolution, &ServiceResolution::resolved, this,
            [this, resolution](const QString& host, quint16 port) {
                onResolved(resolution, host, port);
            });
    connect(resolution, &ServiceResolution::failed, this,
            [this, resolution] { removeResolution(resolution); });
    m_resolving.append(resolution);
    resolution->start(m_resolveTimeout);
}

void BonjourBrowser::onResolved(ServiceResolution* resolution, const QString& host, quint16 port)
{
    DiscoveredServer server;
    server.id = QUuid::createUuid();
    server.name = resolution->name();
    server.host = host;
    server.port = port;
    // On a later turn of the event loop, after this reply has been handled.
    QMetaObject::invokeMethod(
        this, [this, server] { append(server); }, Qt::QueuedConnection);
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
}

QThreadPool& BonjourBrowser::listingPool()
{
    // Never destroyed: a pool's destructor waits for its work, and a listing stuck in
    // smbclient must not hold up the exit (QCoreApplication waits only for the global pool).
    static QThreadPool* pool = [] {
        auto* created = new QThreadPool;
        created->setMaxThreadCount(kListingThreads);
        return created;
    }();
    return *pool;
}

void BonjourBrowser::listShares(const QString& host,
                                std::function<void(const ShareListing&)> completion)
{
    QPointer<BonjourBrowser> self(this);
    std::shared_ptr<const ShareLister> lister = m_lister;
    QObject* inbox = &listingInbox();
    listingPool().start([self, lister, host, inbox, completion = std::move(completion)]() mutable {
        ShareListing names = lister ? lister->listing(host) : ShareListing();
        // The weak pointer is read only on the main thread, where the browser lives and
        // dies.
        QMetaObject::invokeMethod(
            inbox,
            [self, names = std::move(names), completion = std::move(completion)] {
                if (self && completion)
                    completion(names);
            },
            Qt::QueuedConnection);
    });
}

} // namespace tarnwick
