#include "platform/linux/kerberos_ticket.h"

#include "mount/engine_log.h"
#include "mount/tool_run.h"
#include "platform/linux/smb_host.h"

#include <atomic>

namespace tarnwick {

namespace {

using namespace std::chrono_literals;

// klist reads a local cache (a KCM daemon at most): a second is plenty on a loaded machine.
constexpr auto kKlistDeadline = 1s;

ToolResult klistRun(const QString& klist, const QStringList& args, const StopSignal* stop)
{
    ToolInput input;
    input.extraEnv.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    input.deadline = kKlistDeadline;
    input.stop = stop;
    return runTool(klist, args, ToolStream::Capture, ToolStream::Discard, input);
}

} // namespace

KerberosTicket::State KerberosTicket::forHost(const QString& klist, const QString& host,
                                              const StopSignal* stop)
{
    const ToolResult cache = klistRun(klist, {}, stop);
    if (cache.status == kToolNotStarted) {
        static std::atomic_bool logged{false};
        if (!logged.exchange(true))
            log(QStringLiteral("[Kerberos] ") + klist +
                QStringLiteral(" not found; domain tickets are not used"));
        return State::None;
    }
    // klist fails without a cache; with one it names the principal even when all expired.
    if (cache.status != 0 || cache.timedOut ||
        !inRealm(SmbHost::parse(host).name, realmOf(cache.out)))
        return State::None;
    // -s: exit status 0 only while a ticket-granting ticket is valid.
    const ToolResult valid = klistRun(klist, {QStringLiteral("-s")}, stop);
    if (valid.timedOut)
        return State::None;
    return valid.status == 0 ? State::Valid : State::Expired;
}

QString KerberosTicket::realmOf(const QString& klistOutput)
{
    const QLatin1StringView marker("Default principal: ");
    for (const QStringView line : QStringView(klistOutput).split(u'\n')) {
        if (!line.startsWith(marker))
            continue;
        // user@REALM; an enterprise name (first.last@corp.example.com@CORP.EXAMPLE.COM)
        // escapes its inner "@", so the realm follows the last one.
        const QStringView principal = line.mid(marker.size()).trimmed();
        const qsizetype at = principal.lastIndexOf(u'@');
        return at < 0 ? QString() : principal.mid(at + 1).toString();
    }
    return {};
}

bool KerberosTicket::inRealm(const QString& serverName, const QString& realm)
{
    if (realm.isEmpty() || serverName.isEmpty())
        return false;
    const QString name = serverName.endsWith(u'.') ? serverName.chopped(1) : serverName;
    return name.compare(realm, Qt::CaseInsensitive) == 0 ||
           name.endsWith(u'.' + realm, Qt::CaseInsensitive);
}

} // namespace tarnwick
