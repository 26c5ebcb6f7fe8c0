#pragma once

#include <QStringList>

namespace tarnwick::test {

// Short spellings for test data written as UTF-8 literals.
inline QString s(const char* utf8)
{
    return QString::fromUtf8(utf8);
}
// "a|b|c" -> {"a", "b", "c"}; "" -> {}.
inline QStringList list(const char* utf8)
{
    return s(utf8).split(u'|', Qt::SkipEmptyParts);
}

} // namespace tarnwick::test
