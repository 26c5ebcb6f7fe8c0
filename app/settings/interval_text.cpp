#include "settings/interval_text.h"

#include <cmath>

namespace tarnwick {

namespace {

QString integerText(double seconds)
{
    // 2^63 itself is out of range; every double below it converts exactly.
    constexpr double limit = 9223372036854775808.0;
    if (!std::isfinite(seconds) || seconds >= limit || seconds < -limit)
        return QString(QChar(0x2013));
    return QString::number(static_cast<qint64>(std::trunc(seconds)));
}

} // namespace

QString IntervalText::format(const QString& pattern, double seconds)
{
    const QString number = integerText(seconds);
    QString text;
    bool filled = false;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern.at(i);
        if (c != u'%' || i + 1 == pattern.size()) {
            text += c;
            continue;
        }
        if (pattern.at(i + 1) == u'%') {
            text += u'%';
            ++i;
            continue;
        }
        if (!filled && pattern.at(i + 1) == u'1') {
            text += number;
            filled = true;
            ++i;
            continue;
        }
        qsizetype j = i + 1;
        while (j < pattern.size() && j < i + 3 && pattern.at(j) == u'l')
            ++j;
        if (!filled && j < pattern.size() && (pattern.at(j) == u'd' || pattern.at(j) == u'i')) {
            text += number;
            filled = true;
            i = j;
            continue;
        }
        text += c;
    }
    return text;
}

} // namespace tarnwick
