#include "platform/linux/gvfs_profile.h"

#include "model/unicode_text.h"
#include "mount/engine_log.h"
#include "mount/stop_signal.h"
#include "mount/tool_run.h"
#include "platform/linux/gio_command.h"
#include "platform/linux/gvfs_mount_tracker.h"
#include "platform/linux/gvfs_smb_location.h"
#include "platform/linux/kerberos_ticket.h"
#include "platform/linux/neighbour_table.h"
#include "platform/linux/secret_service_locks.h"
#include "platform/linux/secret_service_store.h"
#include "platform/linux/smb_host.h"
#include "platform/unix/share_links.h"
#include "platform/unix/tcp_probe.h"
#include "platform/unix/wake_packet_sender.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <algorithm>
#include <future>
#include <glib.h>
#include <signal.h>
#include <unistd.h>

namespace tarnwick {

namespace {

using namespace std::chrono_literals;

// A mount of a reachable server takes well under a second; gvfsd-smb's own connect time-out
// is about 20 s. Ending gio before 25 s keeps a mount inside the 29-second poll window.
constexpr auto kMountDeadline = 25s;
constexpr auto kProbeTimeout = 1s;
constexpr auto kQuickProbe = 250ms;
constexpr auto kPingDeadline = 2s; // ping -W 1 plus start-up and name resolution
constexpr auto kShareCheckDeadline = 10s;

// True while pid is a running gvfsd-smb of this user, so a reused pid is never signalled.
bool isOwnSmbBackend(uint pid)
{
    const QString proc = QStringLiteral("/proc/%1").arg(pid);
    const QFileInfo exe(QFileInfo(proc + QStringLiteral("/exe")).symLinkTarget());
    return pid > 1 && exe.fileName() == QLatin1StringView("gvfsd-smb") &&
           QFileInfo(proc).ownerId() == ::getuid();
}

bool waitGone(uint pid, std::chrono::milliseconds limit)
{
    for (auto waited = 0ms; waited < limit; waited += 20ms) {
        if (!isOwnSmbBackend(pid))
            return true;
        QThread::msleep(20);
    }
    return !isOwnSmbBackend(pid);
}

// True when the server takes the login but refuses it the share: GVFS asks for the
// password again then just as for a wrong one; smbclient names the step that failed.
// The password travels through smbclient's standard input, never its arguments or environment.
bool shareClosedToLogin(const QString& smbclient, const QString& host, const QString& share,
                        const Credentials& login, const RunLimits& limits)
{
    // smbclient reads "user%password" out of a user name: one holding "%" cannot be given;
    // nor can a line end in a password read from a pipe.
    if (login.user.contains(u'%') || login.password.contains(u'\n'))
        return false;
    const SmbHost server = SmbHost::parse(host);
    QStringList args{QStringLiteral("//%1/%2").arg(server.name, share),
                     QStringLiteral("--port=%1").arg(server.port),
                     QStringLiteral("--user=") + login.user, QStringLiteral("--command=exit")};
    if (!login.domain.isEmpty())
        args.append(QStringLiteral("--workgroup=") + login.domain);
    ToolInput input;
    input.extraEnv.insert(QStringLiteral("PASSWD_FD"), QStringLiteral("0"));
    input.stdinData = login.password.toUtf8() + '\n';
    input.deadline = kShareCheckDeadline;
    input.stop = limits.stop;
    const ToolResult run =
        runTool(smbclient, args, ToolStream::Capture, ToolStream::Capture, input);
    return (run.out + run.err)
        .contains(QLatin1StringView("tree connect failed: NT_STATUS_ACCESS_DENIED"));
}

bool isListed(const QString& location)
{
    const QList<GvfsMount> mounts = GvfsMountTracker::listMounts();
    return std::any_of(mounts.begin(), mounts.end(),
                       [&](const GvfsMount& m) { return GvfsSmbLocation::of(m) == location; });
}

} // namespace

GvfsProfile::GvfsProfile(const QString& gioTool, const QString& pingTool,
                         const QString& smbclientTool, const QString& linksFolder,
                         const QString& klistTool)
    : m_gio(gioTool)
    , m_ping(pingTool)
    , m_smbclient(smbclientTool)
    , m_linksFolder(linksFolder)
    , m_klist(klistTool)
{
}

QString GvfsProfile::fuseRoot()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return runtime.isEmpty() ? QString() : runtime + QStringLiteral("/gvfs");
}

void GvfsProfile::cleanUpAtStart(const QStringList& shareNames, const StopSignal*) const
{
    if (m_linksFolder.isEmpty())
        return;
    QSet<QString> live;
    for (const MountEntry& mount : readSmbMounts())
        live.insert(mount.localPath);
    ShareLinks::removeDangling(m_linksFolder, shareNames, fuseRoot(), live);
}

bool GvfsProfile::folderAnswers(const MountEntry& mount, const RunLimits& limits) const
{
    if (mount.localPath.isEmpty())
        return true; // no gvfsd-fuse: nothing local to wait for
    // Listing the root is not enough: after a remount gvfsd-fuse may list it and still fail
    // the first open of a file. So a byte of the first readable file is read too, and an
    // entry that is listed but cannot be looked up counts as not answering. A few entries
    // only, so a root of a thousand folders costs a few lookups, not a thousand.
    static const QString script = QStringLiteral(
        "ls -A -- \"$1\" >/dev/null || exit 1\n"
        "n=0\n"
        "for f in \"$1\"/*; do\n"
        "  [ -e \"$f\" ] || [ -L \"$f\" ] || exit 1\n"
        "  if [ -f \"$f\" ] && [ -r \"$f\" ]; then exec head -c 1 -- \"$f\" >/dev/null; fi\n"
        "  n=$((n + 1)); [ $n -lt 8 ] || break\n"
        "done\n");
    ToolInput input;
    input.deadline = limits.deadline;
    input.stop = limits.stop;
    const ToolResult run = runTool(
        QStringLiteral("sh"), {QStringLiteral("-c"), script, QStringLiteral("sh"), mount.localPath},
        ToolStream::Discard, ToolStream::Discard, input);
    return run.status == 0 && !run.timedOut;
}

QList<MountEntry> GvfsProfile::readSmbMounts() const
{
    QList<MountEntry> entries;
    for (const GvfsMount& mount : GvfsMountTracker::listMounts()) {
        if (const auto location = GvfsSmbLocation::of(mount))
            entries.append(
                MountEntry{GvfsSmbLocation::describe(mount, *location), *location,
                           MountTable::hostKey(mount.spec.value(QStringLiteral("server"))),
                           mount.fusePath, mount.spec.value(QStringLiteral("share")),
                           mount.spec.value(QStringLiteral("port")).toInt()});
    }
    return entries;
}

QString GvfsProfile::nameKey(const QString& name) const
{
    // The very folding GVFS applies to share names (g_utf8_casefold: "Straße" and
    // "STRASSE" both become "strasse"), on the canonical form so that composed and
    // decomposed accents still meet. ASCII folds to its lower case there: only other names
    // need GLib's tables, which then stay out of an idle tray's memory.
    if (std::all_of(name.cbegin(), name.cend(), [](QChar c) { return c.unicode() < 0x80; }))
        return name.toLower();
    const QByteArray utf8 = UnicodeText::canonical(name).toUtf8();
    gchar* folded = g_utf8_casefold(utf8.constData(), utf8.size());
    const QString key = UnicodeText::canonical(QString::fromUtf8(folded));
    g_free(folded);
    return key;
}

MountAttempt GvfsProfile::requestMount(const QString& host, const QString& share,
                                       const MountLogin& login, const RunLimits& limits) const
{
    const std::optional<Credentials>& credentials = login.credentials;
    // The password reaches gio only through its prompts on standard input: argv is
    // readable by every local user. gio's own prompts in the C locale tell a refused login.
    ToolInput input;
    input.stdinData = GioCommand::mountAnswers(credentials);
    input.extraEnv.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    input.deadline = limits.deadline.count() > 0 ? limits.deadline : kMountDeadline;
    input.stop = limits.stop;
    const ToolResult run =
        runTool(m_gio, GioCommand::mountArgs(host, share, credentials, login.domainTicket),
                ToolStream::Capture, ToolStream::Capture, input);
    MountAttempt attempt{run.status, ShareStatus::Reason::None};
    if (run.timedOut) {
        attempt.failure = ShareStatus::Reason::TimedOut;
    } else if (run.status != 0) {
        const QString output = run.out + u'\n' + run.err;
        attempt.failure = GioCommand::failureOf(output, credentials.has_value());
        attempt.message = GioCommand::errorOf(output);
        // One more logon, only after a refusal: a good login kept out of one share must
        // not be held as a wrong password.
        if (attempt.failure == ShareStatus::Reason::LoginRefused && credentials &&
            !limits.singleLogon &&
            shareClosedToLogin(m_smbclient, host, share, *credentials, limits))
            attempt.failure = ShareStatus::Reason::AccessDenied;
    }
    return attempt;
}

int GvfsProfile::unmount(const QString& mountPoint, const RunLimits& limits) const
{
    ToolInput input;
    input.deadline = limits.deadline.count() > 0 ? limits.deadline : kUnmountDeadline;
    input.stop = limits.stop;
    return runTool(m_gio, GioCommand::unmountArgs(mountPoint), ToolStream::Discard,
                   ToolStream::Discard, input)
        .status;
}

int GvfsProfile::detach(const MountEntry& entry) const
{
    for (const GvfsMount& mount : GvfsMountTracker::listMounts()) {
        if (GvfsSmbLocation::of(mount) != entry.mountPoint)
            continue;
        const uint pid = GvfsMountTracker::processOf(mount.dbusId);
        if (!isOwnSmbBackend(pid))
            return 1;
        ::kill(pid_t(pid), SIGTERM);
        if (!waitGone(pid, 500ms)) {
            ::kill(pid_t(pid), SIGKILL);
            waitGone(pid, 500ms);
        }
        if (isOwnSmbBackend(pid))
            return 1;
        // gvfsd drops the mount when it sees the backend leave the bus: wait for that, so
        // the next read of the table no longer shows it.
        for (auto waited = 0ms; waited < 1000ms; waited += 20ms) {
            if (!isListed(entry.mountPoint))
                return 0;
            QThread::msleep(20);
        }
        return isListed(entry.mountPoint) ? 1 : 0;
    }
    return 0; // already gone
}

bool GvfsProfile::shows(const MountEntry& mount, const QString& host,
                        const QString& shareName) const
{
    // GVFS keeps the port only when it is not the default one.
    const int port = mount.port == 0 ? int(SmbHost::kDefaultPort) : mount.port;
    return !mount.host.isEmpty() && mount.host == MountTable::hostKey(host) &&
           port == SmbHost::parse(host).port && nameKey(mount.share) == nameKey(shareName);
}

std::optional<Credentials> GvfsProfile::storedLogin(const QString& server) const
{
    if (auto found = SecretServiceStore::find(server))
        return found;
    // The file manager and the sign-in name a host without its port ("nas" for "nas:4455").
    const QString name = SmbHost::parse(server).name;
    if (name.isEmpty() || name == server)
        return std::nullopt;
    return SecretServiceStore::find(name);
}

bool GvfsProfile::storeLogin(const QString& host, const Credentials& login) const
{
    return SecretServiceStore::store(host, login);
}

bool GvfsProfile::forgetLogins(const QString& host) const
{
    // The lookup reads the host as configured; the file manager's items name it without
    // its port.
    const QString name = SmbHost::parse(host).name;
    const bool configured = SecretServiceStore::forget(host);
    return (name == host || name.isEmpty() || SecretServiceStore::forget(name)) && configured;
}

MountLogin GvfsProfile::mountLogin(const QString& host) const
{
    MountLogin login;
    if (SecretServiceLocks::onlyLocked(host)) {
        login.unavailable = ShareStatus::Reason::KeyringLocked;
        return login;
    }
    login.credentials = lookupKeychainCredentials(host);
    if (login.credentials)
        return login;
    // Without a stored login a domain server is asked with the user's ticket, which
    // libsmbclient finds itself (anonymous access would only ever show it as a guest). A
    // mount with an expired ticket fails, or comes up as a guest: wait for a new one.
    switch (KerberosTicket::forHost(m_klist, host, nullptr)) {
    case KerberosTicket::State::Valid:
        login.domainTicket = true;
        break;
    case KerberosTicket::State::Expired:
        login.unavailable = ShareStatus::Reason::DomainTicketExpired;
        break;
    case KerberosTicket::State::None:
        break;
    }
    return login;
}

std::optional<Credentials> GvfsProfile::lookupKeychainCredentials(const QString& host) const
{
    auto credentials = storedLogin(host);
    if (credentials)
        log(QStringLiteral("[Keychain] found '") + credentials->user + QStringLiteral("' for ") +
            host);
    return credentials;
}

bool GvfsProfile::isHostReachable(const QString& host) const
{
    const auto [name, port] = SmbHost::parse(host);
    if (name.isEmpty() || name.startsWith(u'-'))
        return false;
    // Windows drops ICMP echo by default, and some hosts do not serve SMB on 445 but
    // answer ping: either answer counts. A server on the LAN accepts within milliseconds,
    // so ping starts only when the port has not answered at once; then both run side by
    // side, and a silent host costs little more than a second.
    if (TcpProbe::accepts(name, port, kQuickProbe))
        return true;
    StopSignal done;
    auto ping = std::async(std::launch::async, [this, &done, name = name] {
        ToolInput input;
        input.deadline = kPingDeadline;
        input.stop = &done;
        // iputils ping: -W is in seconds; "--" keeps any host text an operand.
        const QStringList args{QStringLiteral("-c"), QStringLiteral("1"),  QStringLiteral("-W"),
                               QStringLiteral("1"),  QStringLiteral("--"), name};
        return runTool(m_ping, args, ToolStream::Discard, ToolStream::Discard, input).status == 0;
    });
    if (TcpProbe::accepts(name, port, kProbeTimeout - kQuickProbe)) {
        done.stop();
        ping.wait();
        return true;
    }
    return ping.get();
}

bool GvfsProfile::servesSmb(const QString& host) const
{
    const auto [name, port] = SmbHost::parse(host);
    return !name.isEmpty() && !name.startsWith(u'-') &&
           TcpProbe::accepts(name, port, kProbeTimeout);
}

bool GvfsProfile::sendWakePacket(const QString& host, const QByteArray& mac) const
{
    const QString name = SmbHost::parse(host).name;
    return !name.isEmpty() && !name.startsWith(u'-') && WakePacketSender::send(name, mac);
}

QString GvfsProfile::neighbourAddress(const QString& host) const
{
    return NeighbourTable::addressOf(SmbHost::parse(host).name);
}

} // namespace tarnwick
