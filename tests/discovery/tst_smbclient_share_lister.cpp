#include "platform/linux/secret_service_store.h"
#include "platform/linux/smbclient_share_lister.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace tarnwick;
using namespace Qt::Literals::StringLiterals;

// Lists the shares of the real Samba rig (tests/support/smbd-rig.sh with listing-shares.conf),
// with logins from the real GNOME Keyring of tests/support/session-env.sh. smbclient runs
// through a shim that records each argument list before it hands over to the real tool.
class TestSmbclientShareLister : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    const QString m_host = qEnvironmentVariable("TARNWICK_SMB_HOST");
    const QString m_password = qEnvironmentVariable("TARNWICK_SMB_PASSWORD");

    // Lists host; returns every smbclient argument list of the run, oldest first.
    QList<QStringList> listShares(const QString& host, QStringList* shares)
    {
        QFile::remove(m_dir.filePath(u"runs"_s));
        *shares = SmbclientShareLister(KeychainCredentials(&SecretServiceStore::find),
                                       m_dir.filePath(u"smbclient"_s))
                      .listShares(host);
        QFile log(m_dir.filePath(u"runs"_s));
        QList<QStringList> runs;
        if (log.open(QIODevice::ReadOnly)) {
            for (const QByteArray& run : log.readAll().split('\n'))
                if (!run.isEmpty())
                    runs.append(QString::fromUtf8(run).split(QChar(u'\0'), Qt::SkipEmptyParts));
        }
        return runs;
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (m_host.isEmpty() || qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            QFAIL("needs tests/support/smbd-rig.sh and tests/support/session-env.sh");
        QFile shim(m_dir.filePath(u"smbclient"_s));
        QVERIFY(shim.open(QIODevice::WriteOnly));
        shim.write("#!/bin/bash\n{ printf '%s\\0' \"$@\"; echo; } >>'" +
                   QFile::encodeName(m_dir.filePath(u"runs"_s)) + "'\nexec smbclient \"$@\"\n");
        QVERIFY(shim.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
    }

    // Without a usable login the guest attempt lists every disk share whole (a space in the
    // name, one wider than smbclient's column, a "|" in its comment) without IPC$, ADMIN$,
    // the printer and the share only the login may see; sorted with upper case first. The
    // keyring's login, when right, sees that share too; its password never enters argv.
    void listing_data()
    {
        QTest::addColumn<QString>("password"); // stored for the rig's address; "" = none
        QTest::addColumn<int>("runs");
        QTest::newRow("guest") << QString() << 1;
        QTest::newRow("keyring login") << m_password << 1;
        QTest::newRow("wrong password falls back to guest") << u"not-"_s + m_password << 2;
    }
    void listing()
    {
        QFETCH(QString, password);
        QFETCH(int, runs);
        const QString user = qEnvironmentVariable("TARNWICK_SMB_USER");
        if (!password.isEmpty()) {
            QProcess tool;
            tool.start(u"secret-tool"_s, {u"store"_s, u"--label=test"_s, u"xdg:schema"_s,
                                          u"org.gnome.keyring.NetworkPassword"_s, u"user"_s, user,
                                          u"server"_s, m_host, u"protocol"_s, u"smb"_s});
            tool.write(password.toUtf8());
            tool.closeWriteChannel();
            QVERIFY(tool.waitForFinished() && tool.exitCode() == 0);
        }
        QStringList expected{u"Public"_s, u"Quarterly Reports 2024"_s, u"Team Docs"_s,
                             u"archive"_s};
        if (password == m_password)
            expected.prepend(u"Private"_s);

        QStringList shares;
        const QList<QStringList> args = listShares(m_host, &shares);
        QCOMPARE(shares, expected);
        QCOMPARE(args.size(), runs);
        QVERIFY(args.last().contains(u"--user=guest%"_s) || password == m_password);
        if (!password.isEmpty())
            QVERIFY(args.first().contains(u"--user="_s + user));
        for (const QStringList& run : args)
            for (const QString& arg : run)
                QVERIFY2(!arg.contains(m_password), qPrintable(arg));
    }

    // Lines that are not share rows stay, so the success rules still see smbclient's words.
    void tableFromGrepable()
    {
        QCOMPARE(SmbclientShareLister::tableFromGrepable(
                     u"Anonymous login successful\nDisk|Q 2024|a | b\nIPC|IPC$|IPC Service"_s),
                 u"Anonymous login successful\nQ 2024  Disk\nIPC$  IPC"_s);
    }

    // Nothing listens there: an empty list after the guest and the anonymous attempt.
    void closedPort()
    {
        QStringList shares{u"x"_s};
        QCOMPARE(listShares(u"127.0.0.2"_s, &shares).size(), 2);
        QCOMPARE(shares, QStringList());
    }
};

QTEST_GUILESS_MAIN(TestSmbclientShareLister)
#include "tst_smbclient_share_lister.moc"
