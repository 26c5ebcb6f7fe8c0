#pragma once

#include "model/discovered_server.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QStringList>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

class TestBonjourBrowser;

namespace tarnwick {

class DnsSdRequest;
class ServiceResolution;
class ShareLister;

// Finds SMB servers on the local network by DNS-SD ("_smb._tcp." in "local.") and lists a
// host's shares. Main thread; lives as long as the view that owns it.
class BonjourBrowser : public QObject {
    Q_OBJECT
    Q_PROPERTY(
        QList<tarnwick::DiscoveredServer> discovered READ discovered NOTIFY discoveredChanged)
    Q_PROPERTY(bool isSearching READ isSearching NOTIFY isSearchingChanged)

public:
    // lister serves listShares; it may be shared between browsers.
    explicit BonjourBrowser(std::shared_ptr<const ShareLister> lister, QObject* parent = nullptr);
    ~BonjourBrowser() override;

    const QList<DiscoveredServer>& discovered() const;
    bool isSearching() const;

    // Starts a new search: empties the list at once.
    Q_INVOKABLE void startSearch();
    // Ends the search; what was found stays listed.
    Q_INVOKABLE void stopSearch();
    // Lists host's shares in the background; completion runs exactly once, later, on the
    // main thread, with the sorted names (empty on any failure) — unless this browser is
    // gone by then.
    void listShares(const QString& host, std::function<void(const QStringList&)> completion);

Q_SIGNALS:
    void discoveredChanged();
    void isSearchingChanged();

private:
    friend class ::TestBonjourBrowser;
    // A service the browse reported, waiting for its resolution to start.
    struct Found {
        uint32_t interfaceIndex;
        QByteArray name;
        QByteArray type;
        QByteArray domain;
    };
    friend struct BonjourBrowseCallback;

    void setSearching(bool searching);
    void onBrowseProcessed(bool ok);
    void startResolution(const Found& found);
    void onResolved(ServiceResolution* resolution, const QString& hostName, quint16 port);
    void removeResolution(ServiceResolution* resolution);
    void clearResolutions();
    void append(const DiscoveredServer& server);
    void searchFailed();

    std::shared_ptr<const ShareLister> m_lister;
    QList<DiscoveredServer> m_discovered;
    bool m_isSearching = false;
    // The browse of the current search; null before the first search and after stopSearch.
    // A browse that failed to start stays here, closed.
    DnsSdRequest* m_browser = nullptr;
    QList<ServiceResolution*> m_resolving;
    QList<Found> m_found;
    std::chrono::milliseconds m_resolveTimeout{5000};
    int m_servicesFound = 0; // in the current search, for diagnosis
};

} // namespace tarnwick
