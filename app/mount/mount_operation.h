#pragma once

#include "mount/mount_table.h"
#include "mount/mount_timing.h"
#include "mount/share_status.h"
#include "mount/system_profile.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

namespace tarnwick {

class HelperAccess;
class StopSignal;

// How one mount ended: mounted, or why not; and which login the server saw.
struct MountOutcome {
    bool mounted = false;
    ShareStatus::Reason reason = ShareStatus::Reason::None; // None when mounted
    int toolStatus = 0;
    QString message;                 // the mount tool's own words on the failure, if any
    QDateTime attempted;             // when the request started; invalid when none was made
    QByteArray loginFingerprint;     // LoginFingerprint of the login tried; empty when none
    std::optional<MountEntry> mount; // the mount found when mounted
};

// Mounts one share and watches the mount table until it shows up or the poll schedule
// runs out, logging each step. Blocks its (background) thread for the whole mount; holds
// no state of its own, so several may run at once. helper may be null (no helper).
class MountOperation {
public:
    MountOperation(const SystemProfile& profile, HelperAccess* helper, const MountTiming& timing,
                   const StopSignal& stop);

    // Mounted when the table shows the share of host (already, when checkFirst, or after the
    // request; a new mount once its folder answers, or its checks ran out). A raised stop signal
    // cuts the poll short with the outcome not mounted.
    MountOutcome perform(const QString& host, const QString& shareName,
                         bool checkFirst = true) const;
    // One mount of the share with login instead of the stored one, and with one logon on the
    // server only (a sign-in). Logs the user, never the password.
    MountOutcome performWith(const QString& host, const QString& shareName,
                             const Credentials& login) const;

private:
    MountOutcome request(const QString& host, const QString& shareName, const MountLogin& login,
                         const RunLimits& limits) const;
    std::optional<MountEntry> find(const QString& host, const QString& shareName) const;
    std::optional<MountEntry> pollForMount(const QString& host, const QString& shareName,
                                           bool checkAtOnce) const;
    void awaitReady(const QString& shareName, const MountEntry& mount) const;

    const SystemProfile& m_profile;
    HelperAccess* m_helper;
    const MountTiming& m_timing;
    const StopSignal& m_stop;
};

} // namespace tarnwick
