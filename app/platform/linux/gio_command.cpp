#include "platform/linux/gio_command.h"

#include "platform/linux/gvfs_smb_location.h"

namespace tarnwick {

QStringList GioCommand::mountArgs(const QString& host, const QString& share,
                                  const std::optional<Credentials>& credentials, bool withTicket)
{
    if (credentials)
        return {QStringLiteral("mount"), GvfsSmbLocation::mountUri(host, share, credentials->user)};
    if (withTicket)
        return {QStringLiteral("mount"), GvfsSmbLocation::mountUri(host, share)};
    return {QStringLiteral("mount"), QStringLiteral("-a"), GvfsSmbLocation::mountUri(host, share)};
}

QByteArray GioCommand::mountAnswers(const std::optional<Credentials>& credentials)
{
    if (!credentials)
        return {};
    return credentials->domain.toUtf8() + '\n' + credentials->password.toUtf8() + '\n';
}

QString GioCommand::errorOf(const QString& output)
{
    // "gio: URI: MESSAGE"; a URI holds no ": " (gio shows it percent-encoded).
    const QLatin1StringView marker("gio: ");
    const qsizetype line = output.lastIndexOf(marker);
    if (line < 0)
        return {};
    const qsizetype end = output.indexOf(u'\n', line);
    const QString error = output.mid(line, end < 0 ? -1 : end - line);
    const qsizetype colon = error.indexOf(QLatin1StringView(": "), marker.size());
    return colon < 0 ? error.mid(marker.size()) : error.mid(colon + 2);
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
    // GVFS words libsmbclient's errno: "Failed to mount Windows share: " + strerror.
    static const std::pair<const char*, ShareStatus::Reason> kErrors[] = {
        {"No such file or directory", ShareStatus::Reason::NoSuchShare},
        // An SMB1-only server breaks off the SMB2 negotiation.
        {"Software caused connection abort", ShareStatus::Reason::ProtocolUnsupported},
        {"Connection refused", ShareStatus::Reason::ConnectionRefused},
        // What libsmbclient says when the server's name does not resolve.
        {"Invalid argument", ShareStatus::Reason::HostNotFound},
    };
    const QString error = errorOf(output);
    for (const auto& [text, reason] : kErrors) {
        if (error.endsWith(QLatin1StringView(text)))
            return reason;
    }
    return ShareStatus::Reason::None;
}

QStringList GioCommand::unmountArgs(const QString& location)
{
    return {QStringLiteral("mount"), QStringLiteral("-u"), GvfsSmbLocation::toUri(location)};
}

} // namespace tarnwick
