#include "log_capture.h"
#include "model/app_settings.h"
#include "model/share_store.h"
#include "mount/mount_manager.h"
#include "mount/smb_volume_unmount.h"
#include "mount/system_event_wiring.h"
#include "platform/linux/gvfs_profile.h"
#include "platform/linux/linux_system_events.h"
#include "smb_rig.h"
#include "test_text.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

using namespace tarnwick;
using namespace std::chrono_literals;
using test::s;
using test::SmbRig;

// The GVFS profile, alone and under the mount engine, against a real Samba
// (tests/support/smbd-rig.sh), the real GVFS with gvfsd-fuse and a real GNOME Keyring on a
// private session bus (session-env.sh).
class TestGvfsProfile : public QObject {
    Q_OBJECT

    std::shared_ptr<const GvfsProfile> m_profile = std::make_shared<GvfsProfile>();
    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<ShareStore> m_store;
    std::unique_ptr<test::LogCapture> m_logs;

    // A manager over the rig's server with shares; no timer fires by itself. gio returns
    // only once GVFS has mounted or refused, so the first check of the poll decides.
    std::unique_ptr<MountManager> manager(const char* shares)
    {
        Server server = Server::create(s("Rig"), SmbRig::host());
        for (const QString& name : test::list(shares))
            server.shares.append(Share::create(name));
        m_store->addServer(server);
        MountTiming timing;
        timing.startupDelay = timing.defaultInterval = timing.refreshPeriod = 1h;
        timing.pollSchedule = QList<std::chrono::milliseconds>(8, 50ms);
        return std::make_unique<MountManager>(*m_store, m_profile, *m_settings, nullptr, timing);
    }
    // Runs one cycle and waits until the shares named are mounted and nothing is busy.
    static bool cycle(MountManager& m, const char* mounted)
    {
        m.mountAll();
        return QTest::qWaitFor(
            [&] {
                for (const QString& share : test::list(mounted)) {
                    if (!m.isMounted(share))
                        return false;
                }
                return m.busyShares().isEmpty();
            },
            20000);
    }
    bool logged(const char* share, const QString& message) const
    {
        return m_logs->contains(s("[Tarnwick] [%1] %2").arg(s(share), message));
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (!SmbRig::available())
            QFAIL("needs tests/support/session-env.sh and smbd-rig.sh around it");
    }
    void init()
    {
        QVERIFY(SmbRig::clearLogins(SmbRig::host()));
        m_settings = AppSettings::open(m_dir.filePath(s(QTest::currentTestFunction())));
        m_store = std::make_unique<ShareStore>(*m_settings);
        m_logs = std::make_unique<test::LogCapture>();
    }
    void cleanup()
    {
        m_logs.reset();
        m_store.reset();
        m_settings.reset();
        unmountAllSmbVolumes(*m_profile); // the quit-time unmount, checked after every test
        QVERIFY(m_profile->readSmbMounts().isEmpty());
    }

    // Reading the table must neither fail nor start gvfsd when no one has mounted anything.
    void tableWithoutGvfsd()
    {
        QVERIFY(m_profile->readSmbMounts().isEmpty());
        QVERIFY(!QDBusConnection::sessionBus().interface()->isServiceRegistered(
            s("org.gtk.vfs.Daemon")));
    }

    void mountAndReadThroughFuse_data()
    {
        QTest::addColumn<QString>("share");
        QTest::addColumn<QString>("serverDir");
        QTest::addColumn<QString>("password"); // empty: anonymous
        QTest::addColumn<QString>("location"); // empty: refused
        const QString host = SmbRig::host();
        QTest::newRow("guest share")
            << s("Public") << SmbRig::publicDir() << QString() << s("smb://%1/public/").arg(host);
        QTest::newRow("password share")
            << s("Private") << SmbRig::privateDir() << SmbRig::password()
            << s("smb://%1@%2/private/").arg(SmbRig::user(), host);
        QTest::newRow("upper case and space") << s("Team Docs") << SmbRig::teamDir() << QString()
                                              << s("smb://%1/team docs/").arg(host);
        // gio gives up at the end of its input instead of asking again: these return.
        QTest::newRow("wrong password") << s("Private") << QString() << s("wrong") << QString();
        QTest::newRow("password share, anonymous")
            << s("Private") << QString() << QString() << QString();
        QTest::newRow("no such share") << s("Nope") << QString() << QString() << QString();
    }
    void mountAndReadThroughFuse()
    {
        QFETCH(QString, share);
        QFETCH(QString, serverDir);
        QFETCH(QString, password);
        QFETCH(QString, location);
        std::optional<Credentials> login;
        if (!password.isEmpty())
            login = Credentials{SmbRig::user(), password, QString()};
        const int status = m_profile->requestMount(SmbRig::host(), share, login);
        QCOMPARE(status == 0, !location.isEmpty());
        QCOMPARE(m_profile->mountedShareNames().contains(m_profile->nameKey(share)), status == 0);
        if (status != 0)
            return;
        const QList<MountEntry> mounts = m_profile->readSmbMounts();
        QCOMPARE(mounts.size(), 1);
        const MountEntry entry = mounts.at(0);
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

    void engineMountsAndUnmounts()
    {
        QVERIFY(SmbRig::storeLogin(SmbRig::host(), SmbRig::user(), SmbRig::password().toUtf8()));
        auto m = manager("Public|Private|Team Docs");
        QVERIFY(cycle(*m, "Public|Private|Team Docs"));
        const QString user = SmbRig::user();
        // The login belongs to the host: one lookup per share.
        QCOMPARE(m_logs->lines().count(
                     s("[Tarnwick] [Keychain] found '%1' for %2").arg(user, SmbRig::host())),
                 3);
        for (const char* share : {"Public", "Private", "Team Docs"}) {
            QVERIFY(logged(share, s("mounting with credentials for '%1'").arg(user)));
            QVERIFY(logged(share, s("osascript exit: 0")) && logged(share, s("mounted: true")));
        }
        QVERIFY(m_logs->lines().filter(SmbRig::password()).isEmpty());

        // The next cycle finds everything mounted (GVFS folds the names) and asks for nothing.
        m_logs->clear();
        m->mountAll();
        QTest::qWait(300);
        QVERIFY(cycle(*m, "Public|Private|Team Docs"));
        QVERIFY(m_logs->lines().isEmpty());

        m->unmountShare(s("Team Docs"));
        QVERIFY(m->isBusy(s("Team Docs")));
        QTRY_VERIFY(!m->isMounted(s("Team Docs")) && m->busyShares().isEmpty());
        QCOMPARE(m_profile->readSmbMounts().size(), 2);
        m->unmountAll();
        QTRY_VERIFY(m->mountedVolumes().isEmpty() && m->busyShares().isEmpty());
        QVERIFY(m_profile->readSmbMounts().isEmpty());
        // What the engine passes for a share that no mount matches.
        QVERIFY(m_profile->unmount(s("/Team Docs")) != 0);
    }

    void refusedLoginIsRetriedByTheNextCycle()
    {
        QVERIFY(SmbRig::storeLogin(SmbRig::host(), SmbRig::user(), "not-the-password"));
        auto m = manager("Private");
        // The main thread keeps turning while GVFS refuses the login.
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
        ticker.start(10);

        m->mountAll();
        QTRY_VERIFY_WITH_TIMEOUT(logged("Private", s("mounted: false")), 20000);
        QTRY_VERIFY(m->busyShares().isEmpty());
        QVERIFY(!m->isMounted(s("Private")) && ticks > 0);
        QVERIFY(m_logs->lines().filter(s("not-the-password")).isEmpty());

        QVERIFY(SmbRig::clearLogins(SmbRig::host()));
        QVERIFY(SmbRig::storeLogin(SmbRig::host(), SmbRig::user(), SmbRig::password().toUtf8()));
        QVERIFY(cycle(*m, "Private"));
    }

    void serverStoppedWhileMounted()
    {
        auto m = manager("Public|Team Docs");
        QVERIFY(cycle(*m, "Public|Team Docs"));
        QVERIFY(SmbRig::stopServer());
        const auto restart = qScopeGuard([] { SmbRig::startServer(); });

        // The refresh and a cycle read the tracker, not the server: they return. GVFS keeps
        // the mounts of a vanished server registered (it reconnects on the next access).
        QSignalSpy published(m.get(), &MountManager::mountedVolumesChanged);
        m->refreshMountedVolumes();
        QVERIFY(published.wait());
        m->mountAll();
        QVERIFY(published.wait(20000));
        QTRY_VERIFY(m->busyShares().isEmpty());
        QVERIFY(m->isMounted(s("Public")) && m->isMounted(s("Team Docs")));
        // Unmounting a share of the stopped server returns and ends its busy state; a mount
        // against the stopped server is refused and ends too.
        m->unmountShare(s("Team Docs"));
        QTRY_VERIFY_WITH_TIMEOUT(!m->isMounted(s("Team Docs")) && m->busyShares().isEmpty(), 20000);
        m->mountAll();
        QTRY_VERIFY_WITH_TIMEOUT(logged("Team Docs", s("mounted: false")), 20000);
        QTRY_VERIFY(m->busyShares().isEmpty());

        QVERIFY(SmbRig::startServer());
        QVERIFY(cycle(*m, "Public|Team Docs"));
    }

    // Mounts made and removed outside reach the table through the tracker's signals; the
    // 5-second refresh is out of the way.
    void tableFollowsOutsideMounts()
    {
        auto m = manager("Public");
        LinuxSystemEvents events(QDBusConnection(s("no system bus")),
                                 QDBusConnection::sessionBus());
        wireSystemEvents(*m, events);
        const QString location = s("smb://%1/public/").arg(SmbRig::host());
        for (const char* option : {"-a", "-u"}) {
            QCOMPARE(QProcess::execute(s("gio"), {s("mount"), s(option), location}), 0);
            QTRY_COMPARE_WITH_TIMEOUT(m->isMounted(s("Public")), *(option + 1) == 'a', 1000);
        }
    }

    void reachability()
    {
        QVERIFY(m_profile->isHostReachable(SmbRig::host()));
        QVERIFY(!m_profile->isHostReachable(s("no-such-host.invalid")));
    }
};

QTEST_GUILESS_MAIN(TestGvfsProfile)
#include "tst_gvfs_profile.moc"
