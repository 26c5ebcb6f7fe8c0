#include "model/unicode_text.h"

#include <QStringList>

namespace tarnwick {

QString UnicodeText::canonical(const QString& text)
{
    // Most names are ASCII; skip the normaliser's allocation for them.
    for (QChar c : text) {
        if (c.unicode() >= 0x80)
            return text.normalized(QString::NormalizationForm_C);
    }
    return text;
}

bool UnicodeText::equivalent(const QString& a, const QString& b)
{
    return a == b || canonical(a) == canonical(b);
}

bool UnicodeText::isBlank(QChar c)
{
    return c == u'\t' || c.category() == QChar::Separator_Space;
}

QString UnicodeText::trimBlanks(const QString& text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

static bool isLineBreak(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029;
}

QStringList UnicodeText::splitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isLineBreak(text.at(i))) {
            lines.append(text.mid(start, i - start));
            start = i + 1;
        }
    }
    lines.append(text.mid(start));
    return lines;
}

} // namespace tarnwick
