#pragma once

#include "model/server.h"

#include <QStringList>
#include <QWidget>

#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;

namespace tarnwick {

class BonjourBrowser;
class ShareCheckList;
class ShareLister;
class ShareStore;

// The editor of one server: name, host and enabled flag written to the store on every
// keystroke and toggle, and the host's shares as check boxes that add or remove a Share at
// once. Follows the store's copy of its server; the field texts stay as typed. Main thread;
// store must outlive the view.
class ServerEditView : public QWidget {
    Q_OBJECT

public:
    // What the share area shows.
    enum class ShareArea { EnterHostFirst, Loading, NoSharesFound, Shares, Hint };
    Q_ENUM(ShareArea)

    ServerEditView(const Server& server, ShareStore& store,
                   std::shared_ptr<const ShareLister> lister, QWidget* parent = nullptr);

    QUuid serverId() const { return m_server.id; }
    ShareArea shareArea() const;
    // The names of the last listing, sorted; empty before one finished.
    const QStringList& availableShares() const { return m_availableShares; }

    // Lists the shares of the trimmed host unless it is empty or was the last one listed.
    void loadIfNeeded();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void storeChanged();
    void apply();
    void hostEdited();
    void sharesListed(quint64 listing, const QStringList& names);
    QString trimmedHost() const;
    void showShareState();
    void setAvailableShares(const QStringList& names);
    void tickShareBoxes();
    void shareToggled(const QString& name, bool ticked);

    Server m_server;
    ShareStore& m_store;
    BonjourBrowser* m_bonjour;

    QLineEdit* m_name;
    QLineEdit* m_host;
    QCheckBox* m_enabled;
    QToolButton* m_refresh;
    QLabel* m_shareMessage;
    QWidget* m_loadingRow;
    ShareCheckList* m_shareBoxes;

    QStringList m_availableShares;
    bool m_isLoadingShares = false;
    bool m_sharesLoaded = false;
    QString m_lastLoadedHost;
    // Tells the current listing from abandoned ones whose results must be dropped.
    quint64 m_listing = 0;
};

} // namespace tarnwick
