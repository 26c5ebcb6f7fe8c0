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
    QList<QProcess*> m_processes;

    QString settingsPath() const { return m_dir->filePath(QStringLiteral("tarnwick.conf")); }

    void writeSettings(const QVariant& keepMounted)
    {
        QSettings settings(settingsPath(), QSettings::IniFormat);
        Server nas = Server::create(QStringLiteral("NAS"), QStringLiteral("nas.local"));
        nas.shares.append(Share::create(QStringLiteral("Public")));
        settings.setValue(AppSettings::serversKey, ServerListCodec::encode({nas}));
        if (keepMounted.isValid())
            settings.setValue(AppSettings::keepMountedOnQuitKey, keepMounted);
    }

    QProcess* launch(const QString& settings)
    {
        auto* process = new QProcess(this);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), m_dir->path());
        env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
        process->setProcessEnvironment(env);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->setStandardOutputFile(QProcess::nullDevice());
        process->start(
            QStringLiteral(TARNWICK_BINARY),
            {QStringLiteral("--settings"), settings, QStringLiteral("--tool-root"), m_rig->root()});
        m_processes.append(process);
        return process;
    }

    // Running: the mount manager has read the mount table once.
    bool waitUntilRunning(QProcess* process)
    {
        if (!process->waitForStarted())
            return false;
        return QTest::qWaitFor(
                   [&] {
                       return m_rig->callCount(QStringLiteral("mount")) >= 1 ||
                              process->state() != QProcess::Running;
                   },
                   15000) &&
               process->state() == QProcess::Running;
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
        for (int call = 1; call <= m_rig->callCount(QStringLiteral("umount")); ++call)
            points.append(m_rig->args(QStringLiteral("umount"), call).value(0));
        points.sort();
        return points;
    }

    QStringList allMountPoints() const
    {
        return {m_rig->volumes() + QStringLiteral("/Other"),
                m_rig->volumes() + QStringLiteral("/Public")};
    }

    static QDBusInterface logind()
    {
        return QDBusInterface(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/control"),
                              QStringLiteral("org.tarnwick.FakeLogind"),
                              QDBusConnection::systemBus());
    }

    template <typename T> static T ask(const char* method)
    {
        QDBusInterface control = logind();
        const QDBusReply<T> reply = control.call(QLatin1StringView(method));
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
        m_rig->addSmbMount(QStringLiteral("Public"), m_rig->volumes() + QStringLiteral("/Public"));
        m_rig->addSmbMount(QStringLiteral("Other"), m_rig->volumes() + QStringLiteral("/Other"));
        // Each unmount asks logind how many locks are held at that moment.
        m_rig->setHook(QStringLiteral("umount"),
                       QStringLiteral("dbus-send --system --print-reply=literal "
                                      "--dest=org.freedesktop.login1 /control "
                                      "org.tarnwick.FakeLogind.Active >>\"$state/locks\" "
                                      "2>&1\n"));
    }

    void cleanup()
    {
        for (QProcess* process : std::as_const(m_processes)) {
            if (process->state() != QProcess::NotRunning) {
                process->kill();
                process->waitForFinished();
            }
            delete process;
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
        QVERIFY(waitUntilRunning(app));
        QCOMPARE(m_rig->callCount(QStringLiteral("umount")), 0);

        QVERIFY(stop(app, signalNumber));
        QCOMPARE(unmounted(), unmounts ? allMountPoints() : QStringList());
        if (unmounts)
            QVERIFY(m_rig->mountTable().trimmed().isEmpty());
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
        const uint takenBefore = ask<uint>("Taken");
        const uint releasedBefore = ask<uint>("Released");
        QProcess* app = launch(settingsPath());
        QVERIFY(waitUntilRunning(app));
        QTRY_COMPARE_WITH_TIMEOUT(ask<uint>("Taken"), takenBefore + 1, 10000);
        QCOMPARE(ask<QString>("LastWhat"), QStringLiteral("shutdown"));
        QCOMPARE(ask<QString>("LastMode"), QStringLiteral("delay"));
        QCOMPARE(ask<uint>("Active"), 1u);

        QDBusInterface control = logind();
        control.call(QStringLiteral("EmitPrepareForShutdown"), true);
        QTRY_COMPARE_WITH_TIMEOUT(ask<uint>("Released"), releasedBefore + 1, 10000);
        QCOMPARE(ask<uint>("Active"), 0u);
        QCOMPARE(unmounted(), unmounts ? allMountPoints() : QStringList());
        if (unmounts) {
            // The lock was still held while each unmount ran.
            QFile locks(m_rig->root() + QStringLiteral("/state/locks"));
            QVERIFY(locks.open(QIODevice::ReadOnly));
            const QList<QByteArray> held = locks.readAll().trimmed().split('\n');
            QCOMPARE(held.size(), 2);
            for (const QByteArray& line : held)
                QCOMPARE(line.simplified(), QByteArrayLiteral("uint32 1"));
        }
        // The power-off's SIGTERM still quits cleanly; the quit-time pass finds nothing.
        QVERIFY(stop(app, SIGTERM));
        QCOMPARE(unmounted(), unmounts ? allMountPoints() : QStringList());
    }

    void secondLaunchHandsOverAndExits()
    {
        writeSettings(true);
        QProcess* first = launch(settingsPath());
        QVERIFY(waitUntilRunning(first));
        const int tableReads = m_rig->callCount(QStringLiteral("mount"));

        QProcess* second = launch(settingsPath());
        QVERIFY(second->waitForFinished(15000));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        // The second process never started an engine of its own.
        QCOMPARE(m_rig->callCount(QStringLiteral("mount")), tableReads);
        QCOMPARE(first->state(), QProcess::Running);

        // Another settings file is another Tarnwick.
        QProcess* other = launch(m_dir->filePath(QStringLiteral("other.conf")));
        QTRY_VERIFY_WITH_TIMEOUT(m_rig->callCount(QStringLiteral("mount")) > tableReads, 15000);
        QCOMPARE(other->state(), QProcess::Running);
        QVERIFY(stop(other, SIGTERM));

        // A crashed instance leaves its socket file behind; the next launch takes over.
        ::kill(pid_t(first->processId()), SIGKILL);
        QVERIFY(first->waitForFinished());
        const int beforeRestart = m_rig->callCount(QStringLiteral("mount"));
        QProcess* restarted = launch(settingsPath());
        QTRY_VERIFY_WITH_TIMEOUT(m_rig->callCount(QStringLiteral("mount")) > beforeRestart, 15000);
        QCOMPARE(restarted->state(), QProcess::Running);
        QVERIFY(stop(restarted, SIGTERM));
    }
};

QTEST_GUILESS_MAIN(TestTrayProcess)
#include "tst_tray_process.moc"
