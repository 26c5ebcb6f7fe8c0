#include "mount/share_status.h"

namespace tarnwick {

QString ShareStatus::describe() const
{
    switch (state) {
    case State::Mounted:
        return QStringLiteral("mounted");
    case State::Mounting:
        return QStringLiteral("mounting");
    case State::Unmounting:
        return QStringLiteral("unmounting");
    case State::NotMounted:
        break;
    }
    switch (reason) {
    case Reason::None:
        return QStringLiteral("not mounted");
    case Reason::ServerUnreachable:
        return QStringLiteral("not mounted (server unreachable)");
    case Reason::LoginRefused:
        return QStringLiteral("not mounted (login refused)");
    case Reason::NoSuchShare:
        return QStringLiteral("not mounted (no such share)");
    case Reason::TimedOut:
        return QStringLiteral("not mounted (timed out)");
    case Reason::ProtocolUnsupported:
        return QStringLiteral("not mounted (server speaks only SMB1)");
    case Reason::ConnectionRefused:
        return QStringLiteral("not mounted (connection refused)");
    case Reason::HostNotFound:
        return QStringLiteral("not mounted (host not found)");
    case Reason::AccessDenied:
        return QStringLiteral("not mounted (access denied to the share)");
    case Reason::NotOnThisNetwork:
        return QStringLiteral("not mounted (not on this network)");
    case Reason::Waking:
        return QStringLiteral("not mounted (waking the server)");
    case Reason::KeyringLocked:
        return QStringLiteral("not mounted (keyring locked)");
    case Reason::DomainTicketExpired:
        return QStringLiteral("not mounted (domain ticket expired)");
    case Reason::MountFailed:
        break;
    }
    if (!message.isEmpty())
        return QStringLiteral("not mounted (mount failed: %1)").arg(message);
    return QStringLiteral("not mounted (mount failed, status %1)").arg(toolStatus);
}

} // namespace tarnwick
