#pragma once

#include "discovery/share_lister.h"
#include "model/discovered_server.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <chrono>
#include <functional>
#include <memory>

class QThreadPool;
class TestBonjourBrowser;

namespace tarnwick {

class DiscoveryBackend;
class DiscoveryRequest;
class ServiceResolution;
struct FoundService;

// Finds SMB servers on the local network by DNS-SD ("_smb._tcp." in "local.") and lists a
// host's shares. Main thread; lives as long as the view that owns it.
class BonjourBrowser : public QObject {
    Q_OBJECT
    Q_PROPERTY(
        QList<tarnwick::DiscoveredServer> discovered READ discovered NOTIFY discoveredChanged)
    Q_PROPERTY(bool isSearching READ isSearching NOTIFY isSearchingChanged)

public:
    // lister serves listShares; it may be shared between browsers. Searches through
    // backend; a null backend makes every search fail.
    BonjourBrowser(std::shared_ptr<const ShareLister> lister,
                   std::shared_ptr<DiscoveryBackend> backend, QObject* parent = nullptr);
    ~BonjourBrowser() override;

    const QList<DiscoveredServer>& discovered() const;
    bool isSearching() const;

    // Starts a new search: empties the list at once.
    Q_INVOKABLE void startSearch();
    // Ends the search; what was found stays listed.
    Q_INVOKABLE void stopSearch();
    // Lists host's shares in the background, on a small pool of its own that nothing waits
    // for at exit; completion runs exactly once, later, on the main thread, with the sorted
    // names (empty on any failure, with its reason) — unless this browser is gone by then.
    void listShares(const QString& host, std::function<void(const ShareListing&)> completion);

Q_SIGNALS:
    void discoveredChanged();
    void isSearchingChanged();

private:
    friend class ::TestBonjourBrowser;

    void setSearching(bool searching);
    void startResolution(const FoundService& found);
    void onResolved(ServiceResolution* resolution, const QString& host, quint16 port);
    void removeResolution(ServiceResolution* resolution);
    void clearResolutions();
    void releaseBrowse();
    void append(const DiscoveredServer& server);
    void searchFailed();
    static QThreadPool& listingPool();

    std::shared_ptr<const ShareLister> m_lister;
    std::shared_ptr<DiscoveryBackend> m_backend;
    QList<DiscoveredServer> m_discovered;
    bool m_isSearching = false;
    // The browse of the current search; null before the first search and after stopSearch.
    // A browse that failed stays here until the next search or stop.
    DiscoveryRequest* m_browser = nullptr;
    QList<ServiceResolution*> m_resolving;
    std::chrono::milliseconds m_resolveTimeout{5000};
    int m_servicesFound = 0; // in the current search, for diagnosis
};

} // namespace tarnwick
