#include "mount/mount_table.h"

namespace tarnwick {

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

int MountTable::portOf(const QString& server)
{
    const QString host = server.mid(server.lastIndexOf(u'@') + 1);
    const qsizetype colon = host.lastIndexOf(u':');
    if (colon <= host.lastIndexOf(u']') || (!host.startsWith(u'[') && host.count(u':') != 1))
        return 0;
    bool ok = false;
    const uint port = host.mid(colon + 1).toUInt(&ok);
    return ok && port > 0 && port <= 65535 ? int(port) : 0;
}

QString MountTable::lastComponent(const QString& path)
{
    qsizetype end = path.size();
    while (end > 0 && path.at(end - 1) == u'/')
        --end;
    const qsizetype slash = path.lastIndexOf(u'/', end - 1);
    return path.mid(slash + 1, end - slash - 1);
}

} // namespace tarnwick
