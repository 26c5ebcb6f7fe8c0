#include "model/app_settings.h"
#include "model/share_store.h"
#include "mount/mount_manager.h"
#include "platform/profile_factory.h"
#include "settings/server_login_row.h"
#include "settings/sign_in_dialog.h"
#include "shell/translations.h"
#include "smb_rig.h"
#include "test_text.h"

#include <QAccessible>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

using namespace tarnwick;
using namespace std::chrono_literals;
using test::s;
using test::SmbRig;

// The sign-in dialog over the real engine, GVFS, Samba (smbd-rig.sh) and GNOME Keyring
// (session-env.sh), offscreen.
class TestSignInDialog : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

    // The items of the rig's server in the keyring, as secret-tool prints them.
    static QString items()
    {
        QProcess tool;
        tool.start(s("secret-tool"),
                   {s("search"), s("--all"), s("server"), SmbRig::host(), s("protocol"), s("smb")});
        tool.waitForFinished();
        return QString::fromUtf8(tool.readAllStandardOutput() + tool.readAllStandardError());
    }
    static int failedLogons()
    {
        int count = 0;
        for (const QFileInfo& log : QDir(qEnvironmentVariable("TARNWICK_SMB_ROOT") + s("/log"))
                                        .entryInfoList(QDir::Files)) {
            QFile file(log.filePath());
            if (file.open(QIODevice::ReadOnly))
                count += int(file.readAll().count("status [NT_STATUS_WRONG_PASSWORD]"));
        }
        return count;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(SmbRig::available(), "needs session-env.sh and smbd-rig.sh");
        Translations::install(*qApp, QLocale(QLocale::English));
    }

    // A refused login keeps the dialog open and stores nothing, after one failed logon; the
    // right one closes it, is stored once, mounts every share of the server and shows in the
    // editor's login row; Forget removes it.
    void refusedThenAccepted()
    {
        const auto settings = AppSettings::open(m_dir.filePath(s("tarnwick.conf")));
        ShareStore store(*settings);
        Server server = Server::create(s("Office"), SmbRig::host());
        for (const char* name : {"Private", "Public", "Team Docs"})
            server.shares.append(Share::create(s(name)));
        store.addServer(server);
        MountTiming timing;
        timing.startupDelay = timing.defaultInterval = timing.refreshPeriod = 1h;
        MountManager manager(store, ProfileFactory::create(), *settings, nullptr, timing);
        QVERIFY(manager.offersSignIn());

        SignInDialog dialog(manager, server, server.shares.first());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QVERIFY(dialog.windowTitle().contains(s("Office")));
        QVERIFY(!dialog.userField()->text().isEmpty()); // the session's user
        QCOMPARE(dialog.focusWidget(), dialog.passwordField());
        for (QWidget* field :
             std::initializer_list<QWidget*>{dialog.userField(), dialog.domainField(),
                                             dialog.passwordField(), dialog.rememberBox()})
            QVERIFY(
                !QAccessible::queryAccessibleInterface(field)->text(QAccessible::Name).isEmpty());
        QVERIFY(dialog.rememberBox()->isChecked());

        dialog.userField()->setText(SmbRig::user());
        const int before = failedLogons();
        QTest::keyClicks(dialog.passwordField(), s("not-the-password"));
        QTest::keyClick(dialog.passwordField(), Qt::Key_Return);
        QVERIFY(dialog.isSigningIn());
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.isSigningIn(), 60000);
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.message().contains(s("refused")));
        QVERIFY2(!items().contains(s("label = ")), qPrintable(items()));
        QCOMPARE(failedLogons() - before, 1);
        QVERIFY(!manager.isMounted(ShareKey::of(server, server.shares.first())));

        dialog.passwordField()->setText(SmbRig::password());
        QTest::keyClick(dialog.passwordField(), Qt::Key_Return);
        QTRY_VERIFY_WITH_TIMEOUT(!dialog.isVisible(), 60000);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(dialog.passwordField()->text().isEmpty());
        QCOMPARE(items().count(s("label = ") + SmbRig::user() + u'@' + SmbRig::host()), 1);
        for (const Share& share : server.shares)
            QTRY_VERIFY_WITH_TIMEOUT(manager.isMounted(ShareKey::of(server, share)), 60000);
        QCOMPARE(failedLogons() - before, 1);

        ServerLoginRow row(manager, server);
        QTRY_COMPARE_WITH_TIMEOUT(row.storedUser(), SmbRig::user(), 30000);
        manager.forgetLogin(server.host);
        QTRY_VERIFY_WITH_TIMEOUT(row.storedUser().isEmpty(), 30000);
        QVERIFY2(!items().contains(s("label = ")), qPrintable(items()));

        // Escape cancels and the typed password goes with the dialog.
        SignInDialog again(manager, server, server.shares.first());
        again.show();
        QTest::keyClicks(again.passwordField(), s("typed"));
        QTest::keyClick(again.passwordField(), Qt::Key_Escape);
        QVERIFY(!again.isVisible() && again.result() == QDialog::Rejected);
        QVERIFY(again.passwordField()->text().isEmpty());

        // A server with no share yet: the login is tried by listing its shares, never as a
        // guest (the rig lists its guest shares to anyone), and always stored.
        SignInDialog listing(manager, Server::create(s("Bare"), SmbRig::host()),
                             ProfileFactory::createShareLister());
        listing.show();
        QVERIFY(!listing.rememberBox()->isVisible());
        listing.userField()->setText(SmbRig::user());
        for (const QString& password : {s("not-the-password"), SmbRig::password()}) {
            QVERIFY(listing.message().isEmpty() || listing.message().contains(s("refused")));
            listing.passwordField()->setText(password);
            QTest::keyClick(listing.passwordField(), Qt::Key_Return);
            QTRY_VERIFY_WITH_TIMEOUT(!listing.isSigningIn(), 60000);
        }
        QVERIFY(!listing.isVisible() && listing.result() == QDialog::Accepted);
        QCOMPARE(items().count(s("label = ") + SmbRig::user() + u'@' + SmbRig::host()), 1);
        manager.unmountAll();
        QTRY_VERIFY_WITH_TIMEOUT(manager.mountedVolumes().isEmpty(), 30000);
    }
};

QTEST_MAIN(TestSignInDialog)
#include "tst_sign_in_dialog.moc"
