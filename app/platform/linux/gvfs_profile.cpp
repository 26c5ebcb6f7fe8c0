#include "platform/linux/gvfs_profile.h"

#include "model/unicode_text.h"
#include "mount/engine_log.h"
#include "mount/tool_run.h"
#include "platform/linux/gio_command.h"
#include "platform/linux/gvfs_mount_tracker.h"
#include "platform/linux/gvfs_smb_location.h"
#include "platform/linux/secret_service_store.h"

#include <QDir>

#include <glib.h>

namespace tarnwick {

GvfsProfile::GvfsProfile(const QString& gioTool, const QString& pingTool)
    : m_gio(gioTool)
    , m_ping(pingTool)
{
}

QList<MountEntry> GvfsProfile::readSmbMounts() const
{
    QList<MountEntry> entries;
    for (const GvfsMount& mount : GvfsMountTracker::listMounts()) {
        if (const auto location = GvfsSmbLocation::of(mount))
            entries.append(MountEntry{GvfsSmbLocation::describe(mount, *location), *location});
    }
    return entries;
}

QString GvfsProfile::nameKey(const QString& name) const
{
    // The very folding GVFS applies to share names (g_utf8_casefold: "Straße" and
    // "STRASSE" both become "strasse"), on the canonical form so that composed and
    // decomposed accents still meet.
    const QByteArray utf8 = UnicodeText::canonical(name).toUtf8();
    gchar* folded = g_utf8_casefold(utf8.constData(), utf8.size());
    const QString key = UnicodeText::canonical(QString::fromUtf8(folded));
    g_free(folded);
    return key;
}

int GvfsProfile::requestMount(const QString& host, const QString& share,
                              const std::optional<Credentials>& credentials,
                              const RunLimits& limits) const
{
    // The password reaches gio only through its prompts on standard input: argv is
    // readable by every local user.
    ToolInput input;
    input.stdinData = GioCommand::mountAnswers(credentials);
    input.deadline = limits.deadline;
    input.stop = limits.stop;
    return runTool(m_gio, GioCommand::mountArgs(host, share, credentials), ToolStream::Discard,
                   ToolStream::Discard, input)
        .status;
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

int GvfsProfile::removeEmptyDirectory(const QString& path) const
{
    return QDir().rmdir(path) ? 0 : 1;
}

std::optional<Credentials> GvfsProfile::storedLogin(const QString& server) const
{
    return SecretServiceStore::find(server);
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
    // iputils ping: -W is in seconds.
    const QStringList args{QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-W"),
                           QStringLiteral("1"), host};
    return runTool(m_ping, args, ToolStream::Discard, ToolStream::Discard).status == 0;
}

} // namespace tarnwick
