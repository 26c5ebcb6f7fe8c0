#include "log_capture.h"
#include "model/app_settings.h"
#include "model/share_store.h"
#include "mount/mount_manager.h"
#include "mount/smb_volume_unmount.h"
#include "platform/linux/gvfs_profile.h"
#include "smb_rig.h"
#include "test_text.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace tarnwick;
using namespace std::chrono_literals;
using test::s;
using test::SmbRig;

// The mount engine with the GVFS profile, end to end: real Samba on loopback, GVFS with
// gvfsd-fuse and GNOME Keyring on a private session bus.
class TestGvfsMountManager : public QObject {
    Q_OBJECT

    std::shared_ptr<const GvfsProfile> m_profile = std::make_shared<GvfsProfile>();
    std::unique_ptr<QTemporaryDir> m_dir;
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
    // Runs one cycle and waits until the shares it picked are done.
    bool cycle(MountManager& m, const char* mounted)
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
    static QString line(const char* share, const QString& message)
    {
        return s("[Tarnwick] [%1] %2").arg(s(share), message);
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
        m_dir = std::make_unique<QTemporaryDir>();
        m_settings = AppSettings::open(m_dir->filePath(s("tarnwick.conf")));
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

    void mountsAndUnmountsGuestPasswordAndSpacedShares()
    {
        QVERIFY(SmbRig::storeLogin(SmbRig::host(), SmbRig::user(), SmbRig::password().toUtf8()));
        auto m = manager("Public|Private|Team Docs");
        QVERIFY(cycle(*m, "Public|Private|Team Docs"));

        const QStringList lines = m_logs->lines();
        const QString user = SmbRig::user();
        // The login belongs to the host: one lookup per share.
        QCOMPARE(
            lines.count(s("[Tarnwick] [Keychain] found '%1' for %2").arg(user, SmbRig::host())), 3);
        for (const char* share : {"Public", "Private", "Team Docs"}) {
            QVERIFY(lines.contains(line(share, s("mounting with credentials for '%1'").arg(user))));
            QVERIFY(lines.contains(line(share, s("osascript exit: 0"))));
            QVERIFY(lines.contains(line(share, s("mounted: true"))));
        }
        QVERIFY(lines.filter(SmbRig::password()).isEmpty());

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
        QTRY_VERIFY_WITH_TIMEOUT(m_logs->contains(line("Private", s("mounted: false"))), 20000);
        QTRY_VERIFY(m->busyShares().isEmpty());
        QVERIFY(!m->isMounted(s("Private")));
        QVERIFY(ticks > 0);
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

        // The refresh reads the tracker, not the server: it returns and publishes.
        QSignalSpy published(m.get(), &MountManager::mountedVolumesChanged);
        m->refreshMountedVolumes();
        QVERIFY(published.wait());
        // A cycle reads the table, pings and returns too; GVFS keeps the mounts of a vanished
        // server registered (it reconnects on the next access), so they still count.
        published.clear();
        m->mountAll();
        QVERIFY(published.wait(20000));
        QTRY_VERIFY(m->busyShares().isEmpty());
        QVERIFY(m->isMounted(s("Public")) && m->isMounted(s("Team Docs")));
        // Unmounting a share of the stopped server returns and ends its busy state; a mount
        // against the stopped server is refused and ends too.
        m->unmountShare(s("Team Docs"));
        QTRY_VERIFY_WITH_TIMEOUT(!m->isMounted(s("Team Docs")) && m->busyShares().isEmpty(), 20000);
        m->mountAll();
        QTRY_VERIFY_WITH_TIMEOUT(m_logs->contains(line("Team Docs", s("mounted: false"))), 20000);
        QTRY_VERIFY(m->busyShares().isEmpty());

        QVERIFY(SmbRig::startServer());
        QVERIFY(cycle(*m, "Public|Team Docs"));
    }
};

QTEST_GUILESS_MAIN(TestGvfsMountManager)
#include "tst_gvfs_mount_manager.moc"
