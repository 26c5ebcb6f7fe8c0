#pragma once

#include "model/discovered_server.h"

#include <QList>
#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

namespace tarnwick {

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
};

} // namespace tarnwick
