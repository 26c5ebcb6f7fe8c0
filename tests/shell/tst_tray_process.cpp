#include "fake_tool_rig.h"
#include "model/app_settings.h"
#include "model/server_list_codec.h"

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusReply>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace tarnwick;
using namespace tarnwick::test;

// The tarnwick binary as the desktop runs it, on the fake macOS tools, with a stand-in
// logind on a private system bus: what quitting, powering off and a second launch do.
class TestTrayProcess : public QObject {
    Q_OBJECT

    std::unique_ptr<FakeToolRig> m_rig;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::vector<std::unique_ptr<QProcess>> m_processes;

    QString settingsPath() const { return m_dir->filePath(u"tarnwick.conf"_qs); }
    int tableReads() const { return m_rig->callCount(u"mount"_qs); }

    void writeSettings(const QVariant& keepMounted)
    {
        QSettings settings(settingsPath(), QSettings::IniFormat);
        Server nas = Server::create(u"NAS"_qs, u"nas.local"_qs);
        nas.shares.append(Share::create(u"Public"_qs));
        settings.setValue(AppSettings::serversKey, ServerListCodec::encode({nas}));
        if (keepMounted.isValid())
            settings.setValue(AppSettings::keepMountedOnQuitKey, keepMounted);
    }
    // Starts tarnwick; with running, waits until its engine has read the mount table.
    QProcess* launch(const QString& settings, bool running = true)
    {
        auto* process = m_processes.emplace_back(std::make_unique<QProcess>()).get();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(u"QT_QPA_PLATFORM"_qs, u"offscreen"_qs);
        env.insert(u"XDG_RUNTIME_DIR"_qs, m_dir->path());
        env.insert(u"LANG"_qs, u"C.UTF-8"_qs);
        process->setProcessEnvironment(env);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->setStandardOutputFile(QProcess::nullDevice());
        const int reads = tableReads();
        process->start(QStringLiteral(TARNWICK_BINARY),
                       {u"--settings"_qs, settings, u"--tool-root"_qs, m_rig->root()});
        process->waitForStarted();
        if (running &&
            !QTest::qWaitFor(
                [&] { return tableReads() > reads || process->state() != QProcess::Running; },
                15000))
            qWarning("tarnwick did not read the mount table");
        return process;
    }
    static bool stop(QProcess* process, int signalNumber)
    {
        ::kill(pid_t(process->processId()), signalNumber);
        return process->waitForFinished(20000) && process->exitStatus() == QProcess::NormalExit &&
               process->exitCode() == 0;
    }
    QStringList unmounted() const
    {
        QStringList points;
        for (int call = 1; call <= m_rig->callCount(u"umount"_qs); ++call)
            points.append(m_rig->args(u"umount"_qs, call).value(0));
        points.sort();
        return points;
    }
    QStringList allMountPoints() const
    {
        return {m_rig->volumes() + u"/Other"_qs, m_rig->volumes() + u"/Public"_qs};
    }
    template <typename T> static T logind(const QString& method, const QVariant& arg = {})
    {
        QDBusInterface control(u"org.freedesktop.login1"_qs, u"/control"_qs,
                               u"org.tarnwick.FakeLogind"_qs, QDBusConnection::systemBus());
        const QDBusReply<T> reply =
            arg.isValid() ? control.call(method, arg) : control.call(method);
        return reply.isValid() ? reply.value() : T{};
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QDBusConnection::systemBus().isConnected(),
                 "run under tests/support/with-private-system-bus.sh");
    }
    void init()
    {
        m_rig = std::make_unique<FakeToolRig>();
        m_dir = std::make_unique<QTemporaryDir>();
        // One share Tarnwick keeps, one it knows nothing about: both are SMB mounts.
        m_rig->addSmbMount(u"Public"_qs, m_rig->volumes() + u"/Public"_qs);
        m_rig->addSmbMount(u"Other"_qs, m_rig->volumes() + u"/Other"_qs);
        // Each unmount asks logind how many locks are held at that moment.
        m_rig->setHook(u"umount"_qs, u"dbus-send --system --print-reply=literal "
                                     "--dest=org.freedesktop.login1 /control "
                                     "org.tarnwick.FakeLogind.Active >>\"$state/locks\" 2>&1\n"_qs);
    }
    void cleanup()
    {
        for (auto& process : m_processes) {
            process->kill();
            process->waitForFinished();
        }
        m_processes.clear();
    }

    void quitUnmountsUnlessKept_data()
    {
        QTest::addColumn<QVariant>("keepMounted");
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<bool>("unmounts");
        QTest::newRow("unset, SIGTERM") << QVariant() << SIGTERM << true;
        QTest::newRow("false, SIGINT") << QVariant(false) << SIGINT << true;
        QTest::newRow("true, SIGTERM") << QVariant(true) << SIGTERM << false;
    }
    void quitUnmountsUnlessKept()
    {
        QFETCH(QVariant, keepMounted);
        QFETCH(int, signalNumber);
        QFETCH(bool, unmounts);
        writeSettings(keepMounted);
        QProcess* app = launch(settingsPath());
        QCOMPARE(app->state(), QProcess::Running);
        QCOMPARE(m_rig->callCount(u"umount"_qs), 0);
        QVERIFY(stop(app, signalNumber));
        QCOMPARE(unmounted(), unmounts ? allMountPoints() : QStringList());
        QCOMPARE(m_rig->mountTable().trimmed().isEmpty(), unmounts);
    }

    void powerOffUnmountsThenReleasesTheLock_data()
    {
        QTest::addColumn<QVariant>("keepMounted");
        QTest::addColumn<bool>("unmounts");
        QTest::newRow("unset") << QVariant() << true;
        QTest::newRow("true") << QVariant(true) << false;
    }
    void powerOffUnmountsThenReleasesTheLock()
    {
        QFETCH(QVariant, keepMounted);
        QFETCH(bool, unmounts);
        writeSettings(keepMounted);
        const uint taken = logind<uint>(u"Taken"_qs), released = logind<uint>(u"Released"_qs);
        QProcess* app = launch(settingsPath());
        QTRY_COMPARE_WITH_TIMEOUT(logind<uint>(u"Taken"_qs), taken + 1, 10000);
        QCOMPARE(logind<QString>(u"Last"_qs), u"shutdown delay"_qs);
        QCOMPARE(logind<uint>(u"Active"_qs), 1u);

        logind<QString>(u"EmitPrepareForShutdown"_qs, true);
        QTRY_COMPARE_WITH_TIMEOUT(logind<uint>(u"Released"_qs), released + 1, 10000);
        QCOMPARE(logind<uint>(u"Active"_qs), 0u);
        QCOMPARE(unmounted(), unmounts ? allMountPoints() : QStringList());
        if (unmounts) { // the lock was still held while each unmount ran
            QFile locks(m_rig->root() + u"/state/locks"_qs);
            QVERIFY(locks.open(QIODevice::ReadOnly));
            QCOMPARE(locks.readAll().simplified(), QByteArray("uint32 1 uint32 1"));
        }
        // The power-off's SIGTERM still quits cleanly; the quit-time pass finds nothing.
        QVERIFY(stop(app, SIGTERM));
        QCOMPARE(unmounted(), unmounts ? allMountPoints() : QStringList());
    }

    void secondLaunchHandsOverAndExits()
    {
        writeSettings(true);
        QProcess* first = launch(settingsPath());
        const int reads = tableReads();
        QProcess* second = launch(settingsPath(), false);
        QVERIFY(second->waitForFinished(15000));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        QCOMPARE(tableReads(), reads); // it never started an engine of its own
        QCOMPARE(first->state(), QProcess::Running);

        // Another settings file is another Tarnwick.
        QProcess* other = launch(m_dir->filePath(u"other.conf"_qs));
        QVERIFY(tableReads() > reads);
        QVERIFY(stop(other, SIGTERM));

        // A crashed instance leaves its socket file behind; the next launch takes over.
        ::kill(pid_t(first->processId()), SIGKILL);
        QVERIFY(first->waitForFinished());
        const int beforeRestart = tableReads();
        QProcess* restarted = launch(settingsPath());
        QVERIFY(tableReads() > beforeRestart);
        QVERIFY(stop(restarted, SIGTERM));
    }
};

QTEST_GUILESS_MAIN(TestTrayProcess)
#include "tst_tray_process.moc"
