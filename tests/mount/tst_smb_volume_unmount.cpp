#include "fake_tool_rig.h"
#include "mount/smb_volume_unmount.h"
#include "platform/macos/mac_tool_profile.h"

#include <QTest>

using namespace tarnwick;

class TestSmbVolumeUnmount : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void unmountsEverySmbMountInTableOrder()
    {
        test::FakeToolRig rig;
        rig.setMountTable(
            QStringLiteral("/dev/disk3s1 on / (apfs, local, journaled)\n") +
            test::FakeToolRig::smbLine(QStringLiteral("Media"), QStringLiteral("/Volumes/Media")) +
            QStringLiteral("\nafp_x on /Volumes/Old (afpfs, nodev)\n") +
            test::FakeToolRig::smbLine(QStringLiteral("Other"),
                                       QStringLiteral("/Volumes/Foreign")) +
            u'\n' +
            test::FakeToolRig::smbLine(QStringLiteral("Media"),
                                       QStringLiteral("/Volumes/Media-1")) +
            u'\n');
        rig.setStatus(QStringLiteral("umount"), 16, 1); // in use: ignored, the rest still go

        unmountAllSmbVolumes(MacToolProfile(rig.root()));

        const QString umount = QStringLiteral("umount");
        QCOMPARE(rig.callCount(umount), 3);
        QCOMPARE(rig.args(umount, 1), QStringList{QStringLiteral("/Volumes/Media")});
        QCOMPARE(rig.args(umount, 2), QStringList{QStringLiteral("/Volumes/Foreign")});
        QCOMPARE(rig.args(umount, 3), QStringList{QStringLiteral("/Volumes/Media-1")});
        QCOMPARE(rig.callCount(QStringLiteral("mount")), 1);
    }

    void noSmbMountsRunsNoUnmount()
    {
        test::FakeToolRig rig;
        rig.setMountTable(QStringLiteral("/dev/disk3s1 on / (apfs, local, journaled)\n"));
        unmountAllSmbVolumes(MacToolProfile(rig.root()));
        QCOMPARE(rig.callCount(QStringLiteral("umount")), 0);
    }
};

QTEST_GUILESS_MAIN(TestSmbVolumeUnmount)
#include "tst_smb_volume_unmount.moc"
