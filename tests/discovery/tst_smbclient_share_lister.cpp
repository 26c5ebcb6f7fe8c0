#include "discovery/bonjour_browser.h"
#include "platform/linux/secret_service_store.h"
#include "platform/linux/smbclient_share_lister.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

using namespace tarnwick;

// Lists the shares of the real Samba server of tests/support/smbd-env.sh, with logins from
// the real GNOME Keyring of tests/support/session-env.sh. smbclient runs through a shim
// that records each argument list before it hands over to the real tool.
class TestSmbclientShareLister : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_shim;
    QString m_password;
    const QStringList m_guestShares{QStringLiteral("Public"),
                                    QStringLiteral("Quarterly Reports 2024"),
                                    QStringLiteral("Team Docs"), QStringLiteral("archive")};

    SmbclientShareLister lister() const
    {
        return SmbclientShareLister(KeychainCredentials(&SecretServiceStore::find), m_shim);
    }

    // Every recorded smbclient run since the last call, oldest first.
    QList<QStringList> takeRuns() const
    {
        QList<QStringList> runs;
        QFile log(m_dir.filePath(QStringLiteral("runs")));
        if (log.open(QIODevice::ReadOnly)) {
            for (const QByteArray& run : log.readAll().split('\n')) {
                if (run.isEmpty())
                    continue;
                QStringList args;
                for (const QByteArray& arg : run.split('\0'))
                    args.append(QString::fromUtf8(arg));
                args.removeLast(); // every argument ends in NUL
                runs.append(args);
            }
            log.remove();
        }
        return runs;
    }

    static void store(const QString& server, const QString& user, const QString& password)
    {
        QProcess tool;
        tool.start(
            QStringLiteral("secret-tool"),
            {QStringLiteral("store"), QStringLiteral("--label=test"), QStringLiteral("xdg:schema"),
             QStringLiteral("org.gnome.keyring.NetworkPassword"), QStringLiteral("user"), user,
             QStringLiteral("server"), server, QStringLiteral("protocol"), QStringLiteral("smb")});
        QVERIFY(tool.waitForStarted());
        tool.write(password.toUtf8());
        tool.closeWriteChannel();
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitCode(), 0);
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("TARNWICK_SMB_HOST") ||
            qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            QFAIL("needs tests/support/smbd-env.sh and tests/support/session-env.sh");
        m_password = qEnvironmentVariable("TARNWICK_SMB_PASSWORD");
        QVERIFY(m_dir.isValid());
        m_shim = m_dir.filePath(QStringLiteral("smbclient"));
        QFile shim(m_shim);
        QVERIFY(shim.open(QIODevice::WriteOnly));
        shim.write(QStringLiteral("#!/bin/bash\n"
                                  "{ printf '%s\\0' \"$@\"; printf '\\n'; } >>'%1'\n"
                                  "exec smbclient \"$@\"\n")
                       .arg(m_dir.filePath(QStringLiteral("runs")))
                       .toUtf8());
        shim.close();
        shim.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void tableFromGrepable_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<QString>("table");
        QTest::newRow("rows") << QStringLiteral("Disk|Public|\nIPC|IPC$|IPC Service (Samba)\n")
                              << QStringLiteral("Public  Disk\nIPC$  IPC\n");
        QTest::newRow("long name, pipe in comment")
            << QStringLiteral("Disk|Quarterly Reports 2024|a | b")
            << QStringLiteral("Quarterly Reports 2024  Disk");
        QTest::newRow("messages stay")
            << QStringLiteral("Anonymous login successful\nDisk|x|\nSMB1 disabled -- no workgroup")
            << QStringLiteral("Anonymous login successful\nx  Disk\nSMB1 disabled -- no workgroup");
        QTest::newRow("empty") << QString() << QString();
    }
    void tableFromGrepable()
    {
        QFETCH(QString, output);
        QFETCH(QString, table);
        QCOMPARE(SmbclientShareLister::tableFromGrepable(output), table);
    }

    // No login stored: the guest attempt lists every disk share whole (a space in the
    // name, a name longer than smbclient's table column), without IPC$, ADMIN$, the printer
    // and the share only the login may see; sorted with upper case first.
    void guestListing()
    {
        takeRuns();
        QCOMPARE(lister().listShares(QStringLiteral("127.0.0.1")), m_guestShares);
        const QList<QStringList> runs = takeRuns();
        QCOMPARE(runs.size(), 1);
        QVERIFY(runs.first().contains(QStringLiteral("--user=guest%")));
    }

    // A keyring item for the host (under one of its names) makes the first attempt, which
    // sees the password-only share; the password goes to smbclient but never into argv.
    void loginFromKeyring_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("storedUnder");
        QTest::addColumn<bool>("rightPassword");

        QTest::newRow("item for the address")
            << QStringLiteral("127.0.0.1") << QStringLiteral("127.0.0.1") << true;
        QTest::newRow("item for the short name")
            << qEnvironmentVariable("TARNWICK_SMB_ALIAS") << QStringLiteral("nas") << true;
        QTest::newRow("wrong password falls back to guest")
            << QStringLiteral("localhost") << QStringLiteral("localhost") << false;
    }
    void loginFromKeyring()
    {
        QFETCH(QString, host);
        QFETCH(QString, storedUnder);
        QFETCH(bool, rightPassword);
        const QString user = qEnvironmentVariable("TARNWICK_SMB_USER");
        const QString password =
            rightPassword ? m_password : QStringLiteral("not-%1").arg(m_password);
        store(storedUnder, user, password);
        takeRuns();

        QStringList expected = m_guestShares;
        if (rightPassword)
            expected.prepend(QStringLiteral("Private"));
        QCOMPARE(lister().listShares(host), expected);

        const QList<QStringList> runs = takeRuns();
        QCOMPARE(runs.size(), rightPassword ? 1 : 2);
        QVERIFY(runs.first().contains(QStringLiteral("--user=") + user));
        for (const QStringList& args : runs) {
            for (const QString& arg : args)
                QVERIFY2(!arg.contains(m_password), qPrintable(arg));
        }
    }

    // Nothing listens on 127.0.0.2, and 192.0.2.1 has no route here: both give an empty
    // list after the guest and the anonymous attempt.
    void unreachableHosts_data()
    {
        QTest::addColumn<QString>("host");
        QTest::newRow("closed port") << QStringLiteral("127.0.0.2");
        QTest::newRow("no route") << QStringLiteral("192.0.2.1");
    }
    void unreachableHosts()
    {
        QFETCH(QString, host);
        takeRuns();
        QCOMPARE(lister().listShares(host), QStringList());
        QCOMPARE(takeRuns().size(), 2);
    }

    // Through the browser: the sorted listing arrives once, on the main thread.
    void browserListing()
    {
        BonjourBrowser browser(std::make_shared<SmbclientShareLister>(lister()));
        QList<QStringList> results;
        browser.listShares(QStringLiteral("127.0.0.2"),
                           [&](const QStringList& names) { results.append(names); });
        browser.listShares(QStringLiteral("127.0.0.1"),
                           [&](const QStringList& names) { results.append(names); });
        QTRY_COMPARE(results.size(), 2);
        QVERIFY(results.contains(QStringList()));
        QVERIFY(
            results.contains(QStringList{QStringLiteral("Private"), QStringLiteral("Public"),
                                         QStringLiteral("Quarterly Reports 2024"),
                                         QStringLiteral("Team Docs"), QStringLiteral("archive")}));
        QVERIFY(QThreadPool::globalInstance()->waitForDone(30000));
        QCoreApplication::processEvents();
        QCOMPARE(results.size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestSmbclientShareLister)
#include "tst_smbclient_share_lister.moc"
