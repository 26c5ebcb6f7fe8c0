#include "log_capture.h"
#include "model/app_settings.h"
#include "model/share_store.h"
#include "mount/mount_manager.h"
#include "mount/smb_volume_unmount.h"
#include "platform/linux/gvfs_profile.h"
#include "smb_rig.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

using namespace tarnwick;
using namespace std::chrono_literals;

namespace {

using test::SmbRig;

// No timer fires by itself during a test; the poll after each mount request is short
// (gio returns only once GVFS has mounted or refused, so the first check decides).
MountTiming shortened()
{
    MountTiming timing;
    timing.startupDelay = 1h;
    timing.defaultInterval = 1h;
    timing.refreshPeriod = 1h;
    timing.pollSchedule = QList<std::chrono::milliseconds>(8, 50ms);
    return timing;
}

Server rigServer(const QStringList& shares)
{
    Server server = Server::create(QStringLiteral("Rig"), SmbRig::host());
    for (const QString& name : shares)
        server.shares.append(Share::create(name));
    return server;
}

QString line(const QString& share, const QString& message)
{
    return QStringLiteral("[Tarnwick] [") + share + QStringLiteral("] ") + message;
}

} // namespace

// The mount engine with the GVFS profile, end to end: real Samba on loopback, GVFS with
// gvfsd-fuse and GNOME Keyring on a private session bus.
class TestGvfsMountManager : public QObject {
    Q_OBJECT

    std::shared_ptr<const GvfsProfile> m_profile = std::make_shared<GvfsProfile>();
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<ShareStore> m_store;
    std::unique_ptr<test::LogCapture> m_logs;

    std::unique_ptr<MountManager> manager()
    {
        return std::make_unique<MountManager>(*m_store, m_profile, *m_settings, nullptr,
                                              shortened());
    }

    // Waits until the cycles and requests under way have ended.
    static bool settled(const MountManager& m)
    {
        return QTest::qWaitFor([&] { return m.busyShares().isEmpty(); }, 20000);
    }

    QString fusePathOf(const QString& share) const
    {
        for (const MountEntry& mount : m_profile->readSmbMounts()) {
            if (m_profile->nameKey(MountTable::lastComponent(mount.mountPoint)) ==
                m_profile->nameKey(share))
                return mount.line.mid(mount.line.indexOf(QStringLiteral(" at /")) + 4);
        }
        return {};
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
        m_settings = AppSettings::open(m_dir->filePath(QStringLiteral("tarnwick.conf")));
        m_store = std::make_unique<ShareStore>(*m_settings);
        m_logs = std::make_unique<test::LogCapture>();
    }
    void cleanup()
    {
        m_logs.reset();
        m_store.reset();
        m_settings.reset();
        unmountAllSmbVolumes(*m_profile);
        QVERIFY(m_profile->readSmbMounts().isEmpty());
    }

    void mountsGuestPasswordAndSpacedShares()
    {
        QVERIFY(SmbRig::storeLogin(SmbRig::host(), SmbRig::user(), SmbRig::password().toUtf8()));
        m_store->addServer(rigServer(
            {QStringLiteral("Public"), QStringLiteral("Private"), QStringLiteral("Team Docs")}));
        auto m = manager();
        m->mountAll();
        QTRY_VERIFY_WITH_TIMEOUT(m->isMounted(QStringLiteral("Public")) &&
                                     m->isMounted(QStringLiteral("Private")) &&
                                     m->isMounted(QStringLiteral("Team Docs")),
                                 20000);
        QVERIFY(settled(*m));

        const QStringList lines = m_logs->lines();
        const QString found = QStringLiteral("[Tarnwick] [Keychain] found '") + SmbRig::user() +
                              QStringLiteral("' for ") + SmbRig::host();
        QCOMPARE(lines.count(found), 3); // the login belongs to the host: one lookup per share
        for (const QString& share :
             {QStringLiteral("Public"), QStringLiteral("Private"), QStringLiteral("Team Docs")}) {
            QVERIFY(lines.contains(line(share, QStringLiteral("mounting with credentials for '") +
                                                   SmbRig::user() + u'\'')));
            QVERIFY(lines.contains(line(share, QStringLiteral("osascript exit: 0"))));
            QVERIFY(lines.contains(line(share, QStringLiteral("mounted: true"))));
        }
        QVERIFY(lines.filter(SmbRig::password()).isEmpty());

        // What the server side writes now is read through the mount.
        const QByteArray content = QUuid::createUuid().toByteArray();
        QFile written(SmbRig::privateDir() + QStringLiteral("/from-server.txt"));
        QVERIFY(written.open(QIODevice::WriteOnly));
        written.write(content);
        written.close();
        QFile read(fusePathOf(QStringLiteral("Private")) + QStringLiteral("/from-server.txt"));
        QVERIFY2(read.open(QIODevice::ReadOnly), qPrintable(read.fileName()));
        QCOMPARE(read.readAll(), content);

        // The next cycle finds everything mounted and asks for nothing.
        m_logs->clear();
        m->mountAll();
        QTest::qWait(300);
        QVERIFY(settled(*m));
        QVERIFY(m_logs->lines().isEmpty());
    }

    void unmountShareAndUnmountAll()
    {
        m_store->addServer(rigServer({QStringLiteral("Public"), QStringLiteral("Team Docs")}));
        auto m = manager();
        m->mountAll();
        QTRY_VERIFY_WITH_TIMEOUT(m->isMounted(QStringLiteral("Public")) &&
                                     m->isMounted(QStringLiteral("Team Docs")),
                                 20000);
        QVERIFY(settled(*m));

        m->unmountShare(QStringLiteral("Team Docs"));
        QVERIFY(m->isBusy(QStringLiteral("Team Docs")));
        QTRY_VERIFY(!m->isMounted(QStringLiteral("Team Docs")) && m->busyShares().isEmpty());
        QVERIFY(m->isMounted(QStringLiteral("Public")));
        QCOMPARE(m_profile->readSmbMounts().size(), 1);

        m->unmountAll();
        QTRY_VERIFY(m->mountedVolumes().isEmpty() && m->busyShares().isEmpty());
        QVERIFY(m_profile->readSmbMounts().isEmpty());
    }

    void quitTimeUnmountTakesEverySmbMount()
    {
        m_store->addServer(rigServer({QStringLiteral("Public")}));
        // A mount Tarnwick did not make goes too.
        QCOMPARE(m_profile->requestMount(SmbRig::host(), QStringLiteral("Team Docs"), {}), 0);
        auto m = manager();
        m->mountAll();
        QTRY_VERIFY_WITH_TIMEOUT(m->isMounted(QStringLiteral("Public")), 20000);
        QVERIFY(settled(*m));
        m.reset();
        QCOMPARE(m_profile->readSmbMounts().size(), 2);

        unmountAllSmbVolumes(*m_profile);
        QVERIFY(m_profile->readSmbMounts().isEmpty());
    }

    void noLoginThenLoginNextCycle()
    {
        m_store->addServer(rigServer({QStringLiteral("Public"), QStringLiteral("Private")}));
        auto m = manager();
        m->mountAll();
        QTRY_VERIFY_WITH_TIMEOUT(
            m_logs->contains(line(QStringLiteral("Private"), QStringLiteral("mounted: false"))),
            20000);
        QVERIFY(settled(*m));
        QVERIFY(m->isMounted(QStringLiteral("Public")));
        QVERIFY(!m->isMounted(QStringLiteral("Private")));
        QVERIFY(m_logs->contains(
            line(QStringLiteral("Public"), QStringLiteral("mounting without credentials"))));

        QVERIFY(SmbRig::storeLogin(SmbRig::host(), SmbRig::user(), SmbRig::password().toUtf8()));
        m->mountAll();
        QTRY_VERIFY_WITH_TIMEOUT(m->isMounted(QStringLiteral("Private")), 20000);
        QVERIFY(settled(*m));
    }

    void wrongPasswordIsRetriedByTheNextCycle()
    {
        QVERIFY(SmbRig::storeLogin(SmbRig::host(), SmbRig::user(), "not-the-password"));
        m_store->addServer(rigServer({QStringLiteral("Private")}));
        auto m = manager();
        // The main thread keeps turning while GVFS refuses the login.
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, this, [&] { ++ticks; });
        ticker.start(10);

        const QString refused = line(QStringLiteral("Private"), QStringLiteral("mounted: false"));
        m->mountAll();
        QTRY_VERIFY_WITH_TIMEOUT(m_logs->lines().count(refused) == 1, 20000);
        QVERIFY(settled(*m));
        QVERIFY(!m->isMounted(QStringLiteral("Private")));
        QVERIFY(ticks > 0);
        QVERIFY(m_logs->lines().filter(QStringLiteral("not-the-password")).isEmpty());

        m->mountAll();
        QTRY_VERIFY_WITH_TIMEOUT(m_logs->lines().count(refused) == 2, 20000);
        QVERIFY(settled(*m));
        QVERIFY(m_profile->readSmbMounts().isEmpty());
    }

    void unresolvableHostIsSkippedSilently()
    {
        Server lost =
            Server::create(QStringLiteral("Lost"), QStringLiteral("no-such-host.invalid"));
        lost.shares.append(Share::create(QStringLiteral("Elsewhere")));
        m_store->addServer(lost);
        m_store->addServer(rigServer({QStringLiteral("Public")}));
        auto m = manager();
        m->mountAll();
        QTRY_VERIFY_WITH_TIMEOUT(m->isMounted(QStringLiteral("Public")), 20000);
        QVERIFY(settled(*m));
        const QStringList lines = m_logs->lines();
        QVERIFY(!lines.isEmpty());
        QVERIFY(lines.filter(QStringLiteral("Elsewhere")).isEmpty());
        QVERIFY(lines.filter(QStringLiteral("no-such-host")).isEmpty());
        QVERIFY(!m->isMounted(QStringLiteral("Elsewhere")));
    }

    void serverStoppedWhileMounted()
    {
        m_store->addServer(rigServer({QStringLiteral("Public"), QStringLiteral("Team Docs")}));
        auto m = manager();
        m->mountAll();
        QTRY_VERIFY_WITH_TIMEOUT(m->isMounted(QStringLiteral("Public")) &&
                                     m->isMounted(QStringLiteral("Team Docs")),
                                 20000);
        QVERIFY(settled(*m));

        QVERIFY(SmbRig::stopServer());
        const auto restart = qScopeGuard([] { SmbRig::startServer(); });
        // The refresh reads the tracker, not the server: it returns and publishes.
        QSignalSpy published(m.get(), &MountManager::mountedVolumesChanged);
        m->refreshMountedVolumes();
        QVERIFY(published.wait());
        // Further cycles run to their end, whatever they decide about the dead mounts.
        for (int cycle = 0; cycle < 2; ++cycle) {
            published.clear();
            m->mountAll();
            QVERIFY(published.wait(20000));
            QVERIFY(settled(*m));
        }
        // GVFS keeps the mounts of a vanished server registered (it reconnects on the next
        // access), so they still count as mounted.
        QVERIFY(m->isMounted(QStringLiteral("Public")));
        // Unmounting a share of the stopped server returns too, and ends its busy state.
        m->unmountShare(QStringLiteral("Team Docs"));
        QTRY_VERIFY_WITH_TIMEOUT(
            !m->isMounted(QStringLiteral("Team Docs")) && m->busyShares().isEmpty(), 20000);
        // A mount against the stopped server is refused and ends; nothing waits for it.
        m_logs->clear();
        m->mountAll();
        QTRY_VERIFY_WITH_TIMEOUT(
            m_logs->contains(line(QStringLiteral("Team Docs"), QStringLiteral("mounted: false"))),
            20000);
        QVERIFY(settled(*m));

        QVERIFY(SmbRig::startServer());
        m->mountAll();
        QTRY_VERIFY_WITH_TIMEOUT(m->isMounted(QStringLiteral("Public")) &&
                                     m->isMounted(QStringLiteral("Team Docs")),
                                 20000);
        QVERIFY(settled(*m));
    }
};

QTEST_GUILESS_MAIN(TestGvfsMountManager)
#include "tst_gvfs_mount_manager.moc"
