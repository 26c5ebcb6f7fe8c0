#pragma once

#include "model/share.h"

#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <optional>

namespace tarnwick {

// One SMB server the user keeps, with the shares to keep mounted. Plain value; any thread.
struct Server {
    QUuid id;
    QString displayName;
    QString host;
    QList<Share> shares;
    bool isEnabled = true;
    // Where it lives: NetworkManager connection UUIDs or names, or Wi-Fi SSIDs; empty: anywhere.
    QStringList networks = {};
    // The card to wake when it sleeps ("AA:BB:CC:DD:EE:FF", as MacAddress::normalized
    // writes it); empty: never woken.
    QString wakeOnLan = {};

    // A new enabled server with a fresh id and no shares.
    static Server create(const QString& displayName, const QString& host);

    // Whether it lives on a network while activeNetworks are up; true when they are unknown
    // (nullopt) or the server lives anywhere.
    bool livesOn(const std::optional<QStringList>& activeNetworks) const;

    // Field-wise equality; shares element by element in order.
    friend bool operator==(const Server& a, const Server& b);
};

// Hash over id, displayName, host, share count and shares, isEnabled, networks, wakeOnLan.
size_t qHash(const Server& server, size_t seed = 0) noexcept;

} // namespace tarnwick

Q_DECLARE_METATYPE(tarnwick::Server)
