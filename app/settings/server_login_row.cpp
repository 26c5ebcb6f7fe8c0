#include "settings/server_login_row.h"

#include "mount/mount_manager.h"
#include "settings/sign_in_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace tarnwick {

ServerLoginRow::ServerLoginRow(MountManager& manager, const Server& server, QWidget* parent)
    : QWidget(parent)
    , m_manager(&manager)
    , m_server(server)
    , m_text(new QLabel(this))
    , m_signIn(new QPushButton(this))
    , m_forget(new QPushButton(qtTrId("server.login.forget"), this))
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setWordWrap(true);
    layout->addWidget(m_text, 1);
    layout->addWidget(m_signIn);
    layout->addWidget(m_forget);
    connect(m_signIn, &QPushButton::clicked, this, &ServerLoginRow::openSignIn);
    connect(m_forget, &QPushButton::clicked, this, &ServerLoginRow::forget);
    connect(&manager, &MountManager::loginRead, this, &ServerLoginRow::loginRead);
    // A sign-in elsewhere may have stored a login for this host.
    connect(&manager, &MountManager::signInFinished, this, [this] {
        if (m_manager)
            m_manager->readLogin(m_server.host);
    });
    show({});
    manager.readLogin(server.host);
}

void ServerLoginRow::setServer(const Server& server)
{
    const bool moved = server.host != m_server.host;
    m_server = server;
    m_signIn->setEnabled(!m_server.shares.isEmpty());
    if (moved && m_manager) {
        show({});
        m_manager->readLogin(server.host);
    }
}

void ServerLoginRow::show(const QString& user)
{
    m_user = user;
    m_text->setText(user.isEmpty() ? qtTrId("server.login.none")
                                   : qtTrId("server.login.stored").arg(user));
    m_signIn->setText(user.isEmpty() ? qtTrId("server.login.sign_in")
                                     : qtTrId("server.login.change"));
    m_signIn->setEnabled(!m_server.shares.isEmpty());
    m_forget->setVisible(!user.isEmpty());
}

void ServerLoginRow::loginRead(const QString& host, const QString& user)
{
    if (host == m_server.host)
        show(user);
}

void ServerLoginRow::openSignIn()
{
    if (!m_manager || m_server.shares.isEmpty())
        return;
    auto* dialog = new SignInDialog(*m_manager, m_server, m_server.shares.first(), window());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void ServerLoginRow::forget()
{
    if (!m_manager || m_user.isEmpty())
        return;
    const auto answer =
        QMessageBox::question(window(), qtTrId("server.login.forget_title"),
                              qtTrId("server.login.forget_question").arg(m_user, m_server.host));
    if (answer == QMessageBox::Yes && m_manager)
        m_manager->forgetLogin(m_server.host);
}

} // namespace tarnwick
