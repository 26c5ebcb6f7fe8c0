#include "fake_tool_rig.h"
#include "model/app_settings.h"
#include "model/share_store.h"
#include "test_text.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace tarnwick;
using test::s;

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
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(s("DBUS_SYSTEM_BUS_ADDRESS"), s("unix:path=/nonexistent/tarnwick-test-bus"));
        engine.setProcessEnvironment(env);
        engine.start(s(TARNWICK_BINARY),
                     {s("--headless"), s("--settings"), settingsPath, s("--tool-root"), rig.root(),
                      s("--time-scale"), s("0.01")});
        QVERIFY(engine.waitForStarted());
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT(
            (output += engine.readAllStandardOutput()).contains("[Tarnwick] [Media] mounted: true"),
            15000);
        QCOMPARE(output, QByteArray("[Tarnwick] No system bus: wake-ups and network changes "
                                    "wait for the mount timer\n"
                                    "[Tarnwick] [Media] mounting without credentials\n"
                                    "[Tarnwick] [Media] osascript exit: 0\n"
                                    "[Tarnwick] [Media] mounted: true\n"));
        QCOMPARE(rig.stdinOf(s("osascript"), 1), QByteArray("mount volume \"smb://nas/Media\""));

        ::kill(engine.processId(), signalNumber);
        QVERIFY(engine.waitForFinished(15000));
        QCOMPARE(engine.exitStatus(), QProcess::NormalExit);
        QCOMPARE(engine.exitCode(), 0);
        // Every SMB mount goes, in table order, also the one Tarnwick did not make.
        QCOMPARE(rig.allArgs(s("umount")),
                 keepMounted ? QStringList() : test::list("/Volumes/Foreign|/Volumes/Media"));
        QCOMPARE(rig.mountTable().contains(s("smbfs")), keepMounted);
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
