#include "model/share.h"

#include "model/unicode_text.h"

#include <QHashFunctions>

namespace tarnwick {

Share Share::create(const QString& name)
{
    return Share{QUuid::createUuid(), name, QString()};
}

bool operator==(const Share& a, const Share& b)
{
    return a.id == b.id && UnicodeText::equivalent(a.name, b.name) &&
           UnicodeText::equivalent(a.username, b.username);
}

size_t qHash(const Share& share, size_t seed) noexcept
{
    QtPrivate::QHashCombine combine;
    seed = combine(seed, share.id);
    seed = combine(seed, UnicodeText::canonical(share.name));
    seed = combine(seed, UnicodeText::canonical(share.username));
    return seed;
}

} // namespace tarnwick
