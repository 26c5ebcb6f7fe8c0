#include "platform/linux/gio_command.h"

#include "platform/linux/gvfs_smb_location.h"

namespace tarnwick {

QStringList GioCommand::mountArgs(const QString& host, const QString& share,
                                  const std::optional<Credentials>& credentials)
{
    if (credentials)
        return {QStringLiteral("mount"), GvfsSmbLocation::mountUri(host, share, credentials->user)};
    return {QStringLiteral("mount"), QStringLiteral("-a"), GvfsSmbLocation::mountUri(host, share)};
}

QByteArray GioCommand::mountAnswers(const std::optional<Credentials>& credentials)
{
    if (!credentials)
        return {};
    return credentials->domain.toUtf8() + '\n' + credentials->password.toUtf8() + '\n';
}

ShareStatus::Reason GioCommand::failureOf(const QString& output, bool withLogin)
{
    // gio asks for the domain and the password once per login the server wants; a second
    // round after our answers means the server refused them (and counted a failed logon).
    const qsizetype asked = std::max(output.count(QLatin1StringView("Password: ")),
                                     output.count(QLatin1StringView("Domain [")));
    if (withLogin ? asked >= 2
                  : asked >= 1 || output.contains(QLatin1StringView("Anonymous access denied")))
        return ShareStatus::Reason::LoginRefused;
    if (output.contains(QLatin1StringView("No such file or directory")))
        return ShareStatus::Reason::NoSuchShare;
    return ShareStatus::Reason::None;
}

QStringList GioCommand::unmountArgs(const QString& location)
{
    return {QStringLiteral("mount"), QStringLiteral("-u"), GvfsSmbLocation::toUri(location)};
}

} // namespace tarnwick
