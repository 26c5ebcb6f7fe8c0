#include "platform/linux/neighbour_table.h"

#include "model/mac_address.h"

#include <QFile>
#include <QList>

#include <arpa/inet.h>
#include <netdb.h>

namespace tarnwick {

namespace {

// The flag /proc/net/arp shows for an entry whose address is known.
constexpr int kComplete = 0x2;

QString ipv4Text(const QString& host)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.toUtf8().constData(), nullptr, &hints, &found) != 0 || !found)
        return {};
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr, text,
              sizeof text);
    freeaddrinfo(found);
    return QString::fromLatin1(text);
}

} // namespace

QString NeighbourTable::addressOf(const QString& host)
{
    if (host.isEmpty() || host.startsWith(u'-'))
        return {};
    const QString address = ipv4Text(host);
    QFile file(QStringLiteral("/proc/net/arp"));
    if (address.isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    // "IP address  HW type  Flags  HW address  Mask  Device", one entry per line.
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines.at(i).simplified().split(' ');
        if (fields.size() < 4 || QString::fromLatin1(fields.at(0)) != address)
            continue;
        bool ok = false;
        if ((fields.at(2).toInt(&ok, 16) & kComplete) == 0 || !ok)
            continue;
        return MacAddress::normalized(QString::fromLatin1(fields.at(3))).value_or(QString());
    }
    return {};
}

} // namespace tarnwick
