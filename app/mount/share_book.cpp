#include "mount/share_book.h"

#include "mount/mount_table.h"
#include "mount/share_name.h"

namespace tarnwick {

void ShareBook::setMounted(const MountedShares& mounted)
{
    m_mounted = mounted;
}

void ShareBook::setMount(const ShareKey& key, const std::optional<MountEntry>& mount)
{
    if (mount)
        m_mounted.insert(key, *mount);
    else
        m_mounted.remove(key);
}

void ShareBook::setBusy(const ShareKey& key, ShareStatus::State operation)
{
    if (operation == ShareStatus::State::Mounting || operation == ShareStatus::State::Unmounting)
        m_busy.insert(key, operation);
    else
        m_busy.remove(key);
}

void ShareBook::setOutcome(const ShareKey& key, const MountOutcome& outcome)
{
    if (outcome.attempted.isValid() || outcome.mounted ||
        outcome.reason != ShareStatus::Reason::None)
        m_lastOutcome.insert(key, outcome);
}

void ShareBook::setWaking(const QString& hostKey, bool waking)
{
    if (waking)
        m_waking.insert(hostKey);
    else
        m_waking.remove(hostKey);
}

QSet<ShareKey> ShareBook::busy() const
{
    QSet<ShareKey> keys;
    for (auto it = m_busy.cbegin(); it != m_busy.cend(); ++it)
        keys.insert(it.key());
    return keys;
}

void ShareBook::publish(const QList<Server>& servers,
                        const std::function<bool(const QString&)>& isDown,
                        const std::function<bool(const Server&)>& isHere)
{
    ShareStatusMap statuses;
    for (const Server& server : servers) {
        const bool away = server.isEnabled && !isHere(server);
        const QString hostKey = MountTable::hostKey(server.host);
        const bool waking = server.isEnabled && !away && m_waking.contains(hostKey);
        const bool hostDown = server.isEnabled && !away && isDown(hostKey);
        for (const Share& share : server.shares) {
            if (!ShareName::isUsable(share.name))
                continue;
            const ShareKey key = ShareKey::of(server, share);
            ShareStatus status;
            status.name = share.name;
            const MountOutcome last = m_lastOutcome.value(key);
            status.toolStatus = last.toolStatus;
            status.message = last.message;
            status.lastAttempt = last.attempted;
            if (const auto busy = m_busy.constFind(key); busy != m_busy.cend())
                status.state = *busy;
            else if (m_mounted.contains(key))
                status.state = ShareStatus::State::Mounted;
            else if (away)
                status.reason = ShareStatus::Reason::NotOnThisNetwork;
            else if (waking)
                status.reason = ShareStatus::Reason::Waking;
            else if (hostDown)
                status.reason = ShareStatus::Reason::ServerUnreachable;
            else
                status.reason = last.reason;
            statuses.insert(key, status);
        }
    }
    if (statuses == m_statuses)
        return;
    QList<ShareKey> changed;
    for (auto it = statuses.cbegin(); it != statuses.cend(); ++it) {
        if (m_statuses.value(it.key()) != *it || !m_statuses.contains(it.key()))
            changed.append(it.key());
    }
    for (auto it = m_statuses.cbegin(); it != m_statuses.cend(); ++it) {
        if (!statuses.contains(it.key()))
            changed.append(it.key());
    }
    m_statuses = std::move(statuses);
    Q_EMIT statusesChanged(changed);
}

} // namespace tarnwick
