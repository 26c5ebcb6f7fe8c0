#pragma once

#include "mount/credentials.h"
#include "mount/share_status.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace tarnwick {

// The command lines of `gio mount` and the answers to its prompts. Pure; any thread.
class GioCommand {
public:
    // "mount smb://user@host/share" with credentials (the password goes to answers, never
    // here); "mount -a smb://host/share" (anonymous) without; "mount smb://host/share"
    // without them but with a Kerberos ticket, which libsmbclient then logs in with.
    static QStringList mountArgs(const QString& host, const QString& share,
                                 const std::optional<Credentials>& credentials,
                                 bool withTicket = false);
    // What gio reads on standard input for a login: with the user in the URI, GVFS asks
    // for the domain and then the password, one line each. An empty domain line keeps the
    // default workgroup. Empty without credentials (gio then reads end of input and gives
    // up instead of waiting at a prompt).
    static QByteArray mountAnswers(const std::optional<Credentials>& credentials);
    // Why a failed `gio mount` failed, from what it wrote in the C locale: asked again after
    // our login, or refused without one -> LoginRefused (a good login the share refuses
    // reads the same); else by its error: no such share, SMB1-only server, connection
    // refused, host not found; otherwise None (the profile cannot tell).
    static ShareStatus::Reason failureOf(const QString& output, bool withLogin);
    // gio's last error line as GVFS worded it, without gio's "gio: URI: " ("Failed to mount
    // Windows share: Connection refused"); empty when it wrote none.
    static QString errorOf(const QString& output);
    // "mount -u URI" for a location of GvfsSmbLocation::of.
    static QStringList unmountArgs(const QString& location);
};

} // namespace tarnwick
