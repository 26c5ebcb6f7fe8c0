#include "fake_tool_rig.h"
#include "model/app_settings.h"
#include "model/share_store.h"
#include "mount/smb_volume_unmount.h"
#include "platform/linux/gvfs_profile.h"
#include "smb_rig.h"
#include "test_text.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace tarnwick;
using test::s;

namespace {

// Live processes whose command line contains needle.
QList<pid_t> processes(const QByteArray& needle)
{
    QList<pid_t> found;
    for (const QString& pid : QDir(s("/proc")).entryList(QDir::Dirs)) {
        QFile stat(s("/proc/") + pid + s("/stat")), cmdline(s("/proc/") + pid + s("/cmdline"));
        if (!stat.open(QIODevice::ReadOnly) || !cmdline.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll(); // "PID (name) state ..."
        if (line.mid(line.lastIndexOf(')') + 2, 1) != "Z" && cmdline.readAll().contains(needle))
            found.append(pid.toInt());
    }
    return found;
}

} // namespace

// The real tarnwick binary in headless mode, driven from outside like an administrator would.
class TestHeadless : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void mountsThenUnmountsOnQuitSignal_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<bool>("keepMounted");
        QTest::newRow("SIGTERM") << int(SIGTERM) << false;
        QTest::newRow("SIGINT") << int(SIGINT) << false;
        QTest::newRow("SIGTERM, keep mounted") << int(SIGTERM) << true;
    }
    void mountsThenUnmountsOnQuitSignal()
    {
        QFETCH(int, signalNumber);
        QFETCH(bool, keepMounted);
        test::FakeToolRig rig;
        rig.mountOnRequest();
        rig.addSmbMount(s("Foreign"), s("/Volumes/Foreign"));
        rig.setStatus(s("umount"), 16, 1); // a failure at quit does not stop the rest
        QTemporaryDir dir;
        const QString settingsPath = dir.filePath(s("tarnwick.conf"));
        {
            auto settings = AppSettings::open(settingsPath);
            Server nas = Server::create(s("NAS"), s("nas"));
            nas.shares.append(Share::create(s("Media")));
            ShareStore(*settings).addServer(nas);
            settings->setValue(AppSettings::keepMountedOnQuitKey, keepMounted);
        }

        QProcess engine;
        engine.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        engine.start(s(TARNWICK_BINARY),
                     {s("--headless"), s("--settings"), settingsPath, s("--tool-root"), rig.root(),
                      s("--time-scale"), s("0.01")});
        QVERIFY(engine.waitForStarted());
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT(
            (output += engine.readAllStandardOutput()).contains("[Tarnwick] [Media] mounted: true"),
            15000);
        QCOMPARE(output, QByteArray("[Tarnwick] [Media] mounting without credentials\n"
                                    "[Tarnwick] [Media] osascript exit: 0\n"
                                    "[Tarnwick] [Media] mounted: true\n"));
        QCOMPARE(rig.stdinOf(s("osascript"), 1), QByteArray("mount volume \"smb://nas/Media\""));

        ::kill(engine.processId(), signalNumber);
        QVERIFY(engine.waitForFinished(15000));
        QCOMPARE(engine.exitStatus(), QProcess::NormalExit);
        QCOMPARE(engine.exitCode(), 0);
        // Every SMB mount goes, also the one Tarnwick did not make.
        QStringList unmounted = rig.allArgs(s("umount"));
        unmounted.sort();
        QCOMPARE(unmounted,
                 keepMounted ? QStringList() : test::list("/Volumes/Foreign|/Volumes/Media"));
        QCOMPARE(rig.mountTable().contains(s("smbfs")), keepMounted);
    }

    // A server that stops answering (every smbd process stopped) while two shares are
    // mounted through GVFS and a mount of a third is under way; run by the frozen-server test
    // under the Samba and session rigs.
    void quitOnFrozenServer_data()
    {
        QTest::addColumn<int>("followUp"); // sent while the quit-time `gio mount -u`s run
        QTest::newRow("SIGTERM") << 0;
        QTest::newRow("SIGTERM twice: ends at once") << int(SIGTERM);
        QTest::newRow("SIGKILL during the quit: no child outlives it") << int(SIGKILL);
    }
    void quitOnFrozenServer()
    {
        if (!test::SmbRig::available())
            QSKIP("needs tests/support/session-env.sh and smbd-rig.sh");
        QFETCH(int, followUp);
        QTemporaryDir dir;
        const QString settingsPath = dir.filePath(s("tarnwick.conf"));
        {
            auto settings = AppSettings::open(settingsPath);
            Server server = Server::create(s("Rig"), test::SmbRig::host());
            for (const char* name : {"Public", "Team Docs", "Missing"})
                server.shares.append(Share::create(s(name)));
            ShareStore(*settings).addServer(server);
            settings->setValue(AppSettings::mountIntervalKey, 1); // a cycle every 0.1 s
        }
        QProcess engine;
        engine.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        engine.start(s(TARNWICK_BINARY),
                     {s("--headless"), s("--settings"), settingsPath, s("--time-scale"), s("0.1")});
        QVERIFY(engine.waitForStarted());
        const GvfsProfile gvfs;
        QTRY_COMPARE_WITH_TIMEOUT(gvfs.readSmbMounts().size(), 2, 30000);

        const QByteArray server = "smb://" + test::SmbRig::host().toUtf8();
        const QList<pid_t> smbd = processes(qgetenv("TARNWICK_SMB_ROOT") + "/smb.conf");
        QVERIFY(!smbd.isEmpty());
        for (pid_t pid : smbd)
            ::kill(pid, SIGSTOP);
        const auto thaw = qScopeGuard([&] {
            for (pid_t pid : smbd)
                ::kill(pid, SIGCONT);
            unmountAllSmbVolumes(gvfs, std::chrono::seconds(30)); // the next row starts bare
        });
        QTRY_VERIFY_WITH_TIMEOUT(!processes(server + "/Missing").isEmpty(), 15000);
        ::kill(pid_t(engine.processId()), SIGTERM);
        // The engine ends the hung mount rather than waiting the 20 s it would take.
        QTRY_VERIFY(processes(server + "/Missing").isEmpty());
        if (followUp) {
            QTRY_COMPARE(processes(QByteArray("-u") + '\0' + server).size(), 2); // side by side
            ::kill(pid_t(engine.processId()), followUp);
        }
        QVERIFY(engine.waitForFinished(30000));
        QCOMPARE(engine.exitStatus(), followUp ? QProcess::CrashExit : QProcess::NormalExit);
        QCOMPARE(engine.exitCode(), followUp ? followUp : 0);
        QTRY_COMPARE(processes(server), QList<pid_t>()); // no gio of ours is left
    }

    void badTimeScaleIsRefused()
    {
        QProcess engine;
        engine.start(s(TARNWICK_BINARY), test::list("--headless|--time-scale|0"));
        QVERIFY(engine.waitForFinished());
        QCOMPARE(engine.exitCode(), 2);
        QVERIFY(engine.readAllStandardError().contains("--time-scale"));
    }
};

QTEST_GUILESS_MAIN(TestHeadless)
#include "tst_headless.moc"
