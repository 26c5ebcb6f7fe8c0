#include "mount/share_name.h"

#include <algorithm>

namespace tarnwick {

namespace {

bool isControl(QChar c)
{
    return c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ||
           c == QChar::LineSeparator || c == QChar::ParagraphSeparator;
}

} // namespace

bool ShareName::isUsable(const QString& name)
{
    if (name.isEmpty() || name == QLatin1StringView(".") || name == QLatin1StringView(".."))
        return false;
    return std::none_of(name.begin(), name.end(),
                        [](QChar c) { return c == u'/' || isControl(c); });
}

QString ShareName::escaped(const QString& name)
{
    QString text = QStringLiteral("\"");
    for (const QChar c : name) {
        if (c == u'\\' || c == u'"')
            text += u'\\' + QString(c);
        else if (isControl(c))
            text += QStringLiteral("\\x%1").arg(uint(c.unicode()), 2, 16, QChar(u'0'));
        else
            text += c;
    }
    return text + u'"';
}

} // namespace tarnwick
