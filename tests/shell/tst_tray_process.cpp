#include "fake_tool_rig.h"
#include "model/app_settings.h"
#include "model/server_list_codec.h"

#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QProcess>
#include <QSocketNotifier>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

using namespace tarnwick;
using namespace tarnwick::test;

// The part of logind Tarnwick uses, on the private system bus. A lock is a pipe's write end:
// held until every copy of it is closed.
class FakeLogind : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.login1.Manager")
public:
    int taken = 0, active = 0;
    QString last; // what and mode of the last lock
public Q_SLOTS:
    QDBusUnixFileDescriptor Inhibit(const QString& what, const QString&, const QString&,
                                    const QString& mode)
    {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0)
            return {};
        auto* notifier = new QSocketNotifier(ends[0], QSocketNotifier::Read, this);
        connect(notifier, &QSocketNotifier::activated, this, [this, notifier, fd = ends[0]] {
            char byte;
            if (::read(fd, &byte, 1) > 0)
                return;
            notifier->deleteLater();
            ::close(fd);
            --active;
        });
        ++taken, ++active;
        last = what + u' ' + mode;
        const QDBusUnixFileDescriptor handed(ends[1]); // a duplicate travels in the reply
        ::close(ends[1]);
        return handed;
    }
    int Active() const { return active; }
Q_SIGNALS:
    void PrepareForShutdown(bool start);
};

// The tarnwick binary, tray and headless, on the fake tools and the stand-in logind: quit,
// power-off, second launch.
class TestTrayProcess : public QObject {
    Q_OBJECT

    FakeLogind m_logind;
    std::unique_ptr<FakeToolRig> m_rig;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::vector<std::unique_ptr<QProcess>> m_processes;

    int tableReads() const { return m_rig->callCount(u"mount"_qs); }
    // Starts tarnwick on NAS/Public and waits until its engine read the mount table or it ended.
    QProcess* launch(const QVariant& keepMounted, bool headless = false)
    {
        QSettings settings(m_dir->filePath(u"t.conf"_qs), QSettings::IniFormat);
        Server nas = Server::create(u"NAS"_qs, u"nas.local"_qs);
        nas.shares.append(Share::create(u"Public"_qs));
        settings.setValue(AppSettings::serversKey, ServerListCodec::encode({nas}));
        if (keepMounted.isValid())
            settings.setValue(AppSettings::keepMountedOnQuitKey, keepMounted);
        settings.sync();
        auto* process = m_processes.emplace_back(std::make_unique<QProcess>()).get();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_qs, u"offscreen"_qs);
        env.insert(u"XDG_RUNTIME_DIR"_qs, m_dir->path());
        process->setProcessEnvironment(env);
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        const int reads = tableReads();
        process->start(QStringLiteral(TARNWICK_BINARY),
                       QStringList{u"--settings"_qs, m_dir->filePath(u"t.conf"_qs),
                                   u"--tool-root"_qs, m_rig->root()} +
                           (headless ? QStringList{u"--headless"_qs} : QStringList()));
        process->waitForStarted(); // "Starting" would read as ended
        if (!QTest::qWaitFor(
                [&] { return tableReads() > reads || process->state() != QProcess::Running; },
                15000))
            qWarning("tarnwick did not read the mount table");
        return process;
    }
    // Waits for process's clean exit, answering logind calls meanwhile.
    static bool ended(QProcess* process)
    {
        return QTest::qWaitFor([&] { return process->state() == QProcess::NotRunning; }, 20000) &&
               process->exitStatus() == QProcess::NormalExit && process->exitCode() == 0;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QDBusConnection bus = QDBusConnection::systemBus();
        QVERIFY2(bus.isConnected(), "run under tests/support/with-private-system-bus.sh");
        QVERIFY(bus.registerObject(u"/org/freedesktop/login1"_qs, &m_logind,
                                   QDBusConnection::ExportAllSlots |
                                       QDBusConnection::ExportAllSignals));
        QVERIFY(bus.registerService(u"org.freedesktop.login1"_qs));
    }
    void init()
    {
        m_rig = std::make_unique<FakeToolRig>();
        m_dir = std::make_unique<QTemporaryDir>();
        // One share Tarnwick keeps, one it knows nothing about: both are SMB mounts.
        m_rig->addSmbMount(u"Public"_qs, m_rig->volumes() + u"/Public"_qs);
        m_rig->addSmbMount(u"Other"_qs, m_rig->volumes() + u"/Other"_qs);
        // Each unmount asks logind how many locks are held at that moment, and leaves the mount
        // in the table: a second quit-time pass would unmount it again.
        m_rig->setHook(u"umount"_qs,
                       u"dbus-send --system --print-reply=literal --dest=org.freedesktop.login1 "
                       "/org/freedesktop/login1 org.freedesktop.login1.Manager.Active "
                       ">>\"$state/locks\" 2>&1\n"
                       "mt_add \"//user@server/${1##*/} on $1 (smbfs, nodev, nosuid, mounted by "
                       "user)\"\n"_qs);
    }
    void cleanup() { m_processes.clear(); } // a QProcess kills what it started

    void quitAndPowerOffUnmountOnceUnlessKept_data()
    {
        QTest::addColumn<bool>("headless");
        QTest::addColumn<QVariant>("keepMounted");
        QTest::addColumn<int>("signalNumber"); // 0: logind announces the power-off
        for (const bool headless : {false, true}) {
            const char* mode = headless ? "headless" : "tray";
            QTest::addRow("%s, unset, SIGTERM", mode) << headless << QVariant() << int(SIGTERM);
            QTest::addRow("%s, false, SIGINT", mode) << headless << QVariant(false) << int(SIGINT);
            QTest::addRow("%s, unset, SIGHUP", mode) << headless << QVariant() << int(SIGHUP);
            QTest::addRow("%s, true, SIGTERM", mode) << headless << QVariant(true) << int(SIGTERM);
            QTest::addRow("%s, unset, power-off", mode) << headless << QVariant() << 0;
            QTest::addRow("%s, true, power-off", mode) << headless << QVariant(true) << 0;
        }
    }
    void quitAndPowerOffUnmountOnceUnlessKept()
    {
        QFETCH(bool, headless);
        QFETCH(QVariant, keepMounted);
        QFETCH(int, signalNumber);
        const bool unmounts = !keepMounted.toBool();
        const int taken = m_logind.taken;
        QProcess* app = launch(keepMounted, headless);
        QTRY_COMPARE(m_logind.taken, taken + 1); // a delay lock on shutdown, taken at start
        QCOMPARE(m_logind.last, u"shutdown delay"_qs);
        QCOMPARE(m_logind.active, 1);
        if (!headless) {
            const int reads = tableReads(); // a second launch hands over, without an engine
            QProcess* second = launch(keepMounted);
            QVERIFY(second->state() == QProcess::NotRunning && second->exitCode() == 0);
            QCOMPARE(tableReads(), reads);
        }
        // The power-off is a quit too: the process ends by itself, its own quit finding the
        // pass done.
        if (signalNumber)
            ::kill(pid_t(app->processId()), signalNumber);
        else
            Q_EMIT m_logind.PrepareForShutdown(true);
        QVERIFY(ended(app));
        QTRY_COMPARE(m_logind.active, 0);
        QFile locks(m_rig->root() + u"/state/locks"_qs); // held while each unmount ran
        QCOMPARE(locks.open(QIODevice::ReadOnly) ? locks.readAll().simplified() : "",
                 QByteArray(unmounts ? "int32 1 int32 1" : ""));
        QStringList points = m_rig->allArgs(u"umount"_qs).filter(m_rig->volumes());
        points.sort(); // each once, also the mount Tarnwick does not keep
        QCOMPARE(points.join(u' '),
                 unmounts ? u"%1/Other %1/Public"_qs.arg(m_rig->volumes()) : QString());
    }
};

QTEST_GUILESS_MAIN(TestTrayProcess)
#include "tst_tray_process.moc"
