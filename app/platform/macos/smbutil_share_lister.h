#pragma once

#include "discovery/keychain_credentials.h"
#include "discovery/share_lister.h"

#include <QList>
#include <QStringList>

namespace tarnwick {

// Lists shares with "smbutil view": the stored login, then guest, then no login.
class SmbutilShareLister : public ShareLister {
public:
    SmbutilShareLister(QString smbutilPath, KeychainCredentials credentials);

    ShareListing listing(const QString& host) const override;

    // The argument lists tried for host, in order. The password never goes into an
    // argument list (every local user can read those): the login attempt names the user
    // only, and smbutil finds the password in the keychain itself.
    static QList<QStringList> attempts(const QString& host,
                                       const std::optional<Credentials>& login);

private:
    QString m_smbutil;
    KeychainCredentials m_credentials;
};

} // namespace tarnwick
