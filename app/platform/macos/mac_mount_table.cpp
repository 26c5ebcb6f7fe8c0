#include "platform/macos/mac_mount_table.h"

#include "model/unicode_text.h"

#include <QRegularExpression>

namespace tarnwick {

QList<MountEntry> MacMountTable::parseSmbMounts(const QString& mountOutput)
{
    QList<MountEntry> mounts;
    for (const QString& line : UnicodeText::splitLines(mountOutput)) {
        if (auto mountPoint = mountPointOf(line))
            mounts.append(MountEntry{
                line, *mountPoint, hostOf(line), {}, MountTable::lastComponent(*mountPoint)});
    }
    return mounts;
}

QString MacMountTable::hostOf(const QString& line)
{
    if (!line.startsWith(QLatin1StringView("//")))
        return {};
    return MountTable::hostKey(line.mid(2, line.indexOf(u'/', 2) - 2));
}

std::optional<QString> MacMountTable::mountPointOf(const QString& line)
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

std::optional<QString> MacMountTable::numberedBase(const QString& name)
{
    // \d takes every Unicode decimal digit, as the platform's regular expressions do.
    static const QRegularExpression suffix(QStringLiteral("-\\d+$"),
                                           QRegularExpression::UseUnicodePropertiesOption);
    const QRegularExpressionMatch match = suffix.match(name);
    if (!match.hasMatch())
        return std::nullopt;
    return name.left(match.capturedStart());
}

QSet<QString> MacMountTable::shareNames(const QList<MountEntry>& mounts)
{
    QSet<QString> names;
    for (const MountEntry& mount : mounts) {
        const QString name = MountTable::lastComponent(mount.mountPoint);
        if (name.isEmpty())
            continue;
        names.insert(UnicodeText::canonical(name));
        if (auto base = numberedBase(name); base && !base->isEmpty())
            names.insert(UnicodeText::canonical(*base));
    }
    return names;
}

bool MacMountTable::belongsTo(const QString& mountPoint, const QString& shareName)
{
    const QString key = UnicodeText::canonical(shareName);
    const QString component = MountTable::lastComponent(mountPoint);
    if (component.isEmpty())
        return false;
    if (UnicodeText::canonical(component) == key)
        return true;
    const auto base = numberedBase(component);
    return base && !base->isEmpty() && UnicodeText::canonical(*base) == key;
}

} // namespace tarnwick
