#include "mount/mount_operation.h"

#include "mount/engine_log.h"
#include "mount/login_fingerprint.h"
#include "mount/share_mounts.h"
#include "mount/stop_signal.h"
#include "mount/system_profile.h"

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

MountOutcome MountOperation::perform(const QString& host, const QString& shareName,
                                     bool checkFirst) const
{
    MountOutcome outcome;
    if (checkFirst) {
        outcome.mount = find(host, shareName);
        if (outcome.mount) {
            logShare(shareName, QStringLiteral("already mounted"));
            outcome.mounted = true;
            return outcome;
        }
    }

    m_profile.prepareMount(shareName, m_helper);

    // Once stopped, not even the keyring is asked: an unlock prompt could hold the quit.
    if (m_stop.stopped())
        return outcome;
    // Without the login it may need, a mount would only fail or come up as a guest: the share
    // waits for the keyring or a new ticket instead.
    const MountLogin login = m_profile.mountLogin(host);
    if (login.unavailable != ShareStatus::Reason::None) {
        outcome.reason = login.unavailable;
        return outcome;
    }
    return request(host, shareName, login, RunLimits{{}, &m_stop});
}

MountOutcome MountOperation::performWith(const QString& host, const QString& shareName,
                                         const Credentials& login) const
{
    m_profile.prepareMount(shareName, m_helper);
    if (m_stop.stopped())
        return {};
    return request(host, shareName, MountLogin{login}, RunLimits{{}, &m_stop, true});
}

MountOutcome MountOperation::request(const QString& host, const QString& shareName,
                                     const MountLogin& login, const RunLimits& limits) const
{
    MountOutcome outcome;
    const std::optional<Credentials>& credentials = login.credentials;
    if (credentials)
        logShare(shareName,
                 QStringLiteral("mounting with credentials for '") + credentials->user + u'\'');
    else
        logShare(shareName, QStringLiteral("mounting without credentials"));

    outcome.attempted = QDateTime::currentDateTimeUtc();
    outcome.loginFingerprint = LoginFingerprint::of(credentials);
    const MountAttempt attempt = m_profile.requestMount(host, shareName, login, limits);
    outcome.toolStatus = attempt.status;
    outcome.message = attempt.message;
    logShare(shareName, m_profile.mountToolName() + QStringLiteral(" exit: ") +
                            QString::number(attempt.status));

    // A refusal the profile is sure of cannot turn into a mount: no need to watch for one.
    // Only a timed-out request may still end in a mount.
    const bool definite = attempt.failure != ShareStatus::Reason::None &&
                          attempt.failure != ShareStatus::Reason::TimedOut;
    if (!definite)
        outcome.mount = pollForMount(host, shareName, m_profile.mountRequestWaits());
    outcome.mounted = outcome.mount.has_value();
    if (outcome.mounted)
        awaitReady(shareName, *outcome.mount);
    if (!outcome.mounted) {
        outcome.reason = attempt.failure != ShareStatus::Reason::None
                             ? attempt.failure
                             : ShareStatus::Reason::MountFailed;
    }
    logShare(shareName, QStringLiteral("mounted: ") + flag(outcome.mounted));
    return outcome;
}

std::optional<MountEntry> MountOperation::find(const QString& host, const QString& shareName) const
{
    return ShareMounts::find(m_profile, m_profile.readSmbMounts(), host, shareName);
}

std::optional<MountEntry>
MountOperation::pollForMount(const QString& host, const QString& shareName, bool checkAtOnce) const
{
    if (checkAtOnce) {
        if (auto mount = find(host, shareName))
            return mount;
    }
    for (const auto wait : m_timing.pollSchedule) {
        if (!m_stop.sleepFor(wait))
            return std::nullopt;
        if (auto mount = find(host, shareName))
            return mount;
    }
    return std::nullopt;
}

// Reports a new mount only once its folder answers, so that the user's first access after a
// remount is not the one gvfsd-fuse fails. Checked only here, right after the mount: a later
// read could hang on a server that froze, and a read in flight keeps the folder busy.
void MountOperation::awaitReady(const QString& shareName, const MountEntry& mount) const
{
    for (const auto wait : m_timing.readyChecks) {
        if (!m_stop.sleepFor(wait))
            return;
        if (m_profile.folderAnswers(mount, RunLimits{m_timing.readyDeadline, &m_stop}))
            return;
    }
    logShare(shareName, QStringLiteral("folder not answering yet"));
}

} // namespace tarnwick
