#include "log_capture.h"
#include "platform/linux/gvfs_profile.h"
#include "smb_rig.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QTest>
#include <QUuid>

using namespace tarnwick;

// The GVFS profile against a real Samba (tests/support/smbd-rig.sh), the real GVFS with
// gvfsd-fuse and a real GNOME Keyring on a private session bus (session-env.sh).
class TestGvfsProfile : public QObject {
    Q_OBJECT

    GvfsProfile m_profile;
    QString m_host;

    static QString env(const char* name) { return qEnvironmentVariable(name); }

    Credentials rigLogin(const QString& password) const
    {
        return Credentials{env("TARNWICK_SMB_USER"), password, QString()};
    }

    const MountEntry* entryFor(const QList<MountEntry>& mounts, const QString& share) const
    {
        for (const MountEntry& mount : mounts) {
            if (m_profile.nameKey(MountTable::lastComponent(mount.mountPoint)) ==
                m_profile.nameKey(share))
                return &mount;
        }
        return nullptr;
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_host = test::SmbRig::host();
        if (!test::SmbRig::available())
            QFAIL("needs tests/support/session-env.sh and smbd-rig.sh around it");
    }

    // Reading the table must neither fail nor start gvfsd when no one has mounted anything.
    void tableWithoutGvfsd()
    {
        QVERIFY(m_profile.readSmbMounts().isEmpty());
        QVERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(
            QStringLiteral("org.gtk.vfs.Daemon")));
    }

    void mountAndReadThroughFuse_data()
    {
        QTest::addColumn<QString>("share");
        QTest::addColumn<QString>("serverDir");
        QTest::addColumn<bool>("login");
        QTest::addColumn<QString>("location");
        const QString h = env("TARNWICK_SMB_HOST");
        const QString user = env("TARNWICK_SMB_USER");
        QTest::newRow("guest share") << QStringLiteral("Public") << env("TARNWICK_SMB_PUBLIC")
                                     << false << QStringLiteral("smb://%1/public/").arg(h);
        QTest::newRow("password share")
            << QStringLiteral("Private") << env("TARNWICK_SMB_PRIVATE") << true
            << QStringLiteral("smb://%1@%2/private/").arg(user, h);
        QTest::newRow("upper case and space")
            << QStringLiteral("Team Docs") << env("TARNWICK_SMB_TEAM") << false
            << QStringLiteral("smb://%1/team docs/").arg(h);
    }
    void mountAndReadThroughFuse()
    {
        QFETCH(QString, share);
        QFETCH(QString, serverDir);
        QFETCH(bool, login);
        QFETCH(QString, location);
        std::optional<Credentials> credentials;
        if (login)
            credentials = rigLogin(env("TARNWICK_SMB_PASSWORD"));

        QCOMPARE(m_profile.requestMount(m_host, share, credentials), 0);
        QVERIFY(m_profile.mountedShareNames().contains(m_profile.nameKey(share)));
        const QList<MountEntry> mounts = m_profile.readSmbMounts();
        const MountEntry* entry = entryFor(mounts, share);
        QVERIFY(entry);
        QCOMPARE(entry->mountPoint, location);

        // The description names the gvfsd-fuse directory; a file the server side writes
        // now is read through it.
        const qsizetype at = entry->line.indexOf(QStringLiteral(" at /"));
        QVERIFY2(at > 0, qPrintable(entry->line));
        const QString fusePath = entry->line.mid(at + 4);
        const QByteArray content = QUuid::createUuid().toByteArray();
        QFile written(serverDir + QStringLiteral("/fresh.txt"));
        QVERIFY(written.open(QIODevice::WriteOnly));
        written.write(content);
        written.close();
        QFile read(fusePath + QStringLiteral("/fresh.txt"));
        QVERIFY2(read.open(QIODevice::ReadOnly), qPrintable(read.fileName()));
        QCOMPARE(read.readAll(), content);
    }

    void refusedMounts_data()
    {
        QTest::addColumn<QString>("share");
        QTest::addColumn<QString>("password"); // empty: anonymous
        QTest::newRow("wrong password") << QStringLiteral("Private") << QStringLiteral("wrong");
        QTest::newRow("password share, anonymous") << QStringLiteral("Private") << QString();
        QTest::newRow("no such share") << QStringLiteral("Nope") << QString();
    }
    void refusedMounts()
    {
        QFETCH(QString, share);
        QFETCH(QString, password);
        // Both mounted shares from above go, so a refused one cannot hide behind them.
        for (const MountEntry& mount : m_profile.readSmbMounts()) {
            if (m_profile.nameKey(MountTable::lastComponent(mount.mountPoint)) ==
                m_profile.nameKey(share))
                QCOMPARE(m_profile.unmount(mount.mountPoint), 0);
        }
        std::optional<Credentials> credentials;
        if (!password.isEmpty())
            credentials = rigLogin(password);
        // gio gives up at the end of its input instead of asking again: this returns.
        QVERIFY(m_profile.requestMount(m_host, share, credentials) != 0);
        QVERIFY(!m_profile.mountedShareNames().contains(m_profile.nameKey(share)));
    }

    void unmountEverything()
    {
        const QList<MountEntry> mounts = m_profile.readSmbMounts();
        QVERIFY(!mounts.isEmpty());
        for (const MountEntry& mount : mounts)
            QCOMPARE(m_profile.unmount(mount.mountPoint), 0);
        QVERIFY(m_profile.readSmbMounts().isEmpty());
        // What the engine passes for a share that no mount matches.
        QVERIFY(m_profile.unmount(QStringLiteral("/Team Docs")) != 0);
    }

    void keyringLogins()
    {
        QVERIFY(test::SmbRig::storeLogin(QStringLiteral("nas.test"), QStringLiteral("anna"),
                                         "pa:ss@w\"rd"));
        test::LogCapture log;
        QCOMPARE(m_profile.storedLogin(QStringLiteral("nas.test"))->user, QStringLiteral("anna"));
        QVERIFY(log.lines().isEmpty());

        const auto found = m_profile.lookupKeychainCredentials(QStringLiteral("nas.test"));
        QVERIFY(found);
        QCOMPARE(found->password, QStringLiteral("pa:ss@w\"rd"));
        QCOMPARE(log.lines(),
                 QStringList{QStringLiteral("[Tarnwick] [Keychain] found 'anna' for nas.test")});

        log.clear();
        QVERIFY(!m_profile.lookupKeychainCredentials(QStringLiteral("other.test")));
        QVERIFY(log.lines().isEmpty());
    }

    void reachability_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("reachable");
        QTest::newRow("rig address") << env("TARNWICK_SMB_HOST") << true;
        QTest::newRow("name that does not resolve")
            << QStringLiteral("no-such-host.invalid") << false;
    }
    void reachability()
    {
        QFETCH(QString, host);
        QFETCH(bool, reachable);
        QCOMPARE(m_profile.isHostReachable(host), reachable);
    }
};

QTEST_GUILESS_MAIN(TestGvfsProfile)
#include "tst_gvfs_profile.moc"
