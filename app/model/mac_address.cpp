#include "model/mac_address.h"

namespace tarnwick {

std::optional<QByteArray> MacAddress::parse(const QString& text)
{
    // Six hex pairs split by one separator, ":" or "-", used throughout. Read by hand: every
    // cycle asks for each server, and a regular expression would load and JIT PCRE2 for it.
    if (text.size() != 17)
        return std::nullopt;
    const QChar separator = text.at(2);
    if (separator != u':' && separator != u'-')
        return std::nullopt;
    const auto nibble = [](QChar c) {
        const char16_t u = c.unicode();
        return u >= u'0' && u <= u'9'   ? int(u - u'0')
               : u >= u'a' && u <= u'f' ? int(u - u'a' + 10)
               : u >= u'A' && u <= u'F' ? int(u - u'A' + 10)
                                        : -1;
    };
    QByteArray bytes;
    for (int i = 0; i < 6; ++i) {
        const int high = nibble(text.at(3 * i)), low = nibble(text.at(3 * i + 1));
        if (high < 0 || low < 0 || (i > 0 && text.at(3 * i - 1) != separator))
            return std::nullopt;
        bytes.append(char(high * 16 + low));
    }
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
