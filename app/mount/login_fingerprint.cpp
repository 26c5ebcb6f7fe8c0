#include "mount/login_fingerprint.h"

#include <QMessageAuthenticationCode>
#include <QRandomGenerator>

namespace tarnwick {

namespace {

QByteArray processKey()
{
    QByteArray key(32, '\0');
    QRandomGenerator::system()->generate(key.begin(), key.end());
    return key;
}

} // namespace

QByteArray LoginFingerprint::of(const std::optional<Credentials>& login)
{
    static const QByteArray key = processKey();
    if (!login)
        return QByteArrayLiteral("anonymous");
    QMessageAuthenticationCode mac(QCryptographicHash::Sha256, key);
    // Lengths first, so that no two different triples hash the same bytes.
    for (const QString* part : {&login->user, &login->domain, &login->password}) {
        const QByteArray bytes = part->toUtf8();
        mac.addData(QByteArray::number(bytes.size()) + ':' + bytes);
    }
    return mac.result();
}

} // namespace tarnwick
