#include "platform/linux/gvfs_profile.h"
#include "smb_rig.h"
#include "test_text.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QTest>
#include <QUuid>

using namespace tarnwick;
using test::s;
using test::SmbRig;

// The GVFS profile against a real Samba (tests/support/smbd-rig.sh), the real GVFS with
// gvfsd-fuse and a real GNOME Keyring on a private session bus (session-env.sh).
class TestGvfsProfile : public QObject {
    Q_OBJECT

    GvfsProfile m_profile;

    // The table entry of share; a default entry when it is not mounted.
    MountEntry entryFor(const QString& share) const
    {
        for (const MountEntry& mount : m_profile.readSmbMounts()) {
            if (m_profile.nameKey(MountTable::lastComponent(mount.mountPoint)) ==
                m_profile.nameKey(share))
                return mount;
        }
        return {};
    }
    static std::optional<Credentials> login(const QString& password)
    {
        if (password.isEmpty())
            return std::nullopt;
        return Credentials{SmbRig::user(), password, QString()};
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (!SmbRig::available())
            QFAIL("needs tests/support/session-env.sh and smbd-rig.sh around it");
    }

    // Reading the table must neither fail nor start gvfsd when no one has mounted anything.
    void tableWithoutGvfsd()
    {
        QVERIFY(m_profile.readSmbMounts().isEmpty());
        QVERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(
            s("org.gtk.vfs.Daemon")));
    }

    void mountAndReadThroughFuse_data()
    {
        QTest::addColumn<QString>("share");
        QTest::addColumn<QString>("serverDir");
        QTest::addColumn<QString>("password"); // empty: anonymous
        QTest::addColumn<QString>("location");
        const QString host = SmbRig::host();
        QTest::newRow("guest share")
            << s("Public") << SmbRig::publicDir() << QString() << s("smb://%1/public/").arg(host);
        QTest::newRow("password share")
            << s("Private") << SmbRig::privateDir() << SmbRig::password()
            << s("smb://%1@%2/private/").arg(SmbRig::user(), host);
        QTest::newRow("upper case and space") << s("Team Docs") << SmbRig::teamDir() << QString()
                                              << s("smb://%1/team docs/").arg(host);
    }
    void mountAndReadThroughFuse()
    {
        QFETCH(QString, share);
        QFETCH(QString, serverDir);
        QFETCH(QString, password);
        QFETCH(QString, location);
        QCOMPARE(m_profile.requestMount(SmbRig::host(), share, login(password)), 0);
        QVERIFY(m_profile.mountedShareNames().contains(m_profile.nameKey(share)));
        const MountEntry entry = entryFor(share);
        QCOMPARE(entry.mountPoint, location);

        // The entry names the gvfsd-fuse directory; a file the server side writes now is
        // read through it.
        const qsizetype at = entry.line.indexOf(s(" at /"));
        QVERIFY2(at > 0, qPrintable(entry.line));
        const QByteArray content = QUuid::createUuid().toByteArray();
        QFile written(serverDir + s("/fresh.txt"));
        QVERIFY(written.open(QIODevice::WriteOnly) && written.write(content) == content.size());
        written.close();
        QFile read(entry.line.mid(at + 4) + s("/fresh.txt"));
        QVERIFY2(read.open(QIODevice::ReadOnly), qPrintable(read.fileName()));
        QCOMPARE(read.readAll(), content);
    }

    void refusedMounts_data()
    {
        QTest::addColumn<QString>("share");
        QTest::addColumn<QString>("password"); // empty: anonymous
        QTest::newRow("wrong password") << s("Private") << s("wrong");
        QTest::newRow("password share, anonymous") << s("Private") << QString();
        QTest::newRow("no such share") << s("Nope") << QString();
    }
    void refusedMounts()
    {
        QFETCH(QString, share);
        QFETCH(QString, password);
        // A share mounted above goes first, so a refused mount cannot hide behind it.
        if (const MountEntry entry = entryFor(share); !entry.mountPoint.isEmpty())
            QCOMPARE(m_profile.unmount(entry.mountPoint), 0);
        // gio gives up at the end of its input instead of asking again: this returns.
        QVERIFY(m_profile.requestMount(SmbRig::host(), share, login(password)) != 0);
        QVERIFY(!m_profile.mountedShareNames().contains(m_profile.nameKey(share)));
    }

    void unmountEverything()
    {
        const QList<MountEntry> mounts = m_profile.readSmbMounts();
        QCOMPARE(mounts.size(), 2);
        for (const MountEntry& mount : mounts)
            QCOMPARE(m_profile.unmount(mount.mountPoint), 0);
        QVERIFY(m_profile.readSmbMounts().isEmpty());
        // What the engine passes for a share that no mount matches.
        QVERIFY(m_profile.unmount(s("/Team Docs")) != 0);
    }

    void reachability()
    {
        QVERIFY(m_profile.isHostReachable(SmbRig::host()));
        QVERIFY(!m_profile.isHostReachable(s("no-such-host.invalid")));
    }
};

QTEST_GUILESS_MAIN(TestGvfsProfile)
#include "tst_gvfs_profile.moc"
