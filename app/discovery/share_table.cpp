#include "discovery/share_table.h"

#include "model/unicode_text.h"

#include <QRegularExpression>

#include <algorithm>

namespace tarnwick {

std::optional<QString> ShareTable::listingText(const ToolResult& run)
{
    const QString both = run.out + run.err;
    if (both.contains(QLatin1StringView("disk"), Qt::CaseInsensitive))
        return both;
    const QString out = run.out.toLower();
    if (run.out.isEmpty() || run.status != 0 ||
        out.contains(QLatin1StringView("authentication error")) ||
        out.contains(QLatin1StringView("connection refused"))) {
        return std::nullopt;
    }
    return run.out;
}

QStringList ShareTable::diskShares(const QString& text)
{
    // \s with Unicode properties, as the tools' tables may pad with any blank.
    static const QRegularExpression row(QStringLiteral("^(.+?)\\s{2,}(Disk|disk)"),
                                        QRegularExpression::UseUnicodePropertiesOption);
    QStringList names;
    for (const QString& line : UnicodeText::splitLines(text)) {
        const QRegularExpressionMatch match = row.match(line);
        if (!match.hasMatch())
            continue;
        const QString name = UnicodeText::trimBlanks(match.captured(1));
        if (name.isEmpty() || name.endsWith(u'$'))
            continue;
        names.append(name);
    }
    return names;
}

QStringList ShareTable::sorted(QStringList names)
{
    // QString's operator< compares UTF-16 code units, which can order a supplementary
    // character before U+E000..U+FFFF; compare whole code points instead.
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const QList<uint> left = a.toUcs4();
        const QList<uint> right = b.toUcs4();
        return std::lexicographical_compare(left.begin(), left.end(), right.begin(), right.end());
    });
    return names;
}

ShareListing::Failure ShareTable::failureOf(const ToolResult& run)
{
    using Failure = ShareListing::Failure;
    if (run.timedOut)
        return Failure::Unreachable;
    // smbclient names the NT status; smbutil says it in words.
    const QString text = (run.out + run.err).toLower();
    const auto says = [&text](std::initializer_list<const char*> markers) {
        return std::any_of(markers.begin(), markers.end(), [&text](const char* marker) {
            return text.contains(QLatin1StringView(marker));
        });
    };
    if (says({"connection refused", "connection_refused", "unreachable", "io_timeout", "timed out",
              "no route to host", "nt_status_not_found", "server connection failed",
              "unknown host"}))
        return Failure::Unreachable;
    if (says({"logon_failure", "access_denied", "wrong_password", "account_", "authentication"}))
        return Failure::LoginRefused;
    return Failure::None;
}

ShareListing ShareTable::firstListing(const QList<std::function<ToolResult()>>& attempts)
{
    ShareListing::Failure failure = ShareListing::Failure::None;
    for (const auto& attempt : attempts) {
        const ToolResult run = attempt();
        if (const auto text = listingText(run))
            return {sorted(diskShares(*text)), ShareListing::Failure::None};
        failure = std::max(failure, failureOf(run));
    }
    return {{}, failure};
}

} // namespace tarnwick
