#include "removal_rule.h"

namespace tarnwick::helper {

RemovalRule::RemovalRule(QString volumesRoot)
    : m_root(std::move(volumesRoot))
    , m_prefix(m_root + u'/')
{
}

bool RemovalRule::accepts(QStringView path) const
{
    if (!path.startsWith(m_prefix))
        return false;
    if (path.contains(u".."))
        return false;
    const QStringView name = path.mid(m_prefix.size());
    // A NUL would cut the path short at rmdir(), e.g. "/Volumes/\0x" would become "/Volumes/".
    return !name.isEmpty() && !name.contains(u'/') && !name.contains(QChar(u'\0'));
}

} // namespace tarnwick::helper
