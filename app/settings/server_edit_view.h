#pragma once

#include "discovery/share_lister.h"
#include "model/server.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <memory>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class QVBoxLayout;

namespace tarnwick {

class BonjourBrowser;
class MountManager;
class ServerLoginRow;
class ShareCheckList;
class ShareLister;
class ShareStore;

// The editor of one server: name, host and enabled flag written to the store on every
// keystroke and toggle, and the host's shares as check boxes that add or remove a Share at
// once. Stored shares the listing lacks stay listed (and removable) while the editor lives;
// a share can be added by name. Where it connects: any network, or only the ticked ones of
// the system's known networks (read in the background) and those added by name. The card
// to wake: typed, or taken from the neighbour table once the host was seen. Follows the store's
// copy of its server; the field texts stay as typed. Main thread; store must outlive the view.
class ServerEditView : public QWidget {
    Q_OBJECT

public:
    // What the share area shows.
    enum class ShareArea {
        EnterHostFirst,
        Loading,
        NoSharesFound,
        LoginRefused,
        Unreachable,
        Shares,
        Hint
    };
    Q_ENUM(ShareArea)

    ServerEditView(const Server& server, ShareStore& store,
                   std::shared_ptr<const ShareLister> lister, QWidget* parent = nullptr);

    QUuid serverId() const { return m_server.id; }
    ShareArea shareArea() const;
    // The names of the last listing, sorted; empty before one finished.
    const QStringList& availableShares() const { return m_availableShares; }

    // Lists the shares of the trimmed host unless it is empty or was the last one listed.
    void loadIfNeeded();
    // Adds the server's login (stored user, sign in, forget) under its information; a
    // listing the host refused then offers a sign-in that lists again once it succeeds.
    void showLogin(MountManager& manager);
    // The sign-in offered where the listing was refused; hidden otherwise.
    QPushButton* listingSignIn() const { return m_signIn; }
    // The login row; null until showLogin.
    ServerLoginRow* loginRow() const { return m_login; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void storeChanged();
    void apply();
    void hostEdited();
    void sharesListed(quint64 listing, const ShareListing& result);
    QString trimmedHost() const;
    void showShareState();
    void setAvailableShares(const QStringList& names);
    void tickShareBoxes();
    void showShareBoxes();
    void shareToggled(const QString& name, bool ticked);
    bool isStored(const QString& name) const;
    QString typedShare() const;
    void addTypedShare();
    void networksRead(const QStringList& known);
    void showNetworkBoxes();
    void addTypedNetwork();
    void wakeEdited();
    void lookUpNeighbour();
    void neighbourRead(const QString& host, const QString& address);
    void openSignIn();

    Server m_server;
    ShareStore& m_store;
    std::shared_ptr<const ShareLister> m_lister;
    BonjourBrowser* m_bonjour;
    QPointer<MountManager> m_manager;

    QLineEdit* m_name;
    QLineEdit* m_host;
    QCheckBox* m_enabled;
    QToolButton* m_refresh;
    QLabel* m_shareMessage;
    QPushButton* m_signIn;
    QWidget* m_loadingRow;
    ShareCheckList* m_shareBoxes;
    QLineEdit* m_shareName;
    QPushButton* m_addShare;
    QComboBox* m_connectOn;
    QWidget* m_networkArea;
    ShareCheckList* m_networkBoxes;
    QLineEdit* m_networkName;
    QVBoxLayout* m_stack;
    ServerLoginRow* m_login = nullptr;
    QLineEdit* m_wakeOnLan;
    QLabel* m_wakeHint;
    QPushButton* m_useSeen;

    QStringList m_availableShares;
    // Every share name stored while the editor was open: shown even when not listed.
    QStringList m_keptShares;
    QStringList m_knownNetworks;
    // The networks ticked, kept while "any network" is chosen so that switching back keeps them.
    QStringList m_chosenNetworks;
    ShareListing::Failure m_failure = ShareListing::Failure::None;
    bool m_isLoadingShares = false;
    bool m_sharesLoaded = false;
    QString m_lastLoadedHost;
    QString m_seenAddress; // the neighbour table's address for the host, once it was seen
    // Tells the current listing from abandoned ones whose results must be dropped.
    quint64 m_listing = 0;
};

} // namespace tarnwick
