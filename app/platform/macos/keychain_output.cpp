#include "platform/macos/keychain_output.h"

#include "model/unicode_text.h"

#include <QRegularExpression>

namespace tarnwick {

namespace {

QString stripEnds(const QString& text, QStringView chars)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && chars.contains(text.at(begin)))
        ++begin;
    while (end > begin && chars.contains(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

std::optional<Credentials> KeychainOutput::parse(const QString& text)
{
    static const QRegularExpression accountValue(QStringLiteral("=\"(.+)\"$"));
    static const QRegularExpression quoted(QStringLiteral("\"(.+)\""));
    QString account;
    QString password;
    for (const QString& rawLine : UnicodeText::splitLines(text)) {
        const QString line = UnicodeText::trimBlanks(rawLine);
        if (line.contains(QLatin1StringView("\"acct\""))) {
            const QRegularExpressionMatch match = accountValue.match(line);
            if (match.hasMatch())
                account = stripEnds(match.captured(0), u"=\"");
        }
        if (line.startsWith(QLatin1StringView("password:"))) {
            // Greedy: from the first quote to the last, so inner quotes survive.
            const QRegularExpressionMatch match = quoted.match(line);
            if (match.hasMatch())
                password = stripEnds(match.captured(0), u"\"");
        }
    }
    if (account.isEmpty() || password.isEmpty())
        return std::nullopt;
    return Credentials{account, password, QString()};
}

} // namespace tarnwick
