#include "platform/linux/gvfs_smb_location.h"

#include "platform/linux/smb_host.h"

#include <QUrl>

namespace tarnwick {

namespace {

const QString kScheme = QStringLiteral("smb://");

QString encoded(const QString& text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

} // namespace

std::optional<QString> GvfsSmbLocation::of(const GvfsMount& mount)
{
    if (mount.spec.value(QStringLiteral("type")) != QLatin1StringView("smb-share"))
        return std::nullopt;
    const QString server = mount.spec.value(QStringLiteral("server"));
    const QString share = mount.spec.value(QStringLiteral("share"));
    if (server.isEmpty() || share.isEmpty())
        return std::nullopt;

    QString location = kScheme;
    const QString domain = mount.spec.value(QStringLiteral("domain"));
    const QString user = mount.spec.value(QStringLiteral("user"));
    if (!domain.isEmpty())
        location += domain + u';';
    if (!user.isEmpty())
        location += user + u'@';
    // GVFS keeps an IPv6 server in brackets and a port other than 445 apart.
    const QString port = mount.spec.value(QStringLiteral("port"));
    location += SmbHost::parse(port.isEmpty() ? server : server + u':' + port).authority();
    return location + u'/' + share + u'/';
}

QString GvfsSmbLocation::describe(const GvfsMount& mount, const QString& location)
{
    QString line = mount.displayName + QStringLiteral(" (") + location + u')';
    if (!mount.fusePath.isEmpty())
        line += QStringLiteral(" at ") + mount.fusePath;
    return line;
}

QString GvfsSmbLocation::mountUri(const QString& host, const QString& share, const QString& user)
{
    QString uri = kScheme;
    if (!user.isEmpty())
        uri += encoded(user) + u'@';
    return uri + SmbHost::parse(host).authority() + u'/' + encoded(share);
}

QString GvfsSmbLocation::toUri(const QString& location)
{
    if (!location.startsWith(kScheme))
        return location;
    // Authority up to the first "/" (no part of it holds one), then the share up to the
    // trailing "/"; a user name may itself hold "@", so the last one ends it.
    const qsizetype start = kScheme.size();
    const qsizetype slash = location.indexOf(u'/', start);
    if (slash < 0)
        return location;
    const QString authority = location.mid(start, slash - start);
    QString share = location.mid(slash + 1);
    if (share.endsWith(u'/'))
        share.chop(1);

    QString uri = kScheme;
    const qsizetype at = authority.lastIndexOf(u'@');
    QString hostPort = authority;
    if (at >= 0) {
        QString userInfo = authority.left(at);
        const qsizetype semicolon = userInfo.indexOf(u';');
        if (semicolon >= 0)
            uri += encoded(userInfo.left(semicolon)) + u';';
        uri += encoded(userInfo.mid(semicolon + 1)) + u'@';
        hostPort = authority.mid(at + 1);
    }
    return uri + hostPort + u'/' + encoded(share) + u'/';
}

} // namespace tarnwick
