#include "fake_helper.h"
#include "fake_tool_rig.h"
#include "log_capture.h"
#include "model/app_settings.h"
#include "model/share_store.h"
#include "mount/mount_manager.h"
#include "platform/macos/mac_tool_profile.h"
#include "test_text.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSignalSpy>
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
    // The URLs osascript was asked to mount so far, sorted.
    QStringList mountRequests() const
    {
        QStringList urls;
        for (int call = 1; call <= calls("osascript"); ++call)
            urls.append(
                QString::fromUtf8(m_rig->stdinOf(s("osascript"), call)).section(u'"', 1, 1));
        urls.sort();
        return urls;
    }

private Q_SLOTS:
    void init()
    {
        m_rig = std::make_unique<test::FakeToolRig>();
        m_rig->mountOnRequest();
        m_rig->setHook(s("ping"), s("case \"$5\" in down*) status=1 ;; esac\n"));
        m_settings = AppSettings::open(m_rig->root() + s("/tarnwick.conf"));
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
        m_rig->addSmbMount(s("Caf\u00e9"), s("/Volumes/Caf\u00e9-1"));
        auto m = manager();
        QSignalSpy spy(m.get(), &MountManager::mountedVolumesChanged);
        QCOMPARE(calls("mount"), 1);            // read at once...
        QVERIFY(m->mountedVolumes().isEmpty()); // ...published from the event loop
        QVERIFY(spy.wait());
        QCOMPARE(m->mountedVolumes(), set("Caf\u00e9|Caf\u00e9-1"));

        // A request for a mounted share only marks it; names compare in canonical form.
        const Server nas = server("nas", "Cafe\u0301");
        QSignalSpy busy(m.get(), &MountManager::busySharesChanged);
        m->mountShare(nas.shares.at(0), nas);
        QVERIFY(m->isMounted(s("Cafe\u0301")));
        QCOMPARE(busy.count() + calls("osascript"), 0);

        // A cycle over an empty list still publishes what it read.
        m_rig->addSmbMount(s("Other"), s("/Volumes/Other"));
        m->mountAll();
        QTRY_VERIFY(m->isMounted(s("Other")));
        QCOMPARE(calls("ping"), 0);
    }

    void overlappingCyclesMountWhatIsMissingOnce()
    {
        m_store->addServer(server("nas", "Media|Docs|Extra"));
        m_store->addServer(server("down.example", "Backup"));
        m_store->addServer(server("off", "Old", false));
        m_rig->addSmbMount(s("Docs"), s("/Volumes/Docs"));
        m_rig->setDelay(s("osascript"), 0.2);
        auto m = manager();
        QList<QSet<QString>> busySeen;
        connect(m.get(), &MountManager::busySharesChanged, this,
                [&] { busySeen.append(m->busyShares()); });

        for (int i = 0; i < 3; ++i)
            m->mountAll();
        QTRY_VERIFY(calls("ping") == 6 && m->busyShares().isEmpty() &&
                    m->mountedVolumes() == set("Media|Docs|Extra"));
        QStringList pinged = m_rig->allArgs(s("ping")).filter(QRegularExpression(s("^[a-z]")));
        pinged.sort();
        QCOMPARE(pinged, test::list("down.example|down.example|down.example|nas|nas|nas"));
        QCOMPARE(mountRequests(), test::list("smb://nas/Extra|smb://nas/Media"));
        QCOMPARE(busySeen.constFirst(), set("Media|Extra"));
    }

    void requestMountsAShareOfADisabledServer()
    {
        const Server off = server("off", "Old", false);
        const QString dir = m_rig->volumes() + s("/Old");
        QVERIFY(QDir().mkdir(dir));
        m_rig->setHook(s("osascript"), QString(), 1); // the system refuses the first mount
        m_rig->setStatus(s("osascript"), 1, 1);
        m_rig->setDelay(s("osascript"), 0.3);
        test::FakeHelper helper;
        auto m = manager(idle(), &helper);
        QSignalSpy published(m.get(), &MountManager::mountedVolumesChanged);

        m->mountShare(off.shares.at(0), off);
        QVERIFY(m->isBusy(s("Old")));
        m->mountShare(off.shares.at(0), off); // busy: nothing at all, not even a table read
        QTRY_VERIFY(m->busyShares().isEmpty());
        // The constructor's read, the request's look, the mount's look, eight checks, and
        // after the failure a refresh, published like the constructor's.
        QCOMPARE(calls("mount"), 1 + 1 + 1 + 8 + 1);
        QTRY_COMPARE(published.count(), 2);
        QCOMPARE(m_logs->lines(), (QStringList{s("[Tarnwick] [Old] removed stale dir: true"),
                                               s("[Tarnwick] [Old] mounting without credentials"),
                                               s("[Tarnwick] [Old] osascript exit: 1"),
                                               s("[Tarnwick] [Old] mounted: false")}));

        m->mountShare(off.shares.at(0), off);
        QTRY_VERIFY(m->isMounted(s("Old")) && m->busyShares().isEmpty());
        QCOMPARE(mountRequests(), test::list("smb://off/Old|smb://off/Old"));
        QCOMPARE(calls("ping"), 0); // a request does not ask whether the host answers
        QCOMPARE(helper.requests(), QStringList{dir}); // the manager hands its helper on
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
        // The pass removed the directory, so the mount found nothing to report about it.
        QCOMPARE(m_logs->lines(), (QStringList{s("[Tarnwick] Removed stale empty directory: ") +
                                                   m_rig->volumes() + s("/Media"),
                                               s("[Tarnwick] [Media] mounting without credentials"),
                                               s("[Tarnwick] [Media] osascript exit: 0"),
                                               s("[Tarnwick] [Media] mounted: true")}));
    }

    void cycleIntervalFromSettings_data()
    {
        QTest::addColumn<QVariant>("stored");
        QTest::addColumn<int>("interval");
        QTest::newRow("unset") << QVariant() << 120'000;
        QTest::newRow("fractional seconds") << QVariant(2.5) << 2'500;
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
    }

    void timersRepeatCyclesAndRefreshes()
    {
        m_store->addServer(server("nas", ""));
        m_settings->setValue(AppSettings::mountIntervalKey, 2);
        MountTiming timing = idle();
        timing.intervalUnit = 50ms; // a cycle every 100 ms
        auto cycling = manager(timing);
        QTRY_VERIFY(calls("ping") >= 3);
        cycling.reset();

        m_settings->remove(AppSettings::mountIntervalKey); // no cycles, a refresh every 60 ms
        timing.refreshPeriod = 60ms;
        auto m = manager(timing);
        QSignalSpy published(m.get(), &MountManager::mountedVolumesChanged);
        // Every refresh is a whole assignment: observers hear of it though nothing changed.
        QTRY_VERIFY(published.count() >= 3);
        m_rig->addSmbMount(s("Late"), s("/Volumes/Late"));
        QTRY_VERIFY(m->isMounted(s("Late")));
    }

    void unmountShare_data()
    {
        QTest::addColumn<QStringList>("mountPoints");
        QTest::addColumn<bool>("inUse"); // the tool fails and the mount stays
        QTest::addColumn<QString>("unmounted");
        QTest::newRow("the last mount of the share")
            << test::list("/Volumes/Media|/Volumes/Media-1") << false << s("/Volumes/Media-1");
        QTest::newRow("not mounted: the plain mount point fails")
            << QStringList() << false << s("/Media");
        QTest::newRow("in use") << test::list("/Volumes/Media") << true << s("/Volumes/Media");
    }
    void unmountShare()
    {
        QFETCH(QStringList, mountPoints);
        QFETCH(bool, inUse);
        QFETCH(QString, unmounted);
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
        if (!unmounted.startsWith(s("/Volumes")))
            unmounted.prepend(m_rig->volumes());
        QCOMPARE(m_rig->allArgs(s("umount")), QStringList{unmounted});
        // A failed unmount reads the table again and publishes it.
        const bool failed = inUse || mountPoints.isEmpty();
        QTRY_COMPARE(published.count(), 2);
        QCOMPARE(calls("mount"), failed ? 3 : 2);
        QCOMPARE(m->isMounted(s("Media")), inUse);
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
