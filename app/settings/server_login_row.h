#pragma once

#include "model/server.h"

#include <QPointer>
#include <QWidget>

class QLabel;
class QPushButton;

namespace tarnwick {

class MountManager;

// The login of a server in its editor: "Login: bob (in the keyring)" with Change… and
// Forget, or "No login stored — guests only" with Sign in…. The keyring is read through the
// manager, off the UI thread; Forget asks first. Sign in needs a share of the server to try.
// Main thread; manager must outlive the row.
class ServerLoginRow : public QWidget {
    Q_OBJECT

public:
    ServerLoginRow(MountManager& manager, const Server& server, QWidget* parent = nullptr);

    // The user shown as stored; empty when none (or before the keyring answered).
    const QString& storedUser() const { return m_user; }
    // Follows the editor's copy of the server (its host and shares).
    void setServer(const Server& server);

private:
    void loginRead(const QString& host, const QString& user);
    void openSignIn();
    void forget();
    void show(const QString& user);

    QPointer<MountManager> m_manager;
    Server m_server;
    QString m_user;
    QLabel* m_text;
    QPushButton* m_signIn;
    QPushButton* m_forget;
};

} // namespace tarnwick
