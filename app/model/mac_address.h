#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace tarnwick {

// A network card's hardware address, as Wake-on-LAN needs it. Pure; any thread.
class MacAddress {
public:
    // The six bytes of text written as six hex pairs joined by ":" or "-" (either case);
    // nullopt for anything else and for addresses no card has (all zero, group addresses).
    static std::optional<QByteArray> parse(const QString& text);
    // The canonical text of text ("AA:BB:CC:DD:EE:FF"); nullopt when parse rejects it.
    static std::optional<QString> normalized(const QString& text);
    // The magic packet that wakes the card with these six bytes: 6 x 0xFF, then 16 x the
    // address (102 bytes). Empty when bytes is not six long.
    static QByteArray magicPacket(const QByteArray& bytes);
};

} // namespace tarnwick
