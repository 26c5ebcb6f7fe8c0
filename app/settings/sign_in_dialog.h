#pragma once

#include "model/server.h"
#include "model/share.h"
#include "model/share_key.h"
#include "mount/share_status.h"

#include <QDialog>
#include <QPointer>

#include <memory>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace tarnwick {

class MountManager;
class ShareLister;

// The login dialog of a share that needs one: user (the stored one, else the session's),
// optional domain, password and "Remember in the keyring". Sign in makes one mount of the
// share with that login through the manager; a refusal keeps the dialog open, an accepted
// login closes it (the manager then mounts the server's other shares). The password typed is
// cleared when the dialog closes. Main thread; manager must outlive it.
class SignInDialog : public QDialog {
    Q_OBJECT

public:
    SignInDialog(MountManager& manager, const Server& server, const Share& share,
                 QWidget* parent = nullptr);
    // The same for a server with no share yet: Sign in lists its shares with the login
    // through lister (not null) instead of mounting one.
    SignInDialog(MountManager& manager, const Server& server,
                 std::shared_ptr<const ShareLister> lister, QWidget* parent = nullptr);
    ~SignInDialog() override;

    QLineEdit* userField() const { return m_user; }
    QLineEdit* domainField() const { return m_domain; }
    QLineEdit* passwordField() const { return m_password; }
    QCheckBox* rememberBox() const { return m_remember; }
    // What the dialog says about the last try; empty before one.
    QString message() const;
    // True while a sign-in is under way.
    bool isSigningIn() const { return m_signingIn; }

public Q_SLOTS:
    void done(int result) override;

private:
    void signIn();
    void finished(const ShareKey& key, ShareStatus::Reason reason, bool stored);
    void loginRead(const QString& host, const QString& user);
    void focusFirstEmpty();
    void setSigningIn(bool on);

    QPointer<MountManager> m_manager;
    Server m_server;
    Share m_share; // a null id when signing in by listing
    std::shared_ptr<const ShareLister> m_lister;
    QLineEdit* m_user;
    QLineEdit* m_domain;
    QLineEdit* m_password;
    QCheckBox* m_remember;
    QLabel* m_message;
    QPushButton* m_signInButton;
    bool m_signingIn = false;
    bool m_userEdited = false;
};

} // namespace tarnwick
