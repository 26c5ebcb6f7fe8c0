#pragma once

#include "discovery/keychain_credentials.h"
#include "discovery/share_lister.h"
#include "mount/tool_run.h"

#include <QList>
#include <QStringList>

namespace tarnwick {

// Lists shares with Samba's "smbclient -L //HOST": the stored login, then guest, then
// anonymous. Its grepable output is read (the human table runs a name of 15 or more
// characters into its type with a single space) and turned into the common table form.
class SmbclientShareLister : public ShareLister {
public:
    explicit SmbclientShareLister(KeychainCredentials credentials,
                                  QString smbclientPath = QStringLiteral("smbclient"));

    ShareListing listing(const QString& host) const override;
    // The login's attempt alone; nullopt for a login smbclient cannot take.
    std::optional<ShareListing> listingWith(const QString& host,
                                            const Credentials& login) const override;

    // One run of smbclient: its arguments and what goes into its environment.
    struct Attempt {
        QStringList args;
        ToolInput input;
    };
    // The attempts for host, in order. The password travels through the child's standard
    // input (PASSWD_FD=0), never in its arguments or environment.
    static QList<Attempt> attempts(const QString& host, const std::optional<Credentials>& login);
    // Runs one attempt; standard output comes back in table form.
    ToolResult run(const Attempt& attempt) const;
    // The attempt with login; nullopt when smbclient cannot be given it ("%" in the user
    // reads as user%password, a line end ends the password).
    static std::optional<Attempt> loginAttempt(const QString& host, const Credentials& login);
    // "TYPE|NAME|COMMENT" lines become "NAME  TYPE"; other lines stay as they are.
    static QString tableFromGrepable(const QString& output);

private:
    KeychainCredentials m_credentials;
    QString m_smbclient;
};

} // namespace tarnwick
