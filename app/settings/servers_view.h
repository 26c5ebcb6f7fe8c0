#pragma once

#include "model/discovered_server.h"

#include <QPointer>
#include <QSet>
#include <QUuid>
#include <QWidget>

#include <memory>

class QStackedWidget;
class QToolButton;

namespace tarnwick {

class BonjourBrowser;
class DiscoverySheet;
class MountManager;
class ServerEditView;
class ServerListWidget;
class ShareLister;
class ShareStore;

// The Servers tab: the server list with add, remove and discover buttons, and the editor
// of the selected server (or a placeholder). Changes go through the store only. Owns the
// browser of its discovery sheet and stops it whenever the sheet goes away. Main thread;
// store must outlive the view.
class ServersView : public QWidget {
    Q_OBJECT

public:
    // manager may be null: the editor then shows no login.
    ServersView(ShareStore& store, std::shared_ptr<const ShareLister> lister,
                MountManager* manager = nullptr, QWidget* parent = nullptr);
    ~ServersView() override;

    // The selected server's id; null when nothing is selected. It may name a server that
    // is gone, which shows the placeholder.
    QUuid selectedServerId() const { return m_selectedServerId; }
    void setSelectedServerId(const QUuid& id);

    // The editor on the right; nullptr while the placeholder shows.
    ServerEditView* editor() const { return m_editor; }
    // The discovery sheet while it is presented, else nullptr.
    DiscoverySheet* discoverySheet() const;
    BonjourBrowser& browser() const { return *m_bonjour; }

    // The button actions.
    void addServer();
    void removeSelectedServer();
    void openDiscovery();
    // The list's delete action: removes the servers at positions and clears the selection.
    void deleteServers(const QSet<int>& positions);
    // Adds a server made from a discovered one, unless a server has exactly that host.
    void addDiscoveredServer(const DiscoveredServer& server, const QStringList& shareNames);

private:
    void serversChanged();
    void showRows();
    void showDetail();
    void listSelectionChanged();

    ShareStore& m_store;
    std::shared_ptr<const ShareLister> m_lister;
    QPointer<MountManager> m_manager;
    BonjourBrowser* m_bonjour;
    QUuid m_selectedServerId;

    ServerListWidget* m_list;
    QToolButton* m_remove;
    QStackedWidget* m_detail;
    QWidget* m_placeholder;
    ServerEditView* m_editor = nullptr;
    QPointer<DiscoverySheet> m_sheet;
    bool m_showingRows = false;
};

} // namespace tarnwick
