#include "fake_helper.h"
#include "fake_tool_rig.h"
#include "log_capture.h"
#include "model/app_settings.h"
#include "model/share_store.h"
#include "mount/mount_manager.h"
#include "platform/macos/mac_tool_profile.h"
#include "test_text.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace tarnwick;
using namespace std::chrono_literals;
using test::s;

namespace {

// Timers that never fire during a test and a poll that takes no noticeable time; each test
// shortens what it looks at.
MountTiming idle()
{
    MountTiming timing;
    timing.startupDelay = timing.defaultInterval = timing.refreshPeriod = 1h;
    timing.firstCycleDelay = 0ms;
    timing.pollSchedule = QList<std::chrono::milliseconds>(8, 1ms);
    return timing;
}

Server server(const char* host, const char* shares, bool enabled = true)
{
    Server result = Server::create(s(host), s(host));
    result.isEnabled = enabled;
    for (const QString& name : test::list(shares))
        result.shares.append(Share::create(name));
    return result;
}

QSet<QString> set(const char* names)
{
    const QStringList list = test::list(names);
    return QSet<QString>(list.begin(), list.end());
}

} // namespace

class TestMountManager : public QObject {
    Q_OBJECT

    std::unique_ptr<test::FakeToolRig> m_rig;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<ShareStore> m_store;
    std::unique_ptr<test::LogCapture> m_logs;

    std::unique_ptr<MountManager> manager(const MountTiming& timing = idle(),
                                          HelperAccess* helper = nullptr)
    {
        return std::make_unique<MountManager>(
            *m_store, std::make_shared<MacToolProfile>(m_rig->root()), *m_settings, helper, timing);
    }
    int calls(const char* tool) const { return m_rig->callCount(s(tool)); }
    // The mount scripts osascript received so far, sorted; "host/share|..." when compared.
    QStringList scripts() const
    {
        QStringList all;
        for (int call = 1; call <= calls("osascript"); ++call)
            all.append(QString::fromUtf8(m_rig->stdinOf(s("osascript"), call)));
        all.sort();
        return all;
    }
    static QStringList scripts(const char* urls)
    {
        QStringList all;
        for (const QString& url : test::list(urls))
            all.append(s("mount volume \"smb://%1\"").arg(url));
        return all;
    }

private Q_SLOTS:
    void init()
    {
        m_rig = std::make_unique<test::FakeToolRig>();
        m_rig->mountOnRequest();
        m_rig->setHook(s("ping"), s("case \"$5\" in down*) status=1 ;; esac\n"));
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
        m_rig.reset();
    }

    void publishesTheTableOnTheMainThread()
    {
        m_rig->addSmbMount(s("Media"), s("/Volumes/Media-1"));
        auto m = manager();
        QSignalSpy spy(m.get(), &MountManager::mountedVolumesChanged);
        QCOMPARE(calls("mount"), 1);            // read at once...
        QVERIFY(m->mountedVolumes().isEmpty()); // ...published from the event loop
        QVERIFY(spy.wait());
        QCOMPARE(m->mountedVolumes(), set("Media|Media-1"));
        // A cycle over an empty list still publishes what it read.
        m_rig->addSmbMount(s("Other"), s("/Volumes/Other"));
        m->mountAll();
        QTRY_VERIFY(m->isMounted(s("Other")));
        QCOMPARE(calls("ping"), 0);
    }

    void cycleMountsWhatIsMissingOnReachableEnabledServers()
    {
        m_store->addServer(server("nas", "Media|Docs"));
        m_store->addServer(server("down.example", "Backup"));
        m_store->addServer(server("off", "Old", false));
        m_rig->addSmbMount(s("Docs"), s("/Volumes/Docs"));
        auto m = manager();
        QList<QSet<QString>> busySeen;
        connect(m.get(), &MountManager::busySharesChanged, this,
                [&] { busySeen.append(m->busyShares()); });

        m->mountAll();
        QTRY_VERIFY(m->isMounted(s("Media")) && m->busyShares().isEmpty());
        QCOMPARE(m_rig->allArgs(s("ping")), test::list("-c|1|-W|1|nas|-c|1|-W|1|down.example"));
        QCOMPARE(scripts(), scripts("nas/Media"));
        QCOMPARE(busySeen.constFirst(), set("Media"));
        QCOMPARE(m->mountedVolumes(), set("Media|Docs"));
    }

    void overlappingCyclesNeverMountAShareTwice()
    {
        m_store->addServer(server("nas", "A|B|C"));
        m_rig->setDelay(s("osascript"), 0.2);
        auto m = manager();
        for (int i = 0; i < 4; ++i)
            m->mountAll();
        QTRY_VERIFY(calls("ping") == 4 && m->busyShares().isEmpty() &&
                    m->mountedVolumes() == set("A|B|C"));
        QCOMPARE(scripts(), scripts("nas/A|nas/B|nas/C"));
    }

    void requestMountsAShareOfADisabledServerOnce()
    {
        const Server off = server("off", "Old", false);
        const QString dir = m_rig->volumes() + s("/Old");
        QVERIFY(QDir().mkdir(dir));
        m_rig->setDelay(s("osascript"), 0.3);
        test::FakeHelper helper;
        auto m = manager(idle(), &helper);

        m->mountShare(off.shares.at(0), off);
        QVERIFY(m->isBusy(s("Old")));
        const int reads = calls("mount");
        m->mountShare(off.shares.at(0), off); // busy: nothing at all, not even a table read
        QCOMPARE(calls("mount"), reads);
        QTRY_VERIFY(m->isMounted(s("Old")) && m->busyShares().isEmpty());
        QCOMPARE(scripts(), scripts("off/Old"));
        QCOMPARE(calls("ping"), 0); // a request does not ask whether the host answers
        QCOMPARE(helper.requests(), QStringList{dir}); // the manager hands its helper on
    }

    void requestForMountedShareOnlyMarksIt()
    {
        const Server nas = server("nas", "Cafe\u0301"); // the table lists it precomposed
        auto m = manager();
        m_rig->addSmbMount(s("Caf\u00e9"), s("/Volumes/Caf\u00e9-2"));
        QSignalSpy busy(m.get(), &MountManager::busySharesChanged);
        m->mountShare(nas.shares.at(0), nas);
        QVERIFY(m->isMounted(s("Cafe\u0301")));
        QCOMPARE(busy.count(), 0);
        QCOMPARE(calls("osascript"), 0);
    }

    void failedMountEndsWithARefresh()
    {
        const Server nas = server("nas", "Media");
        m_rig->setHook(s("osascript"), QString()); // the system refuses the mount
        auto m = manager();
        QSignalSpy published(m.get(), &MountManager::mountedVolumesChanged);
        m->mountShare(nas.shares.at(0), nas);
        QTRY_VERIFY(m->busyShares().isEmpty());
        // The constructor's read, the request's look, the mount's look, eight checks, the refresh.
        QCOMPARE(calls("mount"), 1 + 1 + 1 + 8 + 1);
        QTRY_COMPARE(published.count(), 2); // the constructor's and the refresh's
        QVERIFY(!m->isMounted(s("Media")));
        QCOMPARE(m_logs->lines().constLast(), s("[Tarnwick] [Media] mounted: false"));
    }

    void firstCycleComesAfterStartupPassAndBothDelays()
    {
        m_store->addServer(server("nas", "Media"));
        QVERIFY(QDir().mkdir(m_rig->volumes() + s("/Media")));
        MountTiming timing = idle();
        timing.startupDelay = 400ms;
        timing.firstCycleDelay = 300ms;
        QElapsedTimer clock;
        clock.start();
        auto m = manager(timing);

        QTRY_COMPARE_WITH_TIMEOUT(calls("ping"), 1, 10000);
        QVERIFY(clock.elapsed() >= 700);
        QTRY_VERIFY(m->isMounted(s("Media")) && m->busyShares().isEmpty());
        const QStringList lines = m_logs->lines();
        QCOMPARE(lines.constFirst(),
                 s("[Tarnwick] Removed stale empty directory: ") + m_rig->volumes() + s("/Media"));
        QVERIFY(lines.contains(s("[Tarnwick] [Media] mounted: true")));
        // The cycle found the directory gone, so nothing was reported about it.
        QVERIFY(lines.filter(s("stale dir")).isEmpty());
    }

    void cycleIntervalFromSettings_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("interval");
        QTest::newRow("unset") << QVariant() << 120'000;
        QTest::newRow("45 seconds") << QVariant(45) << 45'000;
        QTest::newRow("fractional") << QVariant(2.5) << 2'500;
        QTest::newRow("zero") << QVariant(0) << 120'000;
        QTest::newRow("negative") << QVariant(-30) << 120'000;
        QTest::newRow("not a number") << QVariant(s("soon")) << 120'000;
    }
    void cycleIntervalFromSettings()
    {
        QFETCH(QVariant, stored);
        QFETCH(int, interval);
        if (stored.isValid())
            m_settings->setValue(AppSettings::mountIntervalKey, stored);
        MountTiming timing = idle();
        timing.defaultInterval = 120s;
        auto m = manager(timing);
        QCOMPARE(m->timer()->interval(), interval);
        QVERIFY(m->timer()->isActive() && !m->timer()->isSingleShot());
        // Read once: a later change leaves the running timer alone.
        m_settings->setValue(AppSettings::mountIntervalKey, 7);
        QCOMPARE(m->timer()->interval(), interval);
    }

    void timersRepeatCyclesAndRefreshes()
    {
        m_store->addServer(server("nas", ""));
        m_settings->setValue(AppSettings::mountIntervalKey, 2);
        MountTiming timing = idle();
        timing.intervalUnit = 50ms;
        timing.refreshPeriod = 60ms;
        auto m = manager(timing);
        QSignalSpy published(m.get(), &MountManager::mountedVolumesChanged);
        QTRY_VERIFY(calls("ping") >= 3);
        // Every refresh is a whole assignment: observers hear of it though nothing changed.
        QTRY_VERIFY(published.count() >= 4);
        m_rig->addSmbMount(s("Late"), s("/Volumes/Late"));
        QTRY_VERIFY(m->isMounted(s("Late")));
    }

    void unmountShare_data()
    {
        QTest::addColumn<QStringList>("mountPoints");
        QTest::addColumn<bool>("inUse"); // the tool fails and the mount stays
        QTest::addColumn<QString>("unmounted");
        QTest::addColumn<bool>("mountedAfter");
        QTest::newRow("the last mount of the share")
            << test::list("/Volumes/Media|/Volumes/Media-1") << false << s("/Volumes/Media-1")
            << false;
        QTest::newRow("not mounted: the plain mount point fails")
            << QStringList() << false << s("/Media") << false;
        QTest::newRow("in use") << test::list("/Volumes/Media") << true << s("/Volumes/Media")
                                << true;
    }
    void unmountShare()
    {
        QFETCH(QStringList, mountPoints);
        QFETCH(bool, inUse);
        QFETCH(QString, unmounted);
        QFETCH(bool, mountedAfter);
        for (const QString& mountPoint : mountPoints)
            m_rig->addSmbMount(s("Media"), mountPoint);
        if (inUse)
            m_rig->setHook(
                s("umount"),
                s("mt_add '%1'; exit 16").arg(test::FakeToolRig::smbLine(s("Media"), unmounted)));
        auto m = manager();
        QSignalSpy published(m.get(), &MountManager::mountedVolumesChanged);
        QVERIFY(published.wait());

        m->unmountShare(s("Media"));
        QVERIFY(m->isBusy(s("Media")));
        QTRY_VERIFY(m->busyShares().isEmpty());
        QCOMPARE(m_rig->allArgs(s("umount")),
                 QStringList{unmounted.startsWith(s("/Volumes")) ? unmounted
                                                                 : m_rig->volumes() + unmounted});
        // A failed unmount reads the table again and publishes it.
        const bool failed = mountedAfter || mountPoints.isEmpty();
        QTRY_COMPARE(published.count(), 2);
        QCOMPARE(calls("mount"), failed ? 3 : 2);
        QCOMPARE(m->isMounted(s("Media")), mountedAfter);
    }

    void unmountAllCoversDisabledServers()
    {
        m_store->addServer(server("nas", "Media|Docs"));
        m_store->addServer(server("off", "Old", false));
        m_store->addServer(server("empty", ""));
        for (const char* share : {"Media", "Old", "Foreign"})
            m_rig->addSmbMount(s(share), s("/Volumes/") + s(share));
        auto m = manager();
        QTRY_VERIFY(m->isMounted(s("Old")));

        m->unmountAll();
        QCOMPARE(m->busyShares(), set("Media|Old"));
        QTRY_VERIFY(m->busyShares().isEmpty());
        QStringList unmounted = m_rig->allArgs(s("umount"));
        unmounted.sort();
        QCOMPARE(unmounted, test::list("/Volumes/Media|/Volumes/Old"));
        QCOMPARE(m->mountedVolumes(), set("Foreign"));
    }

    void destroyingTheManagerEndsMountsInFlight()
    {
        const Server nas = server("nas", "Media");
        m_rig->setHook(s("osascript"), QString());
        MountTiming timing = idle();
        timing.pollSchedule = QList<std::chrono::milliseconds>(8, 1h);
        auto m = manager(timing);
        m->mountShare(nas.shares.at(0), nas);
        m_store->addServer(server("nas2", "Docs"));
        m->mountAll();
        QTRY_COMPARE(calls("osascript"), 2);
        m.reset(); // must not wait for the hour-long poll
        QCOMPARE(m_logs->lines().filter(s("mounted: false")).size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestMountManager)
#include "tst_mount_manager.moc"
