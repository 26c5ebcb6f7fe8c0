#include "platform/macos/mac_tool_profile.h"

#include "mount/engine_log.h"
#include "mount/tool_run.h"
#include "platform/macos/keychain_output.h"

#include <QUrl>

namespace tarnwick {

namespace {

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
    return MountTable::parseSmbMounts(run.out);
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

int MacToolProfile::requestMount(const QString& host, const QString& share,
                                 const std::optional<Credentials>& credentials,
                                 const RunLimits& limits) const
{
    // The script goes to osascript's standard input, not its argument list: argv is
    // visible to every local user, and the URL may carry the password.
    ToolInput input;
    input.stdinData = mountVolumeScript(mountUrl(host, share, credentials)).toUtf8();
    input.deadline = limits.deadline;
    input.stop = limits.stop;
    return runTool(osascriptTool(), {}, ToolStream::Discard, ToolStream::Discard, input).status;
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
    const QStringList args{QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-W"),
                           QStringLiteral("1"), host};
    return runTool(pingTool(), args, ToolStream::Discard, ToolStream::Discard).status == 0;
}

} // namespace tarnwick
