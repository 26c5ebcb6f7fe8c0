#include "mount/mount_table.h"

#include "model/unicode_text.h"

#include <QRegularExpression>

namespace tarnwick {

QList<MountEntry> MountTable::parseSmbMounts(const QString& mountOutput)
{
    QList<MountEntry> mounts;
    for (const QString& line : UnicodeText::splitLines(mountOutput)) {
        if (auto mountPoint = mountPointOf(line))
            mounts.append(MountEntry{line, *mountPoint, hostOf(line)});
    }
    return mounts;
}

QString MountTable::hostOf(const QString& line)
{
    if (!line.startsWith(QLatin1StringView("//")))
        return {};
    return hostKey(line.mid(2, line.indexOf(u'/', 2) - 2));
}

QString MountTable::hostKey(const QString& server)
{
    QString host = server.mid(server.lastIndexOf(u'@') + 1);
    // "host:port"; a bracketed IPv6 address keeps its colons, a bare one has several.
    const qsizetype colon = host.lastIndexOf(u':');
    if (colon > host.lastIndexOf(u']') && (host.startsWith(u'[') || host.count(u':') == 1))
        host.truncate(colon);
    if (host.startsWith(u'[') && host.endsWith(u']'))
        host = host.mid(1, host.size() - 2);
    return host.toLower();
}

std::optional<QString> MountTable::mountPointOf(const QString& line)
{
    if (!line.contains(QLatin1StringView("smbfs")))
        return std::nullopt;
    const qsizetype on = line.indexOf(QLatin1StringView(" on "));
    if (on < 0)
        return std::nullopt;
    const qsizetype paren = line.indexOf(QLatin1StringView(" ("));
    const qsizetype start = on + 4;
    // A " (" inside the server part leaves no mount point; skip such a line.
    if (paren < start)
        return std::nullopt;
    return UnicodeText::trimBlanks(line.mid(start, paren - start));
}

QString MountTable::lastComponent(const QString& path)
{
    qsizetype end = path.size();
    while (end > 0 && path.at(end - 1) == u'/')
        --end;
    const qsizetype slash = path.lastIndexOf(u'/', end - 1);
    return path.mid(slash + 1, end - slash - 1);
}

std::optional<QString> MountTable::numberedBase(const QString& name)
{
    // \d takes every Unicode decimal digit, as the platform's regular expressions do.
    static const QRegularExpression suffix(QStringLiteral("-\\d+$"),
                                           QRegularExpression::UseUnicodePropertiesOption);
    const QRegularExpressionMatch match = suffix.match(name);
    if (!match.hasMatch())
        return std::nullopt;
    return name.left(match.capturedStart());
}

QSet<QString> MountTable::shareNames(const QList<MountEntry>& mounts, bool numberedAliases)
{
    QSet<QString> names;
    for (const MountEntry& mount : mounts) {
        const QString name = lastComponent(mount.mountPoint);
        if (name.isEmpty())
            continue;
        names.insert(name);
        if (!numberedAliases)
            continue;
        if (auto base = numberedBase(name); base && !base->isEmpty())
            names.insert(*base);
    }
    return names;
}

} // namespace tarnwick
