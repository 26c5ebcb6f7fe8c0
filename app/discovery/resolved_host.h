#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

namespace tarnwick {

// The host text of a resolved service: its host name without one trailing "." when it has
// a non-empty one; else the first IPv4 address among addresses (each the bytes of a
// struct sockaddr, as resolvers report them) in inet_ntop's dotted-decimal form, skipping
// IPv6 and anything unreadable; else nullopt. Pure; any thread.
std::optional<QString> resolvedHost(const QString& hostName, const QList<QByteArray>& addresses);

} // namespace tarnwick
