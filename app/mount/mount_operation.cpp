#include "mount/mount_operation.h"

#include "mount/engine_log.h"
#include "mount/helper_access.h"
#include "mount/login_fingerprint.h"
#include "mount/stop_signal.h"
#include "mount/system_profile.h"

#include <QFileInfo>

namespace tarnwick {

namespace {

QString flag(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

void logShare(const QString& shareName, const QString& message)
{
    log(u'[' + shareName + QStringLiteral("] ") + message);
}

} // namespace

MountOperation::MountOperation(const SystemProfile& profile, HelperAccess* helper,
                               const MountTiming& timing, const StopSignal& stop)
    : m_profile(profile)
    , m_helper(helper)
    , m_timing(timing)
    , m_stop(stop)
{
}

MountOutcome MountOperation::perform(const QString& host, const QString& shareName) const
{
    MountOutcome outcome;
    const QString key = m_profile.nameKey(shareName);
    if (m_profile.mountedShareNames().contains(key)) {
        logShare(shareName, QStringLiteral("already mounted"));
        outcome.mounted = true;
        return outcome;
    }

    removeStaleDirectory(shareName);

    // Once stopped, not even the keyring is asked: an unlock prompt could hold the quit.
    if (m_stop.stopped())
        return outcome;
    const auto credentials = m_profile.lookupKeychainCredentials(host);
    if (credentials)
        logShare(shareName,
                 QStringLiteral("mounting with credentials for '") + credentials->user + u'\'');
    else
        logShare(shareName, QStringLiteral("mounting without credentials"));

    outcome.attempted = QDateTime::currentDateTimeUtc();
    outcome.loginFingerprint = LoginFingerprint::of(credentials);
    const MountAttempt attempt =
        m_profile.requestMount(host, shareName, credentials, RunLimits{{}, &m_stop});
    outcome.toolStatus = attempt.status;
    outcome.message = attempt.message;
    logShare(shareName, m_profile.mountToolName() + QStringLiteral(" exit: ") +
                            QString::number(attempt.status));

    // A refusal the profile is sure of cannot turn into a mount: no need to watch for one.
    // Only a timed-out request may still end in a mount.
    const bool definite = attempt.failure != ShareStatus::Reason::None &&
                          attempt.failure != ShareStatus::Reason::TimedOut;
    outcome.mounted = !definite && pollForMount(key, m_profile.mountRequestWaits());
    if (!outcome.mounted) {
        outcome.reason = attempt.failure != ShareStatus::Reason::None
                             ? attempt.failure
                             : ShareStatus::Reason::MountFailed;
    }
    logShare(shareName, QStringLiteral("mounted: ") + flag(outcome.mounted));
    return outcome;
}

void MountOperation::removeStaleDirectory(const QString& shareName) const
{
    const QString root = m_profile.volumesRoot();
    if (root.isEmpty())
        return;
    const QString path = root + u'/' + shareName;
    if (!QFileInfo::exists(path))
        return;
    // The directory may belong to root (left by the system); only the helper can remove it.
    // A missing helper or a failed connection reads as "not removed"; the mount goes on.
    const bool removed = m_helper && m_helper->removeDirectory(path);
    logShare(shareName, QStringLiteral("removed stale dir: ") + flag(removed));
}

bool MountOperation::pollForMount(const QString& key, bool checkAtOnce) const
{
    if (checkAtOnce && m_profile.mountedShareNames().contains(key))
        return true;
    // Checking through the mounted-name set means a mount at "Name-1" counts too.
    for (const auto wait : m_timing.pollSchedule) {
        if (!m_stop.sleepFor(wait))
            return false;
        if (m_profile.mountedShareNames().contains(key))
            return true;
    }
    return false;
}

} // namespace tarnwick
