#pragma once

#include "mount/credentials.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace tarnwick {

// The command lines of `gio mount` and the answers to its prompts. Pure; any thread.
class GioCommand {
public:
    // "mount smb://user@host/share" with credentials (the password goes to answers, never
    // here); "mount -a smb://host/share" (anonymous) without.
    static QStringList mountArgs(const QString& host, const QString& share,
                                 const std::optional<Credentials>& credentials);
    // What gio reads on standard input for a login: with the user in the URI, GVFS asks
    // for the domain and then the password, one line each. An empty domain line keeps the
    // default workgroup. Empty without credentials (gio then reads end of input and gives
    // up instead of waiting at a prompt).
    static QByteArray mountAnswers(const std::optional<Credentials>& credentials);
    // "mount -u URI" for a location of GvfsSmbLocation::of.
    static QStringList unmountArgs(const QString& location);
};

} // namespace tarnwick
