#include "fake_helper.h"
#include "fake_tool_rig.h"
#include "log_capture.h"
#include "model/app_settings.h"
#include "model/share_store.h"
#include "mount/mount_manager.h"
#include "platform/macos/mac_tool_profile.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace tarnwick;
using namespace std::chrono_literals;

namespace {

const QString kMount = QStringLiteral("mount");
const QString kUmount = QStringLiteral("umount");
const QString kPing = QStringLiteral("ping");
const QString kOsascript = QStringLiteral("osascript");

// osascript "mounts" whatever share its script names, at /Volumes/<share>.
const QString kMountRequested = QStringLiteral(
    "s=$(sed -n 's|^mount volume \"smb://\\([^@]*@\\)\\{0,1\\}[^/]*/\\(.*\\)\"$|\\2|p' "
    "\"$state/$tool.$n.stdin\")\n"
    "mt_add \"//user@server/$s on /Volumes/$s (smbfs, nodev, nosuid, mounted by user)\"\n");
// ping fails for hosts starting with "down".
const QString kDownHostsUnreachable = QStringLiteral("case \"$5\" in down*) status=1 ;; esac\n");

// Timers that never fire during a test and a poll that takes no noticeable time; each test
// shortens what it looks at.
MountTiming idle()
{
    MountTiming timing;
    timing.startupDelay = 1h;
    timing.firstCycleDelay = 0ms;
    timing.defaultInterval = 1h;
    timing.refreshPeriod = 1h;
    timing.pollSchedule = QList<std::chrono::milliseconds>(8, 1ms);
    return timing;
}

Server server(const QString& host, const QStringList& shares, bool enabled = true)
{
    Server result = Server::create(host, host);
    result.isEnabled = enabled;
    for (const QString& name : shares)
        result.shares.append(Share::create(name));
    return result;
}

QSet<QString> set(const QStringList& names)
{
    return QSet<QString>(names.begin(), names.end());
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

    // Hosts pinged so far, in order.
    QStringList pinged() const
    {
        QStringList hosts;
        for (int call = 1; call <= m_rig->callCount(kPing); ++call)
            hosts.append(m_rig->args(kPing, call).constLast());
        return hosts;
    }

    // Scripts osascript received so far, in any order.
    QStringList scripts() const
    {
        QStringList all;
        for (int call = 1; call <= m_rig->callCount(kOsascript); ++call)
            all.append(QString::fromUtf8(m_rig->stdinOf(kOsascript, call)));
        all.sort();
        return all;
    }

    static QString script(const QString& host, const QString& share)
    {
        return QStringLiteral("mount volume \"smb://%1/%2\"").arg(host, share);
    }

private Q_SLOTS:
    void init()
    {
        m_rig = std::make_unique<test::FakeToolRig>();
        m_rig->setHook(kOsascript, kMountRequested);
        m_rig->setHook(kPing, kDownHostsUnreachable);
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
        m_rig.reset();
    }

    void constructionPublishesTheTableOnTheMainThread()
    {
        m_rig->addSmbMount(QStringLiteral("Media"), QStringLiteral("/Volumes/Media-1"));
        auto m = manager();
        QSignalSpy spy(m.get(), &MountManager::mountedVolumesChanged);
        QCOMPARE(m_rig->callCount(kMount), 1);  // read at once...
        QVERIFY(m->mountedVolumes().isEmpty()); // ...published from the event loop
        QVERIFY(spy.wait());
        QCOMPARE(m->mountedVolumes(), set({QStringLiteral("Media"), QStringLiteral("Media-1")}));
        QVERIFY(m->isMounted(QStringLiteral("Media")));
        QVERIFY(m->busyShares().isEmpty());
        QCOMPARE(m_rig->callCount(kPing), 0);
    }

    void cycleMountsWhatIsMissingOnReachableEnabledServers()
    {
        m_store->addServer(
            server(QStringLiteral("nas"), {QStringLiteral("Media"), QStringLiteral("Docs")}));
        m_store->addServer(server(QStringLiteral("down.example"), {QStringLiteral("Backup")}));
        m_store->addServer(server(QStringLiteral("off"), {QStringLiteral("Old")}, false));
        m_rig->addSmbMount(QStringLiteral("Docs"), QStringLiteral("/Volumes/Docs"));
        auto m = manager();
        QList<QSet<QString>> busySeen;
        connect(m.get(), &MountManager::busySharesChanged, this,
                [&] { busySeen.append(m->busyShares()); });

        m->mountAll();

        QTRY_VERIFY(m->isMounted(QStringLiteral("Media")) && m->busyShares().isEmpty());
        QCOMPARE(pinged(), (QStringList{QStringLiteral("nas"), QStringLiteral("down.example")}));
        QCOMPARE(scripts(), QStringList{script(QStringLiteral("nas"), QStringLiteral("Media"))});
        QCOMPARE(busySeen.constFirst(), set({QStringLiteral("Media")}));
        QCOMPARE(m->mountedVolumes(), set({QStringLiteral("Media"), QStringLiteral("Docs")}));
        QVERIFY(!m->isMounted(QStringLiteral("Backup")));
    }

    void cycleSkipsBusyShares()
    {
        const Server nas = server(QStringLiteral("nas"), {QStringLiteral("Media")});
        m_store->addServer(nas);
        m_rig->setDelay(kOsascript, 1);
        auto m = manager();
        m->mountShare(nas.shares.at(0), nas);
        QVERIFY(m->isBusy(QStringLiteral("Media")));
        QTRY_COMPARE(m_rig->callCount(kOsascript), 1);

        m->mountAll();
        QTRY_COMPARE(m_rig->callCount(kPing), 1);
        QTRY_VERIFY(m->isMounted(QStringLiteral("Media")) && m->busyShares().isEmpty());
        QCOMPARE(m_rig->callCount(kOsascript), 1);
    }

    void overlappingCyclesNeverMountAShareTwice()
    {
        const QStringList shares{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
        m_store->addServer(server(QStringLiteral("nas"), shares));
        m_rig->setDelay(kOsascript, 0.2);
        auto m = manager();
        for (int i = 0; i < 4; ++i)
            m->mountAll();

        QTRY_VERIFY(m_rig->callCount(kPing) == 4 && m->busyShares().isEmpty() &&
                    m->mountedVolumes() == set(shares));
        QCOMPARE(scripts(), (QStringList{script(QStringLiteral("nas"), QStringLiteral("A")),
                                         script(QStringLiteral("nas"), QStringLiteral("B")),
                                         script(QStringLiteral("nas"), QStringLiteral("C"))}));
    }

    void disabledServerIsMountedOnlyOnRequest()
    {
        const Server off = server(QStringLiteral("off"), {QStringLiteral("Old")}, false);
        m_store->addServer(off);
        auto m = manager();
        m->mountAll();
        m->mountAll();
        QTest::qWait(300);
        QCOMPARE(m_rig->callCount(kPing), 0);
        QCOMPARE(m_rig->callCount(kOsascript), 0);

        m->mountShare(off.shares.at(0), off);
        QTRY_VERIFY(m->isMounted(QStringLiteral("Old")) && m->busyShares().isEmpty());
        QCOMPARE(scripts(), QStringList{script(QStringLiteral("off"), QStringLiteral("Old"))});
        QCOMPARE(m_rig->callCount(kPing), 0); // a request does not ask whether the host answers
    }

    void emptyListStillPublishesTheTable()
    {
        auto m = manager();
        QTRY_COMPARE(m_rig->callCount(kMount), 1);
        QTest::qWait(50);
        QVERIFY(m->mountedVolumes().isEmpty());
        m_rig->addSmbMount(QStringLiteral("Other"), QStringLiteral("/Volumes/Other"));
        m->mountAll();
        QTRY_COMPARE(m->mountedVolumes(), set({QStringLiteral("Other")}));
        QCOMPARE(m_rig->callCount(kPing), 0);
    }

    void firstCycleComesAfterStartupPassAndBothDelays()
    {
        m_store->addServer(server(QStringLiteral("nas"), {QStringLiteral("Media")}));
        QVERIFY(QDir().mkdir(m_rig->volumes() + QStringLiteral("/Media")));
        MountTiming timing = idle();
        timing.startupDelay = 400ms;
        timing.firstCycleDelay = 300ms;
        QElapsedTimer clock;
        clock.start();
        auto m = manager(timing);
        QCoreApplication::processEvents();
        QCOMPARE(m_rig->callCount(kPing), 0);

        QTRY_COMPARE_WITH_TIMEOUT(m_rig->callCount(kPing), 1, 10000);
        QVERIFY(clock.elapsed() >= 700);
        QTRY_VERIFY(m->isMounted(QStringLiteral("Media")) && m->busyShares().isEmpty());
        const QStringList lines = m_logs->lines();
        const QString cleaned = QStringLiteral("[Tarnwick] Removed stale empty directory: ") +
                                m_rig->volumes() + QStringLiteral("/Media");
        QCOMPARE(lines.constFirst(), cleaned);
        QVERIFY(lines.contains(QStringLiteral("[Tarnwick] [Media] mounted: true")));
        // The cycle found the directory gone, so nothing was reported about it.
        QVERIFY(lines.filter(QStringLiteral("stale dir")).isEmpty());
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
        QTest::newRow("not a number") << QVariant(QStringLiteral("soon")) << 120'000;
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
        QVERIFY(m->timer());
        QCOMPARE(m->timer()->interval(), interval);
        QVERIFY(m->timer()->isActive() && !m->timer()->isSingleShot());
        // Read once: a later change leaves the running timer alone.
        m_settings->setValue(AppSettings::mountIntervalKey, 7);
        QCOMPARE(m->timer()->interval(), interval);
    }

    void timersRepeatCyclesAndRefreshes()
    {
        m_store->addServer(server(QStringLiteral("nas"), {}));
        m_settings->setValue(AppSettings::mountIntervalKey, 2);
        MountTiming timing = idle();
        timing.intervalUnit = 50ms;
        timing.refreshPeriod = 60ms;
        auto m = manager(timing);
        QSignalSpy published(m.get(), &MountManager::mountedVolumesChanged);
        QTRY_VERIFY(m_rig->callCount(kPing) >= 3);
        // Every refresh is a whole assignment: observers hear of it though nothing changed.
        QTRY_VERIFY(published.count() >= 4);
        m_rig->addSmbMount(QStringLiteral("Late"), QStringLiteral("/Volumes/Late"));
        QTRY_VERIFY(m->isMounted(QStringLiteral("Late")));
    }

    void requestForBusyShareDoesNothing()
    {
        const Server nas = server(QStringLiteral("nas"), {QStringLiteral("Media")});
        m_rig->setDelay(kOsascript, 0.3);
        auto m = manager();
        m->mountShare(nas.shares.at(0), nas);
        const int reads = m_rig->callCount(kMount);
        m->mountShare(nas.shares.at(0), nas);
        QCOMPARE(m_rig->callCount(kMount), reads);
        QTRY_VERIFY(m->busyShares().isEmpty());
        QCOMPARE(m_rig->callCount(kOsascript), 1);
    }

    void requestForMountedShareOnlyMarksIt()
    {
        const Server nas = server(QStringLiteral("nas"), {QStringLiteral("Media")});
        auto m = manager();
        QTRY_COMPARE(m_rig->callCount(kMount), 1);
        QTest::qWait(20);
        m_rig->addSmbMount(QStringLiteral("Media"), QStringLiteral("/Volumes/Media-2"));
        QSignalSpy busy(m.get(), &MountManager::busySharesChanged);
        m->mountShare(nas.shares.at(0), nas);
        QVERIFY(m->isMounted(QStringLiteral("Media")));
        QCOMPARE(busy.count(), 0);
        QTest::qWait(50);
        QCOMPARE(m_rig->callCount(kOsascript), 0);
    }

    void mountNeverAppearingEndsWithEightChecksAndARefresh()
    {
        const Server nas = server(QStringLiteral("nas"), {QStringLiteral("Media")});
        m_rig->setHook(kOsascript, QString()); // the system refuses the mount
        auto m = manager();
        QTRY_COMPARE(m_rig->callCount(kMount), 1);
        QSignalSpy published(m.get(), &MountManager::mountedVolumesChanged);
        m->mountShare(nas.shares.at(0), nas);
        QTRY_VERIFY(m->busyShares().isEmpty());
        // The request's own look, the mount's look, eight checks, then the refresh.
        QCOMPARE(m_rig->callCount(kMount), 1 + 1 + 1 + 8 + 1);
        QTRY_COMPARE(published.count(), 2); // the constructor's and the refresh's
        QVERIFY(!m->isMounted(QStringLiteral("Media")));
        QCOMPARE(m_logs->lines().constLast(), QStringLiteral("[Tarnwick] [Media] mounted: false"));
    }

    void namesCompareInCanonicalForm()
    {
        // Stored decomposed (e + combining acute), listed precomposed by the mount tool.
        const Server nas = server(QStringLiteral("nas"), {QStringLiteral("Cafe\u0301")});
        m_rig->addSmbMount(QStringLiteral("Caf\u00e9"), QStringLiteral("/Volumes/Caf\u00e9"));
        auto m = manager();
        QTRY_VERIFY(m->isMounted(QStringLiteral("Cafe\u0301")));
        m->mountShare(nas.shares.at(0), nas);
        QCOMPARE(m_rig->callCount(kOsascript), 0);
    }

    void unmountShareTakesTheLastMountOfThatShare_data()
    {
        QTest::addColumn<QStringList>("mountPoints");
        QTest::addColumn<QString>("unmounted"); // "" = the fallback under the volumes root
        QTest::newRow("plain") << QStringList{QStringLiteral("/Volumes/Media")}
                               << QStringLiteral("/Volumes/Media");
        QTest::newRow("numbered duplicate last")
            << QStringList{QStringLiteral("/Volumes/Media"), QStringLiteral("/Volumes/Media-1"),
                           QStringLiteral("/Volumes/MediaArchive")}
            << QStringLiteral("/Volumes/Media-1");
        QTest::newRow("similar name is not the share")
            << QStringList{QStringLiteral("/Volumes/MediaArchive")} << QString();
        QTest::newRow("not mounted at all") << QStringList{} << QString();
    }
    void unmountShareTakesTheLastMountOfThatShare()
    {
        QFETCH(QStringList, mountPoints);
        QFETCH(QString, unmounted);
        for (const QString& mountPoint : mountPoints)
            m_rig->addSmbMount(QStringLiteral("Media"), mountPoint);
        auto m = manager();
        QSignalSpy published(m.get(), &MountManager::mountedVolumesChanged);
        QVERIFY(published.wait());

        m->unmountShare(QStringLiteral("Media"));
        QVERIFY(m->isBusy(QStringLiteral("Media")));
        QTRY_VERIFY(m->busyShares().isEmpty());

        // No mount of that share: the tool is pointed at its plain mount point and fails,
        // so the table is read again and published.
        const bool fails = unmounted.isEmpty();
        if (fails)
            unmounted = m_rig->volumes() + QStringLiteral("/Media");
        QCOMPARE(m_rig->callCount(kUmount), 1);
        QCOMPARE(m_rig->args(kUmount, 1), QStringList{unmounted});
        QTRY_COMPARE(published.count(), 2);
        QCOMPARE(m_rig->callCount(kMount), fails ? 3 : 2);
        QVERIFY(!m->isMounted(QStringLiteral("Media")));
    }

    void failedUnmountShowsTheShareMountedAgain()
    {
        const QString media =
            test::FakeToolRig::smbLine(QStringLiteral("Media"), QStringLiteral("/Volumes/Media"));
        m_rig->setMountTable(media + u'\n');
        // The volume is in use: it stays in the table and the tool fails.
        m_rig->setHook(kUmount, QStringLiteral("mt_add '%1'; exit 16").arg(media));
        auto m = manager();
        QSignalSpy published(m.get(), &MountManager::mountedVolumesChanged);
        QVERIFY(published.wait());
        m->unmountShare(QStringLiteral("Media"));
        QTRY_VERIFY(m->busyShares().isEmpty());
        QTRY_COMPARE(published.count(), 2);
        QCOMPARE(m_rig->callCount(kMount), 3);
        QVERIFY(m->isMounted(QStringLiteral("Media")));
    }

    void unmountAllCoversDisabledServers()
    {
        m_store->addServer(
            server(QStringLiteral("nas"), {QStringLiteral("Media"), QStringLiteral("Docs")}));
        m_store->addServer(server(QStringLiteral("off"), {QStringLiteral("Old")}, false));
        m_store->addServer(server(QStringLiteral("empty"), {}));
        m_rig->addSmbMount(QStringLiteral("Media"), QStringLiteral("/Volumes/Media"));
        m_rig->addSmbMount(QStringLiteral("Old"), QStringLiteral("/Volumes/Old"));
        m_rig->addSmbMount(QStringLiteral("Foreign"), QStringLiteral("/Volumes/Foreign"));
        auto m = manager();
        QTRY_VERIFY(m->isMounted(QStringLiteral("Old")));

        m->unmountAll();
        QCOMPARE(m->busyShares(), set({QStringLiteral("Media"), QStringLiteral("Old")}));
        QTRY_VERIFY(m->busyShares().isEmpty());
        QStringList unmounted{m_rig->args(kUmount, 1).value(0), m_rig->args(kUmount, 2).value(0)};
        unmounted.sort();
        QCOMPARE(unmounted,
                 (QStringList{QStringLiteral("/Volumes/Media"), QStringLiteral("/Volumes/Old")}));
        QCOMPARE(m_rig->callCount(kUmount), 2);
        QCOMPARE(m->mountedVolumes(), set({QStringLiteral("Foreign")}));
    }

    void helperIsAskedForALeftoverMountPoint()
    {
        const Server nas = server(QStringLiteral("nas"), {QStringLiteral("Media")});
        const QString dir = m_rig->volumes() + QStringLiteral("/Media");
        QVERIFY(QDir().mkdir(dir));
        test::FakeHelper helper;
        auto m = manager(idle(), &helper);
        m->mountShare(nas.shares.at(0), nas);
        QTRY_VERIFY(m->isMounted(QStringLiteral("Media")) && m->busyShares().isEmpty());
        QCOMPARE(helper.requests(), QStringList{dir});
        QVERIFY(m_logs->contains(QStringLiteral("[Tarnwick] [Media] removed stale dir: true")));
    }

    void destroyingTheManagerEndsMountsInFlight()
    {
        const Server nas = server(QStringLiteral("nas"), {QStringLiteral("Media")});
        m_rig->setHook(kOsascript, QString());
        MountTiming timing = idle();
        timing.pollSchedule = QList<std::chrono::milliseconds>(8, 1h);
        auto m = manager(timing);
        m->mountShare(nas.shares.at(0), nas);
        m_store->addServer(server(QStringLiteral("nas2"), {QStringLiteral("Docs")}));
        m->mountAll();
        QTRY_COMPARE(m_rig->callCount(kOsascript), 2);
        m.reset(); // must not wait for the hour-long poll
        QCOMPARE(m_logs->lines().filter(QStringLiteral("mounted: false")).size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestMountManager)
#include "tst_mount_manager.moc"
