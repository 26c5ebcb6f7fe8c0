#pragma once

#include "model/server.h"
#include "model/share_key.h"
#include "mount/mount_operation.h"
#include "mount/share_mounts.h"
#include "mount/share_status.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>

#include <functional>
#include <optional>

namespace tarnwick {

// The engine's one book of what holds for each configured share: its mount, the operation
// under way, how its last mount ended. Changes are gathered and published together: one
// statusesChanged per publish that changed a status, never one per field. Main thread.
class ShareBook : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // What the mount table shows now; replaces every mount the book knew.
    void setMounted(const MountedShares& mounted);
    // One share found mounted (mount given) or gone (nullopt), without a table read.
    void setMount(const ShareKey& key, const std::optional<MountEntry>& mount);
    // An operation starts (Mounting, Unmounting) or ends (NotMounted) for key.
    void setBusy(const ShareKey& key, ShareStatus::State operation);
    void setOutcome(const ShareKey& key, const MountOutcome& outcome);
    // A wake-up of the server at hostKey starts (true) or ends (false): its shares that are
    // neither mounted nor busy show Waking meanwhile.
    void setWaking(const QString& hostKey, bool waking);

    // Recomputes every status for the configured servers; isDown tells whether a host key's
    // last probe failed, isHere whether a server lives on the networks up now. Emits
    // statusesChanged when any status changed.
    void publish(const QList<Server>& servers, const std::function<bool(const QString&)>& isDown,
                 const std::function<bool(const Server&)>& isHere);

    const ShareStatusMap& statuses() const { return m_statuses; }
    bool isBusy(const ShareKey& key) const { return m_busy.contains(key); }
    bool isMounted(const ShareKey& key) const { return m_mounted.contains(key); }
    QSet<ShareKey> busy() const;
    const MountedShares& mounted() const { return m_mounted; }

Q_SIGNALS:
    // The statuses changed; changedKeys are the shares whose status did.
    void statusesChanged(const QList<tarnwick::ShareKey>& changedKeys);

private:
    MountedShares m_mounted;
    QHash<ShareKey, ShareStatus::State> m_busy;
    QHash<ShareKey, MountOutcome> m_lastOutcome;
    ShareStatusMap m_statuses;
    QSet<QString> m_waking; // host keys
};

} // namespace tarnwick
