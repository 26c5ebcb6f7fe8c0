#include "mount/system_profile.h"

#include "model/unicode_text.h"

namespace tarnwick {

QSet<QString> SystemProfile::shareKeys(const QList<MountEntry>& mounts) const
{
    const QSet<QString> names = MountTable::shareNames(mounts, mountsNumberedDuplicates());
    QSet<QString> keys;
    keys.reserve(names.size());
    for (const QString& name : names)
        keys.insert(nameKey(name));
    return keys;
}

QString SystemProfile::nameKey(const QString& name) const
{
    return UnicodeText::canonical(name);
}

} // namespace tarnwick
