#include "settings/sign_in_dialog.h"

#include "mount/mount_manager.h"
#include "style/style.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <pwd.h>
#include <unistd.h>

namespace tarnwick {

namespace {

QString sessionUser()
{
    const passwd* entry = ::getpwuid(::getuid());
    return entry ? QString::fromLocal8Bit(entry->pw_name) : qEnvironmentVariable("USER");
}

QLineEdit* field(QFormLayout* form, const QString& label, const QString& accessible)
{
    auto* edit = new QLineEdit;
    edit->setAccessibleName(accessible);
    form->addRow(label, edit);
    return edit;
}

} // namespace

SignInDialog::SignInDialog(MountManager& manager, const Server& server, const Share& share,
                           QWidget* parent)
    : QDialog(parent)
    , m_manager(&manager)
    , m_server(server)
    , m_share(share)
{
    setWindowTitle(qtTrId("signin.title").arg(server.displayName));
    auto* layout = new QVBoxLayout(this);
    auto* intro =
        new QLabel(share.id.isNull() ? qtTrId("signin.intro.listing").arg(server.host)
                                     : qtTrId("signin.intro").arg(share.name, server.host));
    intro->setTextFormat(Qt::PlainText);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    auto* form = new QFormLayout;
    m_user = field(form, qtTrId("signin.user"), qtTrId("signin.user.a11y"));
    m_user->setText(sessionUser());
    m_domain = field(form, qtTrId("signin.domain"), qtTrId("signin.domain.a11y"));
    m_domain->setPlaceholderText(qtTrId("signin.domain.placeholder"));
    m_password = field(form, qtTrId("signin.password"), qtTrId("signin.password.a11y"));
    m_password->setEchoMode(QLineEdit::Password);
    layout->addLayout(form);

    m_remember = new QCheckBox(qtTrId("signin.remember"));
    m_remember->setAccessibleName(qtTrId("signin.remember"));
    m_remember->setChecked(true);
    layout->addWidget(m_remember);
    auto* dolphin = new QLabel(qtTrId("signin.dolphin_note"));
    dolphin->setWordWrap(true);
    Style::makeSecondary(dolphin);
    layout->addWidget(dolphin);
    m_message = new QLabel;
    m_message->setTextFormat(Qt::PlainText);
    m_message->setWordWrap(true);
    m_message->setAccessibleName(qtTrId("signin.status.a11y"));
    layout->addWidget(m_message);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel);
    m_signInButton = buttons->addButton(qtTrId("signin.button"), QDialogButtonBox::AcceptRole);
    layout->addWidget(buttons);
    // Default only once inside the dialog: before that the dialog cannot know it.
    m_signInButton->setDefault(true);
    // Return signs in (the default button); Escape rejects, as in any dialog.
    connect(buttons, &QDialogButtonBox::accepted, this, &SignInDialog::signIn);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_user, &QLineEdit::textEdited, this, [this] { m_userEdited = true; });
    connect(&manager, &MountManager::signInFinished, this, &SignInDialog::finished);
    connect(&manager, &MountManager::loginRead, this, &SignInDialog::loginRead);
    manager.readLogin(server.host);
    focusFirstEmpty();
}

SignInDialog::SignInDialog(MountManager& manager, const Server& server,
                           std::shared_ptr<const ShareLister> lister, QWidget* parent)
    : SignInDialog(manager, server, Share{}, parent)
{
    m_lister = std::move(lister);
    // A login that is not stored would not list anything again.
    m_remember->setChecked(true);
    m_remember->setVisible(false);
}

SignInDialog::~SignInDialog()
{
    m_password->clear();
}

QString SignInDialog::message() const
{
    return m_message->text();
}

void SignInDialog::focusFirstEmpty()
{
    // The domain is optional: an empty one does not take the focus.
    (m_user->text().isEmpty() ? m_user : m_password)->setFocus(Qt::OtherFocusReason);
}

void SignInDialog::loginRead(const QString& host, const QString& user)
{
    if (host != m_server.host || user.isEmpty() || m_userEdited || m_signingIn)
        return;
    m_user->setText(user);
    focusFirstEmpty();
}

void SignInDialog::setSigningIn(bool on)
{
    m_signingIn = on;
    for (QWidget* input :
         std::initializer_list<QWidget*>{m_user, m_domain, m_password, m_remember, m_signInButton})
        input->setEnabled(!on);
}

void SignInDialog::signIn()
{
    if (m_signingIn || !m_manager)
        return;
    if (m_user->text().trimmed().isEmpty() || m_password->text().isEmpty()) {
        m_message->setText(qtTrId("signin.missing"));
        focusFirstEmpty();
        return;
    }
    setSigningIn(true);
    m_message->setText(qtTrId("signin.busy"));
    const Credentials login{m_user->text().trimmed(), m_password->text(),
                            m_domain->text().trimmed()};
    if (m_lister)
        m_manager->signInByListing(m_server, login, m_remember->isChecked(), m_lister);
    else
        m_manager->signIn(m_server, m_share, login, m_remember->isChecked());
}

void SignInDialog::finished(const ShareKey& key, ShareStatus::Reason reason, bool stored)
{
    if (!m_signingIn || key != ShareKey::of(m_server, m_share))
        return;
    setSigningIn(false);
    if (reason == ShareStatus::Reason::None) {
        if (m_remember->isChecked() && !stored)
            m_message->setText(qtTrId("signin.not_stored"));
        else
            accept();
        return;
    }
    m_message->setText(reason == ShareStatus::Reason::LoginRefused ? qtTrId("signin.refused")
                                                                   : qtTrId("signin.failed"));
    m_password->selectAll();
    m_password->setFocus(Qt::OtherFocusReason);
}

void SignInDialog::done(int result)
{
    // The typed password lives no longer than the dialog is open.
    m_password->clear();
    QDialog::done(result);
}

} // namespace tarnwick
