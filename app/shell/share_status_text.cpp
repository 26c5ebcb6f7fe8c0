#include "shell/share_status_text.h"

#include "style/style.h"

namespace tarnwick {

using State = ShareStatus::State;
using Reason = ShareStatus::Reason;

QString ShareStatusText::reason(const ShareStatus& status)
{
    if (status.state != State::NotMounted)
        return {};
    switch (status.reason) {
    case Reason::None:
        break;
    case Reason::ServerUnreachable:
        return qtTrId("status.unreachable");
    case Reason::LoginRefused:
        return qtTrId("status.login_refused");
    case Reason::NoSuchShare:
        return qtTrId("status.no_such_share");
    case Reason::TimedOut:
        return qtTrId("status.timed_out");
    case Reason::ProtocolUnsupported:
        return qtTrId("status.smb1_only");
    case Reason::ConnectionRefused:
        return qtTrId("status.connection_refused");
    case Reason::HostNotFound:
        return qtTrId("status.host_not_found");
    case Reason::AccessDenied:
        return qtTrId("status.access_denied");
    case Reason::NotOnThisNetwork:
        return qtTrId("status.not_here");
    case Reason::Waking:
        return qtTrId("status.waking");
    case Reason::KeyringLocked:
        return qtTrId("status.keyring_locked");
    case Reason::DomainTicketExpired:
        return qtTrId("status.ticket_expired");
    case Reason::MountFailed:
        // The tool's own words say more than its exit status.
        if (!status.message.isEmpty())
            return status.message;
        return qtTrId("status.mount_failed").arg(status.toolStatus);
    }
    return {};
}

QString ShareStatusText::detail(const ShareStatus& status, const QLocale& locale)
{
    const QString text = reason(status);
    if (text.isEmpty() || !status.lastAttempt.isValid())
        return text;
    return qtTrId("status.detail")
        .arg(text, locale.toString(status.lastAttempt.toLocalTime().time(), QLocale::ShortFormat));
}

QString ShareStatusText::symbol(const ShareStatus& status)
{
    switch (status.state) {
    case State::Mounting:
    case State::Unmounting:
        return QStringLiteral("arrow.triangle.2.circlepath");
    case State::Mounted:
        return QStringLiteral("checkmark.circle.fill");
    case State::NotMounted:
        break;
    }
    switch (status.reason) {
    case Reason::None:
    case Reason::NotOnThisNetwork:
        return QStringLiteral("circle");
    case Reason::ServerUnreachable:
        return QStringLiteral("wifi.slash");
    case Reason::Waking:
        return QStringLiteral("arrow.triangle.2.circlepath");
    default:
        break;
    }
    return QStringLiteral("exclamationmark.triangle");
}

QColor ShareStatusText::tint(const ShareStatus& status, const QColor& foreground)
{
    if (status.state == State::Mounted)
        return Style::green();
    // A server that lives elsewhere or is waking is no fault: dimmed like an idle share.
    if (status.state != State::NotMounted ||
        (status.reason != Reason::None && status.reason != Reason::NotOnThisNetwork &&
         status.reason != Reason::Waking))
        return Style::orange();
    return Style::secondary(foreground);
}

bool ShareStatusText::needsAttention(const ShareStatus& status)
{
    return status.state == State::NotMounted &&
           (status.reason == Reason::LoginRefused || status.reason == Reason::ServerUnreachable ||
            status.reason == Reason::AccessDenied || status.reason == Reason::KeyringLocked ||
            status.reason == Reason::DomainTicketExpired);
}

} // namespace tarnwick
