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

QStringList GioCommand::unmountArgs(const QString& location)
{
    return {QStringLiteral("mount"), QStringLiteral("-u"), GvfsSmbLocation::toUri(location)};
}

} // namespace tarnwick
