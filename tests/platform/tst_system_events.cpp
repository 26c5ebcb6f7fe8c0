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

QDBusObjectPath connection(const QString& number)
{
    return QDBusObjectPath(number == u"/" ? number : kNmPath + s("/ActiveConnection/") + number);
}

} // namespace

// The part of NetworkManager's manager object that Tarnwick reads, served from the test on
// the private system bus; changes go out as NetworkManager sends them since 1.2.
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

// logind and NetworkManager stand-ins on a private system bus (with-private-system-bus.sh)
// driving the engine on fake tools through the Linux event sources.
class TestSystemEvents : public QObject {
    Q_OBJECT

    QDBusConnection m_standIn{QString()};
    FakeNetworkManager m_nm;

    bool changed(const QString& path, const QString& interface, const QVariantMap& values)
    {
        QDBusMessage signal = QDBusMessage::createSignal(path, s("org.freedesktop.DBus.Properties"),
                                                         s("PropertiesChanged"));
        signal << interface << values << QStringList();
        return m_standIn.send(signal);
    }
    // One step of a row: "state:N", "primary:N", "active:N,M", "activated:N" (an active
    // connection reaching "activated"), "burst" (ten primary changes), "wake".
    bool perform(const QString& step)
    {
        const QString arg = step.section(u':', 1);
        QVariantMap values;
        if (step.startsWith(u"state:")) {
            values[s("State")] = m_nm.state = arg.toUInt();
        } else if (step.startsWith(u"primary:")) {
            m_nm.primary = connection(arg);
            values[s("PrimaryConnection")] = QVariant::fromValue(m_nm.primary);
        } else if (step.startsWith(u"active:")) {
            m_nm.active.clear();
            for (const QString& number : arg.split(u','))
                m_nm.active.append(connection(number));
            values[s("ActiveConnections")] = QVariant::fromValue(m_nm.active);
        } else if (step.startsWith(u"activated:")) {
            return changed(connection(arg).path(), kNm + s(".Connection.Active"),
                           {{s("State"), 2u}, {s("Vpn"), true}});
        } else if (step == u"burst") {
            for (int i = 0; i < 10; ++i) {
                if (!perform(s("primary:%1").arg(2 + i % 2)))
                    return false;
            }
            return true;
        } else if (step == u"wake") {
            QDBusMessage signal = QDBusMessage::createSignal(s("/org/freedesktop/login1"),
                                                             s("org.freedesktop.login1.Manager"),
                                                             s("PrepareForSleep"));
            return m_standIn.send(signal << false);
        }
        return !values.isEmpty() && changed(kNmPath, kNm, values);
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QString address = qEnvironmentVariable("DBUS_SYSTEM_BUS_ADDRESS");
        QVERIFY2(!address.isEmpty(), "run under tests/support/with-private-system-bus.sh");
        m_standIn = QDBusConnection::connectToBus(address, s("stand-ins"));
        QVERIFY(m_standIn.registerObject(kNmPath, &m_nm, QDBusConnection::ExportAllProperties));
        QVERIFY(m_standIn.registerService(s("org.freedesktop.login1")));
    }

    void eventsStartCycles_data()
    {
        QTest::addColumn<bool>("networkManager"); // else one log line says it is missing
        QTest::addColumn<QString>("steps");       // "|"-separated; "running": until a cycle runs
        QTest::addColumn<int>("resumeWaitMs");
        QTest::addColumn<int>("cycles");
        QTest::addColumn<int>("lost");
        QTest::newRow("offline, then connected")
            << true << s("state:20|state:70") << 3600000 << 1 << 1;
        QTest::newRow("primary connection changed") << true << s("primary:2") << 3600000 << 1 << 0;
        QTest::newRow("primary connection gone") << true << s("primary:/") << 3600000 << 0 << 1;
        QTest::newRow("VPN up, then down")
            << true << s("active:1,3|activated:3|active:1") << 3600000 << 1 << 1;
        QTest::newRow("ten changes at once") << true << s("burst") << 3600000 << 1 << 0;
        QTest::newRow("changes during a cycle")
            << true << s("primary:2|running|primary:3|state:50|primary:4") << 3600000 << 2 << 0;
        QTest::newRow("wake-up") << true << s("wake") << 3600000 << 1 << 0;
        QTest::newRow("wake-up waits for the network")
            << true << s("state:10|wake") << 3600000 << 0 << 1;
        QTest::newRow("wake-up waits a bounded time")
            << true << s("state:10|wake") << 200 << 1 << 1;
        QTest::newRow("no NetworkManager") << false << s("wake|primary:2") << 3600000 << 1 << 0;
    }
    void eventsStartCycles()
    {
        QFETCH(bool, networkManager);
        QFETCH(QString, steps);
        QFETCH(int, resumeWaitMs);
        QFETCH(int, cycles);
        QFETCH(int, lost);
        m_nm.state = 70; // NM_STATE_CONNECTED_GLOBAL
        m_nm.active = {m_nm.primary = connection(s("1"))};
        if (networkManager)
            QVERIFY(m_standIn.registerService(kNm));
        const auto release = qScopeGuard([&] { m_standIn.unregisterService(kNm); });

        test::FakeToolRig rig;
        rig.mountOnRequest();
        rig.setDelay(s("ping"), 0.3); // a cycle runs long enough to send events into it
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
        QSignalSpy lostSpy(&events, &SystemEvents::networkLost);
        wireSystemEvents(manager, events, {100ms, std::chrono::milliseconds(resumeWaitMs)});
        // A round trip: the bus has taken the watchers' match rules before anything is sent.
        QDBusConnection::systemBus().interface()->isServiceRegistered(kNm);

        for (const QString& step : steps.split(u'|')) {
            if (step == u"running")
                QTRY_VERIFY(started.count() > 0);
            else
                QVERIFY2(perform(step), qPrintable(step));
        }
        QTRY_COMPARE(started.count(), cycles);
        QTest::qWait(700); // settle delay, resume bound and a cycle's length: nothing more
        QCOMPARE(started.count(), cycles);
        QCOMPARE(lostSpy.count(), lost);
        QCOMPARE(overlapping, QList<int>(cycles, 0));
        QCOMPARE(logs.lines().filter(s("on the system bus")),
                 !networkManager
                     ? QStringList{s("[Tarnwick] No NetworkManager on the system bus: "
                                     "wake-ups and network changes wait for the mount timer")}
                     : QStringList());
        QTRY_VERIFY(manager.busyShares().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestSystemEvents)
#include "tst_system_events.moc"
