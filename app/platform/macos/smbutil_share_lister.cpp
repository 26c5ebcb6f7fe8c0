#include "platform/macos/smbutil_share_lister.h"

#include "discovery/share_table.h"
#include "mount/tool_run.h"

namespace tarnwick {

namespace {

// RFC 3986 unreserved characters and sub-delimiters stay; everything else is written as
// %XX per UTF-8 byte. Text that is not valid UTF-16 cannot be encoded.
std::optional<QString> encodeUrlUser(const QString& text)
{
    if (!QStringView(text).isValidUtf16())
        return std::nullopt;
    return QString::fromLatin1(text.toUtf8().toPercentEncoding(QByteArrayLiteral("!$&'()*+,;=")));
}

} // namespace

SmbutilShareLister::SmbutilShareLister(QString smbutilPath, KeychainCredentials credentials)
    : m_smbutil(std::move(smbutilPath))
    , m_credentials(std::move(credentials))
{
}

QList<QStringList> SmbutilShareLister::attempts(const QString& host,
                                                const std::optional<Credentials>& login)
{
    const QString view = QStringLiteral("view");
    const QString noPrompt = QStringLiteral("-N");
    QList<QStringList> attempts;
    if (login) {
        if (const auto user = encodeUrlUser(login->user))
            attempts.append({view, noPrompt, QStringLiteral("//") + *user + u'@' + host});
    }
    attempts.append({view, noPrompt, QStringLiteral("-G"), QStringLiteral("//") + host});
    attempts.append({view, noPrompt, QStringLiteral("//") + host});
    return attempts;
}

ShareListing SmbutilShareLister::listing(const QString& host) const
{
    QList<std::function<ToolResult()>> runs;
    for (const QStringList& args : attempts(host, m_credentials.find(host))) {
        runs.append([this, args] {
            return runTool(m_smbutil, args, ToolStream::Capture, ToolStream::Capture);
        });
    }
    return ShareTable::firstListing(runs);
}

} // namespace tarnwick
