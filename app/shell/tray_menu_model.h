#pragma once

#include "model/server.h"
#include "model/share.h"
#include "model/share_key.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

namespace tarnwick {

class MountManager;
class ShareStore;

// One entry of the tray menu. Ids stay with their server, share or action for the whole run,
// so a click that crosses a change still reaches the entry it was meant for.
struct TrayMenuEntry {
    enum class Kind { Header, Share, Text, Separator, Action };
    int id = 0;
    Kind kind = Kind::Separator;
    QString label;
    bool enabled = true;
    bool mounted = false;   // shares only
    QString accessibleText; // shares: name, state and why not mounted ("Media, mounted")
    bool operator==(const TrayMenuEntry&) const = default;
};

// The popover's content as a flat list for menus outside the popover (the DBusMenu): a header
// per server, a row per share with its state and why it is not mounted (after a dash), an
// "open" entry after each mounted share, or the empty-list text, then Mount All, Unmount
// All, Settings and Quit with separators. Activating an entry makes the popover row's call.
// Main thread; store and manager must outlive it.
class TrayMenuModel : public QObject {
    Q_OBJECT

public:
    enum ActionId { MountAll = 1, UnmountAll, Settings, Quit };

    TrayMenuModel(ShareStore& store, MountManager& manager, QObject* parent = nullptr);

    const QList<TrayMenuEntry>& entries() const { return m_entries; }
    // Raised by one whenever the entries change.
    uint revision() const { return m_revision; }
    // "N of M shares mounted" for a tooltip, with a line naming the shares that failed.
    QString summary() const;
    // A share of an enabled server has its login refused or its server unreachable.
    bool needsAttention() const { return m_needsAttention; }

    // Does what the entry's popover row does; false for an id that is not (or no longer)
    // an enabled entry.
    bool activate(int id);

    // The accessible text of a share in a state (shared with the popover's rows).
    static QString accessibleText(const QString& name, bool mounted, bool busy);

Q_SIGNALS:
    void changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void rebuild();
    int idFor(const QString& key);

    ShareStore& m_store;
    QPointer<MountManager> m_manager;
    QList<TrayMenuEntry> m_entries;
    QHash<int, QPair<Share, Server>> m_shares;
    QHash<int, ShareKey> m_opens; // the "open" entries' shares
    QHash<QString, int> m_ids;
    QStringList m_failing; // "Name (reason)" of each share that did not mount
    bool m_needsAttention = false;
    int m_nextId = 100;
    uint m_revision = 1;
};

} // namespace tarnwick
