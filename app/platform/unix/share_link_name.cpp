#include "platform/unix/share_link_name.h"

#include <QList>

namespace tarnwick {

namespace {

// Control characters go (a newline in a name breaks every script that lists the folder);
// "/" would make a path of the name, so it becomes "_".
QString character(uint code)
{
    const char32_t wide = code;
    return QString::fromUcs4(&wide, 1);
}

QString clean(const QString& text)
{
    QString out;
    for (const uint code : text.toUcs4()) {
        if (code < 0x20 || (code >= 0x7f && code <= 0x9f) || code == 0x2028 || code == 0x2029)
            continue;
        out += code == u'/' ? QStringLiteral("_") : character(code);
    }
    return out;
}

int utf8Size(const QString& text)
{
    return int(text.toUtf8().size());
}

} // namespace

QString ShareLinkName::of(const QString& shareName, const QString& serverName)
{
    QString name = clean(shareName);
    // A leading "." would hide the link, and "." or ".." would name another folder.
    for (qsizetype i = 0; i < name.size() && name.at(i) == u'.'; ++i)
        name[i] = u'_';
    const QString suffix =
        serverName.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(clean(serverName));
    const int room = kMaxBytes - utf8Size(suffix);
    if (name.trimmed().isEmpty() || room <= 0)
        return {};
    QList<uint> codes = name.toUcs4();
    int size = utf8Size(name);
    while (size > room) {
        size -= utf8Size(character(codes.takeLast()));
    }
    name.clear();
    for (const uint code : codes)
        name += character(code);
    return name.trimmed().isEmpty() ? QString() : name + suffix;
}

} // namespace tarnwick
