#pragma once

#include "model/discovered_server.h"

#include <QDialog>
#include <QHash>
#include <QSet>
#include <QStringList>

class QLabel;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;

namespace tarnwick {

class BonjourBrowser;
class DiscoveredServerSection;

// The sheet that lists the SMB servers the browser finds, each with its shares (all ticked
// at first), and hands a server with the ticked share names to addRequested. It never
// touches the store and never stops the browser (the Servers tab does, when the sheet goes
// away). Window-modal, fixed 460 x 400; main thread; bonjour must outlive the sheet.
class DiscoverySheet : public QDialog {
    Q_OBJECT

public:
    DiscoverySheet(BonjourBrowser& bonjour, QWidget* parent = nullptr);

    // The section shown for host, or nullptr.
    DiscoveredServerSection* sectionFor(const QString& host) const;

    // Forgets every listing, tick and check mark and searches again.
    void rescan();

Q_SIGNALS:
    void addRequested(const tarnwick::DiscoveredServer& server, const QStringList& shareNames);

private:
    void discoveredChanged();
    void searchingChanged();
    void loadShares(const DiscoveredServer& server);
    void sharesListed(const QString& host, const QStringList& names);
    void add(const DiscoveredServer& server);
    void showSection(const QString& host);
    void showAllSections();

    BonjourBrowser& m_bonjour;
    // Keyed by the host exactly as the browser reports it.
    QHash<QString, QStringList> m_serverShares;
    QHash<QString, QSet<QString>> m_selectedShares;
    QSet<QString> m_loadingShares;
    QSet<QString> m_addedHosts;

    QList<DiscoveredServerSection*> m_sections;
    QWidget* m_titleBusy;
    QStackedWidget* m_body;
    QWidget* m_searching;
    QWidget* m_noneFound;
    QVBoxLayout* m_sectionLayout;
    QPushButton* m_rescan;
    QPushButton* m_done;
};

} // namespace tarnwick
