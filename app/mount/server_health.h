#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace tarnwick {

class SystemProfile;

// How each server answered its recent probes: the probes it missed in a row, by host key.
// Main thread, apart from probe().
class ServerHealth {
public:
    // Asks the profile about every host at once (twenty silent servers cost one probe time,
    // not twenty); the answers by host key. Blocks; any thread.
    static QHash<QString, bool> probe(const SystemProfile& profile, const QStringList& hosts);

    // Counts this round's answers: an answer clears a host's count, silence adds one.
    void note(const QHash<QString, bool>& reachable);
    // True when the host's last probe went unanswered.
    bool isDown(const QString& hostKey) const { return m_missed.value(hostKey) > 0; }
    const QHash<QString, int>& missed() const { return m_missed; }

private:
    QHash<QString, int> m_missed;
};

} // namespace tarnwick
