#include "platform/macos/mac_tool_profile.h"

#include "mount/engine_log.h"
#include "mount/helper_access.h"
#include "mount/tool_run.h"
#include "platform/macos/keychain_output.h"
#include "platform/macos/mac_mount_table.h"
#include "platform/macos/stale_mount_cleanup.h"

#include <QFileInfo>
#include <QUrl>

namespace tarnwick {

namespace {

using namespace std::chrono_literals;

// osascript returns once "mount volume" has its answer; a server that never answers would
// hold the worker for ever. The ping's -W 1 plus start-up.
constexpr auto kMountDeadline = 25s;
constexpr auto kPingDeadline = 2s;

// RFC 3986 unreserved characters stay as they are (Qt's default); sub-delimiters too.
const QByteArray kSubDelims = QByteArrayLiteral("!$&'()*+,;=");

QString encodeUserInfo(const QString& text)
{
    const QString encoded = QString::fromLatin1(text.toUtf8().toPercentEncoding(kSubDelims));
    return encoded.isEmpty() ? text : encoded;
}

} // namespace

MacToolProfile::MacToolProfile(const QString& root)
    : m_root(root)
{
}

QList<MountEntry> MacToolProfile::readSmbMounts() const
{
    // Reading the kernel's table never waits for a server; the limit only guards against a
    // stuck process, like the GVFS tracker's call on the other profile.
    ToolInput input;
    input.deadline = std::chrono::milliseconds(2000);
    const ToolResult run =
        runTool(mountTool(), {}, ToolStream::Capture, ToolStream::Discard, input);
    return MacMountTable::parseSmbMounts(run.out);
}

QString MacToolProfile::mountUrl(const QString& host, const QString& share,
                                 const std::optional<Credentials>& credentials)
{
    QString url = QStringLiteral("smb://");
    if (credentials) {
        url +=
            encodeUserInfo(credentials->user) + u':' + encodeUserInfo(credentials->password) + u'@';
    }
    return url + host + u'/' + share;
}

QString MacToolProfile::mountVolumeScript(const QString& url)
{
    // Host and share reach the URL unencoded; a quote or backslash in them must not end
    // the AppleScript string and run the rest as script.
    QString literal = url;
    literal.replace(u'\\', QLatin1StringView("\\\\"));
    literal.replace(u'"', QLatin1StringView("\\\""));
    return QStringLiteral("mount volume \"") + literal + u'"';
}

MountAttempt MacToolProfile::requestMount(const QString& host, const QString& share,
                                          const MountLogin& login, const RunLimits& limits) const
{
    const std::optional<Credentials>& credentials = login.credentials;
    // The script goes to osascript's standard input, not its argument list: argv is
    // visible to every local user, and the URL may carry the password.
    ToolInput input;
    input.stdinData = mountVolumeScript(mountUrl(host, share, credentials)).toUtf8();
    input.deadline = limits.deadline.count() > 0 ? limits.deadline : kMountDeadline;
    input.stop = limits.stop;
    const ToolResult run =
        runTool(osascriptTool(), {}, ToolStream::Discard, ToolStream::Discard, input);
    // Which status osascript gives a refused login is not known: only the time-out is told.
    return MountAttempt{run.status,
                        run.timedOut ? ShareStatus::Reason::TimedOut : ShareStatus::Reason::None};
}

int MacToolProfile::detach(const MountEntry& mount) const
{
    // A forced unmount does not wait for the server; the deadline guards against one that does.
    ToolInput input;
    input.deadline = std::chrono::seconds(2);
    return runTool(umountTool(), {QStringLiteral("-f"), mount.mountPoint}, ToolStream::Discard,
                   ToolStream::Discard, input)
        .status;
}

int MacToolProfile::unmount(const QString& mountPoint, const RunLimits& limits) const
{
    ToolInput input;
    input.deadline = limits.deadline.count() > 0 ? limits.deadline : kUnmountDeadline;
    input.stop = limits.stop;
    return runTool(umountTool(), {mountPoint}, ToolStream::Discard, ToolStream::Discard, input)
        .status;
}

QString MacToolProfile::volumesRoot() const
{
    return m_root + QStringLiteral("/Volumes");
}

bool MacToolProfile::shows(const MountEntry& mount, const QString&, const QString& shareName) const
{
    return MacMountTable::belongsTo(mount.mountPoint, shareName);
}

QString MacToolProfile::fallbackMountPoint(const QString& shareName) const
{
    return volumesRoot() + u'/' + shareName;
}

void MacToolProfile::prepareMount(const QString& shareName, HelperAccess* helper) const
{
    const QString path = volumesRoot() + u'/' + shareName;
    if (!QFileInfo::exists(path))
        return;
    // The directory may belong to root (left by the system); only the helper can remove it.
    // A missing helper or a failed connection reads as "not removed"; the mount goes on.
    const bool removed = helper && helper->removeDirectory(path);
    log(u'[' + shareName + QStringLiteral("] removed stale dir: ") +
        (removed ? QStringLiteral("true") : QStringLiteral("false")));
}

void MacToolProfile::cleanUpAtStart(const QStringList& shareNames, const StopSignal* stop) const
{
    StaleMountCleanup::run(*this, shareNames, stop);
}

int MacToolProfile::removeEmptyDirectory(const QString& path) const
{
    return runTool(rmdirTool(), {path}, ToolStream::Discard, ToolStream::Discard).status;
}

std::optional<Credentials> MacToolProfile::storedLogin(const QString& server) const
{
    const QStringList args{QStringLiteral("find-internet-password"),
                           QStringLiteral("-s"),
                           server,
                           QStringLiteral("-r"),
                           QStringLiteral("smb "),
                           QStringLiteral("-g")};
    const ToolResult run = runTool(securityTool(), args, ToolStream::Capture, ToolStream::Capture);
    if (run.status != 0)
        return std::nullopt;
    return KeychainOutput::parse(run.out + run.err);
}

std::optional<Credentials> MacToolProfile::lookupKeychainCredentials(const QString& host) const
{
    auto credentials = storedLogin(host);
    if (credentials)
        log(QStringLiteral("[Keychain] found '") + credentials->user + QStringLiteral("' for ") +
            host);
    return credentials;
}

bool MacToolProfile::isHostReachable(const QString& host) const
{
    // The ping command line stays as it is; a host text that ping would read as an option
    // is refused instead.
    if (host.isEmpty() || host.startsWith(u'-'))
        return false;
    const QStringList args{QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-W"),
                           QStringLiteral("1"), host};
    ToolInput input;
    input.deadline = kPingDeadline;
    return runTool(pingTool(), args, ToolStream::Discard, ToolStream::Discard, input).status == 0;
}

} // namespace tarnwick
