#include "platform/linux/smbclient_share_lister.h"

#include "discovery/share_table.h"
#include "model/unicode_text.h"

namespace tarnwick {

SmbclientShareLister::SmbclientShareLister(KeychainCredentials credentials, QString smbclientPath)
    : m_credentials(std::move(credentials))
    , m_smbclient(std::move(smbclientPath))
{
}

namespace {

QStringList listArgs(const QString& host)
{
    return {QStringLiteral("-L"), QStringLiteral("//") + host, QStringLiteral("--grepable")};
}

} // namespace

std::optional<SmbclientShareLister::Attempt>
SmbclientShareLister::loginAttempt(const QString& host, const Credentials& login)
{
    if (login.user.contains(u'%') || login.password.contains(u'\n'))
        return std::nullopt;
    Attempt withLogin;
    withLogin.args = listArgs(host) + QStringList{QStringLiteral("--user=") + login.user};
    if (!login.domain.isEmpty())
        withLogin.args.append(QStringLiteral("--workgroup=") + login.domain);
    // A pipe, not the environment: another process of the user could read that.
    withLogin.input.extraEnv.insert(QStringLiteral("PASSWD_FD"), QStringLiteral("0"));
    withLogin.input.stdinData = login.password.toUtf8() + '\n';
    return withLogin;
}

QList<SmbclientShareLister::Attempt>
SmbclientShareLister::attempts(const QString& host, const std::optional<Credentials>& login)
{
    const QStringList list = listArgs(host);
    QList<Attempt> attempts;
    if (login) {
        if (auto withLogin = loginAttempt(host, *login))
            attempts.append(*withLogin);
    }
    // Guest: the user "guest" with an empty password, which servers map to their guest.
    attempts.append({list + QStringList{QStringLiteral("--user=guest%")}, {}});
    attempts.append({list + QStringList{QStringLiteral("--no-pass")}, {}});
    return attempts;
}

QString SmbclientShareLister::tableFromGrepable(const QString& output)
{
    QStringList lines = UnicodeText::splitLines(output);
    for (QString& line : lines) {
        // Share names cannot hold "|"; a comment may, so only the first two count.
        const qsizetype typeEnd = line.indexOf(u'|');
        const qsizetype nameEnd = typeEnd < 0 ? -1 : line.indexOf(u'|', typeEnd + 1);
        if (nameEnd < 0)
            continue;
        line = line.mid(typeEnd + 1, nameEnd - typeEnd - 1) + QStringLiteral("  ") +
               line.left(typeEnd);
    }
    return lines.join(u'\n');
}

ToolResult SmbclientShareLister::run(const Attempt& attempt) const
{
    ToolResult result =
        runTool(m_smbclient, attempt.args, ToolStream::Capture, ToolStream::Capture, attempt.input);
    result.out = tableFromGrepable(result.out);
    return result;
}

ShareListing SmbclientShareLister::listing(const QString& host) const
{
    QList<std::function<ToolResult()>> runs;
    for (const Attempt& attempt : attempts(host, m_credentials.find(host)))
        runs.append([this, attempt] { return run(attempt); });
    return ShareTable::firstListing(runs);
}

std::optional<ShareListing> SmbclientShareLister::listingWith(const QString& host,
                                                              const Credentials& login) const
{
    const auto attempt = loginAttempt(host, login);
    if (!attempt)
        return std::nullopt;
    return ShareTable::firstListing({[this, &attempt] { return run(*attempt); }});
}

} // namespace tarnwick
