#include "model/mac_address.h"

#include <QRegularExpression>

namespace tarnwick {

std::optional<QByteArray> MacAddress::parse(const QString& text)
{
    static const QRegularExpression form(
        QStringLiteral("^[0-9A-Fa-f]{2}([:-])[0-9A-Fa-f]{2}(\\1[0-9A-Fa-f]{2}){4}$"));
    if (!form.match(text).hasMatch())
        return std::nullopt;
    QString hex = text;
    hex.remove(text.at(2));
    const QByteArray bytes = QByteArray::fromHex(hex.toLatin1());
    // Bit 0 of the first byte marks a group address; a zero address names no card.
    if ((quint8(bytes.at(0)) & 1) != 0 || bytes == QByteArray(6, '\0'))
        return std::nullopt;
    return bytes;
}

std::optional<QString> MacAddress::normalized(const QString& text)
{
    const auto bytes = parse(text);
    if (!bytes)
        return std::nullopt;
    return QString::fromLatin1(bytes->toHex(':').toUpper());
}

QByteArray MacAddress::magicPacket(const QByteArray& bytes)
{
    if (bytes.size() != 6)
        return {};
    QByteArray packet(6, char(0xFF));
    for (int i = 0; i < 16; ++i)
        packet.append(bytes);
    return packet;
}

} // namespace tarnwick
