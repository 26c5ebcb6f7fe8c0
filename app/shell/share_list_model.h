#pragma once

#include "model/server.h"
#include "model/share.h"
#include "model/share_key.h"
#include "shell/share_list_row.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <functional>

namespace tarnwick {

class MountManager;
class ShareStore;

// What the popover and the tray menu show, computed once for both: a header per server, a
// row per share with its state and why it is not mounted, an Open row after each mounted
// share, or the empty-list text; then Mount All, Unmount All, Settings and Quit with
// separators; the tooltip summary. Follows the store and the manager's status changes (only
// the changed shares are read again). Main thread; store and manager must outlive it.
class ShareListModel : public QObject {
    Q_OBJECT

public:
    // UnlockLogins is listed only while a share waits for a locked keyring.
    enum ActionId { MountAll = 1, UnmountAll, Settings, Quit, UnlockLogins };

    ShareListModel(ShareStore& store, MountManager& manager, QObject* parent = nullptr);

    // Where Open takes a share: the path of its link when linkOf names one (may return
    // empty), else its mount's own location. Main thread.
    void setLinkLookup(std::function<QString(const ShareKey&)> linkOf)
    {
        m_linkOf = std::move(linkOf);
    }

    const QList<ShareListRow>& rows() const { return m_rows; }
    // The row with id; null when there is none (any more).
    const ShareListRow* row(int id) const;
    // Raised by one whenever the rows, the summary or needsAttention change.
    uint revision() const { return m_revision; }
    // "N of M shares mounted" for a tooltip, with how many servers live on networks that are
    // not up, and a line naming the shares that failed.
    const QString& summary() const { return m_summary; }
    // A share of an enabled server has its login refused or its server unreachable.
    bool needsAttention() const { return m_needsAttention; }

    // A click on the row with id: a busy share does nothing, a mounted one unmounts, one
    // waiting for a locked keyring asks for the unlock, any other mounts; Open opens the share's
    // location; actions run. False for an id that is not (or no longer) an enabled row that acts.
    bool activate(int id);

Q_SIGNALS:
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Target {
        Share share;
        Server server;
    };

    void rebuild();
    void updateShares(const QList<ShareKey>& changed);
    ShareListRow shareRow(int id, const Target& target) const;
    bool wantsSignIn(const ShareListRow& row) const;
    void publish(QList<ShareListRow> rows);
    int idFor(const QString& key);

    ShareStore& m_store;
    QPointer<MountManager> m_manager;
    QList<Server> m_servers; // the store's list the rows were built from
    QList<ShareListRow> m_rows;
    QHash<int, qsizetype> m_index; // row id -> position
    QHash<int, Target> m_targets;  // share and Open row ids -> their share
    QHash<ShareKey, int> m_shareIds;
    QHash<QString, int> m_ids;
    QString m_summary;
    bool m_needsAttention = false;
    int m_nextId = 100;
    uint m_revision = 1;
    std::function<QString(const ShareKey&)> m_linkOf;
};

} // namespace tarnwick
