#include "model/app_settings.h"
#include "model/share_store.h"
#include "mount/smb_volume_unmount.h"
#include "platform/linux/gvfs_profile.h"
#include "smb_rig.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using namespace tarnwick;
using test::SmbRig;

// The real tarnwick binary on a Linux desktop session: with no tool root it picks the GVFS
// profile, mounts the configured shares through GVFS and, at quit, unmounts them unless
// "keepMountedOnQuit" is set.
class TestGvfsHeadless : public QObject {
    Q_OBJECT

    GvfsProfile m_profile;

private Q_SLOTS:
    void initTestCase()
    {
        if (!SmbRig::available())
            QFAIL("needs tests/support/session-env.sh and smbd-rig.sh around it");
        QVERIFY(SmbRig::storeLogin(SmbRig::host(), SmbRig::user(), SmbRig::password().toUtf8()));
    }
    void cleanup() { unmountAllSmbVolumes(m_profile); }

    void mountsAndQuits_data()
    {
        QTest::addColumn<bool>("keepMounted");
        QTest::newRow("unmount at quit") << false;
        QTest::newRow("keepMountedOnQuit") << true;
    }
    void mountsAndQuits()
    {
        QFETCH(bool, keepMounted);
        QTemporaryDir dir;
        const QString settingsPath = dir.filePath(QStringLiteral("tarnwick.conf"));
        {
            auto settings = AppSettings::open(settingsPath);
            ShareStore store(*settings);
            Server server = Server::create(QStringLiteral("Rig"), SmbRig::host());
            server.shares.append(Share::create(QStringLiteral("Private")));
            server.shares.append(Share::create(QStringLiteral("Team Docs")));
            store.addServer(server);
            settings->setValue(AppSettings::keepMountedOnQuitKey, keepMounted);
        }

        QProcess engine;
        engine.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        engine.start(QStringLiteral(TARNWICK_BINARY),
                     {QStringLiteral("--headless"), QStringLiteral("--settings"), settingsPath,
                      QStringLiteral("--time-scale"), QStringLiteral("0.02")});
        QVERIFY(engine.waitForStarted());
        QByteArray output;
        QTRY_VERIFY_WITH_TIMEOUT(
            (output += engine.readAllStandardOutput()).count(" mounted: ") == 2, 20000);
        QVERIFY2(output.contains("[Tarnwick] [Private] mounted: true\n"), output.constData());
        QVERIFY2(output.contains("[Tarnwick] [Team Docs] mounted: true\n"), output.constData());
        QVERIFY(!output.contains(SmbRig::password().toUtf8()));
        QCOMPARE(m_profile.readSmbMounts().size(), 2);

        ::kill(engine.processId(), SIGTERM);
        QVERIFY(engine.waitForFinished(20000));
        QCOMPARE(engine.exitCode(), 0);
        QCOMPARE(m_profile.readSmbMounts().size(), keepMounted ? 2 : 0);
    }
};

QTEST_GUILESS_MAIN(TestGvfsHeadless)
#include "tst_gvfs_headless.moc"
