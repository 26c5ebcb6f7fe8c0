#include "fake_tool_rig.h"
#include "log_capture.h"
#include "model/app_settings.h"
#include "model/share_store.h"
#include "mount/mount_manager.h"
#include "mount/system_event_wiring.h"
#include "platform/linux/linux_system_events.h"
#include "platform/macos/mac_tool_profile.h"
#include "test_text.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QSignalSpy>
#include <QTest>

using namespace tarnwick;
using namespace std::chrono_literals;
using test::s;

namespace {
const QString kNm = s("org.freedesktop.NetworkManager");
const QString kNmPath = s("/org/freedesktop/NetworkManager");
QDBusObjectPath connection(const QString& n)
{
    return QDBusObjectPath(n == u"/" ? n : kNmPath + s("/ActiveConnection/") + n);
}
} // namespace

// The manager properties Tarnwick reads, changed the way NetworkManager 1.2+ signals them.
class FakeNetworkManager : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager")
    Q_PROPERTY(uint State MEMBER state)
    Q_PROPERTY(QDBusObjectPath PrimaryConnection MEMBER primary)
    Q_PROPERTY(QList<QDBusObjectPath> ActiveConnections MEMBER active)

public:
    uint state = 0;
    QDBusObjectPath primary;
    QList<QDBusObjectPath> active;
};

// An active connection as NetworkManager exports it; Wi-Fi ones name their access point.
class FakeActiveConnection : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager.Connection.Active")
    Q_PROPERTY(uint State MEMBER state)
    Q_PROPERTY(QString Id MEMBER id)
    Q_PROPERTY(QString Uuid MEMBER uuid)
    Q_PROPERTY(QString Type MEMBER type)
    Q_PROPERTY(QDBusObjectPath SpecificObject MEMBER accessPoint)

public:
    uint state = 2;
    QString id, uuid, type = s("vpn");
    QDBusObjectPath accessPoint{s("/")};
};

// Wi-Fi connections name their network by the access point's SSID.
class FakeAccessPoint : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.NetworkManager.AccessPoint")
    Q_PROPERTY(QByteArray Ssid MEMBER ssid)

public:
    QByteArray ssid = "home";
};

// logind and NetworkManager stand-ins on a private system bus driving the engine on fake tools.
class TestSystemEvents : public QObject {
    Q_OBJECT

    QDBusConnection m_standIn{QString()};
    FakeNetworkManager m_nm;
    FakeActiveConnection m_up[3];  // connections 5, 6, 7: activated before they appear
    FakeAccessPoint m_accessPoint; // connection 6's

    // Round trips here, then on the engine's connection: no settle delay splits a burst.
    bool changed(const QString& path, const QString& interface, const QVariantMap& values)
    {
        QDBusMessage signal = QDBusMessage::createSignal(path, s("org.freedesktop.DBus.Properties"),
                                                         s("PropertiesChanged"));
        return m_standIn.send(signal << interface << values << QStringList()) &&
               m_standIn.interface()->isServiceRegistered(kNm).isValid() &&
               QDBusConnection::systemBus().interface()->isServiceRegistered(kNm).isValid();
    }
    // "Property=value" on the manager ("/", "N" or "N,M" name connections), "Vpn=N" (that
    // connection activated as a VPN), "burst" (ten primary changes), "wake".
    bool perform(const QString& step)
    {
        if (step == u"wake")
            return m_standIn.send(QDBusMessage::createSignal(s("/org/freedesktop/login1"),
                                                             s("org.freedesktop.login1.Manager"),
                                                             s("PrepareForSleep"))
                                  << false);
        bool sent = true;
        for (int i = 0; step == u"burst" && i < 10; ++i)
            sent = perform(s("PrimaryConnection=%1").arg(2 + i % 2)) && sent;
        if (step == u"burst")
            return sent;
        const QString key = step.section(u'=', 0, 0), arg = step.section(u'=', 1);
        QList<QDBusObjectPath> paths;
        for (const QString& n : arg.split(u','))
            paths.append(connection(n));
        if (key == u"Vpn")
            return changed(paths[0].path(), kNm + s(".Connection.Active"),
                           {{s("State"), 2u}, {s("Vpn"), true}});
        const QVariant value = key == u"State"               ? QVariant(arg.toUInt())
                               : key == u"ActiveConnections" ? QVariant::fromValue(paths)
                                                             : QVariant::fromValue(paths[0]);
        return m_nm.setProperty(key.toUtf8(), value) && changed(kNmPath, kNm, {{key, value}});
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QString address = qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS");
        QVERIFY2(!address.isEmpty(), "run under tests/support/with-private-system-bus.sh");
        m_standIn = QDBusConnection::connectToBus(address, s("stand-ins"));
        QVERIFY(m_standIn.registerObject(kNmPath, &m_nm, QDBusConnection::ExportAllProperties));
        QVERIFY(m_standIn.registerService(s("org.freedesktop.login1")));
        for (int i = 0; i < 3; ++i) {
            m_up[i].id = QStringList{s("cafe"), s("Home WLAN"), s("net7")}[i];
            QVERIFY(m_standIn.registerObject(connection(QString::number(5 + i)).path(), &m_up[i],
                                             QDBusConnection::ExportAllProperties));
        }
        m_up[1].type = s("802-11-wireless");
        m_up[1].accessPoint.setPath(kNmPath + s("/AccessPoint/1"));
        QVERIFY(m_standIn.registerObject(m_up[1].accessPoint.path(), &m_accessPoint,
                                         QDBusConnection::ExportAllProperties));
    }

    void eventsStartCycles_data()
    {
        QTest::addColumn<bool>("networkManager"); // else one log line says it is missing
        QTest::addColumn<QString>("steps");       // "|"-separated; "running": until a cycle runs
        QTest::addColumn<int>("resumeWaitMs");
        QTest::addColumn<int>("cycles");
        QTest::addColumn<int>("lost");
        const auto row = [](const char* tag, const char* steps, int cycles, int lost,
                            int wait = 3600000, bool nm = true) {
            QTest::newRow(tag) << nm << s(steps) << wait << cycles << lost;
        };
        row("offline, then connected", "State=20|State=70", 1, 1);
        row("primary connection changed", "PrimaryConnection=2", 1, 0);
        row("primary connection gone", "PrimaryConnection=/", 0, 1);
        row("VPN up, then down", "ActiveConnections=1,3|Vpn=3|ActiveConnections=1", 1, 1);
        row("ten changes at once", "burst", 1, 0);
        row("activated connection appears", "ActiveConnections=1,5", 1, 0);
        row("activated connections appear at once, one leaves",
            "ActiveConnections=1,5|ActiveConnections=1,5,6,7|ActiveConnections=1,6,7", 1, 1);
        row("changes during a cycle",
            "PrimaryConnection=2|running|PrimaryConnection=3|State=50|PrimaryConnection=4", 2, 0);
        row("wake-up", "wake", 1, 0);
        row("wake-up waits for the network", "State=10|wake", 0, 1);
        row("wake-up waits a bounded time", "State=10|wake", 1, 1, 200);
        row("no NetworkManager", "wake|PrimaryConnection=2", 1, 0, 3600000, false);
    }
    void eventsStartCycles()
    {
        QFETCH(bool, networkManager);
        QFETCH(int, cycles);
        m_nm.state = 70; // NM_STATE_CONNECTED_GLOBAL
        m_nm.active = {m_nm.primary = connection(s("1"))};
        QVERIFY(!networkManager || m_standIn.registerService(kNm));
        const auto release = qScopeGuard([&] { m_standIn.unregisterService(kNm); });

        test::FakeToolRig rig;
        rig.mountOnRequest();
        rig.setDelay(s("ping"), 0.3); // a cycle lasts long enough to send events into it
        const auto settings = AppSettings::open(rig.root() + s("/tarnwick.conf"));
        ShareStore store(*settings);
        Server nas = Server::create(s("NAS"), s("nas"));
        nas.shares.append(Share::create(s("Media")));
        store.addServer(nas);
        MountTiming timing;
        timing.startupDelay = timing.defaultInterval = timing.refreshPeriod = 1h;
        timing.pollSchedule = {1ms};
        test::LogCapture logs;
        MountManager manager(store, std::make_shared<MacToolProfile>(rig.root()), *settings,
                             nullptr, timing);
        LinuxSystemEvents events(QDBusConnection::systemBus());
        QSignalSpy started(&manager, &MountManager::cycleStarted);
        QSignalSpy finished(&manager, &MountManager::cycleFinished);
        QList<int> overlapping; // cycles still running when one starts
        connect(&manager, &MountManager::cycleStarted, this,
                [&] { overlapping.append(int(started.count() - 1 - finished.count())); });
        QSignalSpy lost(&events, &SystemEvents::networkLost);
        QFETCH(int, resumeWaitMs);
        wireSystemEvents(manager, events, {100ms, std::chrono::milliseconds(resumeWaitMs)});
        // A round trip: the bus has the watchers' match rules before anything is sent.
        QDBusConnection::systemBus().interface()->isServiceRegistered(kNm);

        QFETCH(QString, steps);
        for (const QString& step : steps.split(u'|')) {
            if (step == u"running")
                QTRY_VERIFY(started.count() > 0);
            else
                QVERIFY2(perform(step), qPrintable(step));
        }
        QTRY_COMPARE(started.count(), cycles);
        QTest::qWait(700); // settle delay, resume bound and a cycle's length: nothing more
        QCOMPARE(started.count(), cycles);
        QTEST(int(lost.count()), "lost");
        QCOMPARE(overlapping, QList<int>(cycles, 0));
        QCOMPARE(logs.lines().filter(s("on the system bus")),
                 networkManager
                     ? QStringList()
                     : QStringList{s("[Tarnwick] No NetworkManager on the system bus: "
                                     "wake-ups and network changes wait for the mount timer")});
        QTRY_VERIFY(manager.busyShares().isEmpty());
    }

    // A server that lives on the "home" Wi-Fi: never contacted at the cafe, mounted once home
    // is up, detached without a probe when it goes.
    void serverFollowsItsNetwork()
    {
        m_nm.state = 70;
        m_nm.active = {m_nm.primary = connection(s("5"))};
        QVERIFY(m_standIn.registerService(kNm));
        const auto release = qScopeGuard([&] { m_standIn.unregisterService(kNm); });
        test::FakeToolRig rig;
        rig.mountOnRequest();
        const auto settings = AppSettings::open(rig.root() + s("/tarnwick.conf"));
        ShareStore store(*settings);
        Server nas = Server::create(s("NAS"), s("server"));
        nas.shares.append(Share::create(s("Media")));
        nas.networks = {s("home")};
        store.addServer(nas);
        const ShareKey media = ShareKey::of(nas, nas.shares[0]);
        test::LogCapture logs;
        MountTiming timing;
        timing.startupDelay = timing.defaultInterval = timing.refreshPeriod = 1h;
        timing.pollSchedule = {1ms};
        MountManager manager(store, std::make_shared<MacToolProfile>(rig.root()), *settings,
                             nullptr, timing);
        LinuxSystemEvents events(QDBusConnection::systemBus());
        wireSystemEvents(manager, events, {100ms, 1h});
        QSignalSpy finished(&manager, &MountManager::cycleFinished);
        QTRY_COMPARE(events.activeNetworks(), std::optional(QStringList{s("cafe")}));
        QCOMPARE(manager.statusOf(media).reason, ShareStatus::Reason::NotOnThisNetwork);
        manager.mountAll();
        QTRY_COMPARE(finished.count(), 1);
        QCOMPARE(rig.callCount(s("ping")) + rig.callCount(s("osascript")), 0); // not even a ping

        QVERIFY(perform(s("ActiveConnections=5,6")));
        QTRY_COMPARE(finished.count(), 2);
        QCOMPARE(events.activeNetworks()->join(u','), s("Home WLAN,cafe,home"));
        QVERIFY(manager.isMounted(media));
        const int pings = rig.callCount(s("ping"));
        QVERIFY(pings > 0);

        QVERIFY(perform(s("ActiveConnections=5")));
        QTRY_COMPARE(manager.statusOf(media).reason, ShareStatus::Reason::NotOnThisNetwork);
        QVERIFY(!manager.isMounted(media));
        QCOMPARE(rig.callCount(s("ping")), pings);
        QVERIFY(logs.contains(s("[Tarnwick] [Media] server not on this network; detached: true")));
        QCOMPARE(finished.count(), 2);
    }
};

QTEST_GUILESS_MAIN(TestSystemEvents)
#include "tst_system_events.moc"
