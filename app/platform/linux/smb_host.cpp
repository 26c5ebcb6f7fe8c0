#include "platform/linux/smb_host.h"

namespace tarnwick {

SmbHost SmbHost::parse(const QString& text)
{
    SmbHost host;
    host.name = text;
    // A bracketed IPv6 address keeps its colons before the port; a bare one has several
    // and no port.
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon > text.lastIndexOf(u']') && (text.startsWith(u'[') || text.count(u':') == 1)) {
        bool ok = false;
        const uint given = text.mid(colon + 1).toUInt(&ok);
        if (ok && given > 0 && given <= 65535)
            host.port = quint16(given);
        host.name.truncate(colon);
    }
    if (host.name.startsWith(u'[') && host.name.endsWith(u']'))
        host.name = host.name.mid(1, host.name.size() - 2);
    return host;
}

QString SmbHost::authority() const
{
    const QString bare = name.contains(u':') ? u'[' + name + u']' : name;
    return port == kDefaultPort ? bare : bare + u':' + QString::number(port);
}

} // namespace tarnwick
