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

QStringList ShareTable::firstListing(const QList<std::function<ToolResult()>>& attempts)
{
    for (const auto& attempt : attempts) {
        if (const auto text = listingText(attempt()))
            return sorted(diskShares(*text));
    }
    return {};
}

} // namespace tarnwick
