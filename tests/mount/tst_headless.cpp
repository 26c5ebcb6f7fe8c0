#include "fake_tool_rig.h"
#include "model/app_settings.h"
#include "model/share_store.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace tarnwick;

namespace {

// osascript "mounts" whatever share its script names, at /Volumes/<share>.
const QString kMountRequested = QStringLiteral(
    "s=$(sed -n 's|^mount volume \"smb://\\([^@]*@\\)\\{0,1\\}[^/]*/\\(.*\\)\"$|\\2|p' "
    "\"$state/$tool.$n.stdin\")\n"
    "mt_add \"//user@server/$s on /Volumes/$s (smbfs, nodev, nosuid, mounted by user)\"\n");

} // namespace

// The real tarnwick binary in headless mode, driven from outside like an administrator would.
class TestHeadless : public QObject {
    Q_OBJECT

    static QString binary() { return QStringLiteral(TARNWICK_BINARY); }

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
        rig.setHook(QStringLiteral("osascript"), kMountRequested);
        rig.addSmbMount(QStringLiteral("Foreign"), QStringLiteral("/Volumes/Foreign"));
        QTemporaryDir dir;
        const QString settingsPath = dir.filePath(QStringLiteral("tarnwick.conf"));
        {
            auto settings = AppSettings::open(settingsPath);
            ShareStore store(*settings);
            Server nas = Server::create(QStringLiteral("NAS"), QStringLiteral("nas"));
            nas.shares.append(Share::create(QStringLiteral("Media")));
            store.addServer(nas);
            settings->setValue(AppSettings::keepMountedOnQuitKey, keepMounted);
        }

        QProcess engine;
        engine.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        engine.start(binary(), {QStringLiteral("--headless"), QStringLiteral("--settings"),
                                settingsPath, QStringLiteral("--tool-root"), rig.root(),
                                QStringLiteral("--time-scale"), QStringLiteral("0.01")});
        QVERIFY(engine.waitForStarted());
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT(
            (output += engine.readAllStandardOutput()).contains("[Tarnwick] [Media] mounted: true"),
            15000);
        QCOMPARE(output, QByteArray("[Tarnwick] [Media] mounting without credentials\n"
                                    "[Tarnwick] [Media] osascript exit: 0\n"
                                    "[Tarnwick] [Media] mounted: true\n"));
        QCOMPARE(rig.stdinOf(QStringLiteral("osascript"), 1),
                 QByteArray("mount volume \"smb://nas/Media\""));

        ::kill(engine.processId(), signalNumber);
        QVERIFY(engine.waitForFinished(15000));
        QCOMPARE(engine.exitStatus(), QProcess::NormalExit);
        QCOMPARE(engine.exitCode(), 0);

        QStringList unmounted;
        for (int call = 1; call <= rig.callCount(QStringLiteral("umount")); ++call)
            unmounted += rig.args(QStringLiteral("umount"), call);
        if (keepMounted) {
            QVERIFY(unmounted.isEmpty());
            QVERIFY(rig.mountTable().contains(QStringLiteral("/Volumes/Media (")));
        } else {
            // Every SMB mount goes, also the one Tarnwick did not make.
            QCOMPARE(unmounted, (QStringList{QStringLiteral("/Volumes/Foreign"),
                                             QStringLiteral("/Volumes/Media")}));
            QVERIFY(!rig.mountTable().contains(QStringLiteral("smbfs")));
        }
    }

    void helpNamesEveryOption()
    {
        QProcess help;
        help.start(binary(), {QStringLiteral("--headless"), QStringLiteral("--help")});
        QVERIFY(help.waitForFinished());
        const QByteArray text = help.readAllStandardOutput();
        for (const char* option : {"--headless", "--settings <file>", "--tool-root <dir>",
                                   "--time-scale <factor>", "keepMountedOnQuit"})
            QVERIFY2(text.contains(option), option);
    }

    void badTimeScaleIsRefused()
    {
        QProcess engine;
        engine.start(binary(), {QStringLiteral("--headless"), QStringLiteral("--time-scale"),
                                QStringLiteral("0")});
        QVERIFY(engine.waitForFinished());
        QCOMPARE(engine.exitCode(), 2);
        QVERIFY(engine.readAllStandardError().contains("--time-scale"));
    }
};

QTEST_GUILESS_MAIN(TestHeadless)
#include "tst_headless.moc"
