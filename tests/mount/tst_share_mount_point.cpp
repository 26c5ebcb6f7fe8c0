#include "mount/share_mount_point.h"
#include "platform/macos/mac_tool_profile.h"
#include "test_text.h"

#include <QTest>

using namespace tarnwick;
using test::s;

namespace {

// Names compare without letter case and the system never numbers a second mount (as GVFS).
class CaseFoldingProfile : public MacToolProfile {
public:
    QString nameKey(const QString& name) const override
    {
        return MacToolProfile::nameKey(name).toCaseFolded();
    }
    bool mountsNumberedDuplicates() const override { return false; }
};

} // namespace

class TestShareMountPoint : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void forUnmount_data()
    {
        QTest::addColumn<QStringList>("mountPoints");
        QTest::addColumn<QString>("share");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* tag, const char* mountPoints, const char* share,
                            const char* expected) {
            QTest::newRow(tag) << test::list(mountPoints) << s(share) << s(expected);
        };
        row("plain", "/Volumes/Media", "Media", "/Volumes/Media");
        row("last matching line decides", "/Volumes/Media|/Volumes/Media-1|/Volumes/MediaX",
            "Media", "/Volumes/Media-1");
        row("later plain line wins", "/Volumes/Media-1|/Volumes/Media", "Media", "/Volumes/Media");
        row("longer name is another share", "/Volumes/MediaArchive", "Media", "/Volumes/Media");
        row("name inside a deeper path", "/Volumes/Media/Sub", "Media", "/Volumes/Media");
        row("elsewhere than the volumes root", "/Users/me/mnt/Media", "Media",
            "/Users/me/mnt/Media");
        row("hyphen without digits", "/Volumes/Media-old", "Media", "/Volumes/Media");
        row("share whose own name is numbered", "/Volumes/Photos-2024|/Volumes/Photos-2024-1",
            "Photos-2024", "/Volumes/Photos-2024-1");
        row("letter case differs", "/Volumes/media", "Media", "/Volumes/Media");
        row("canonically equal", "/Volumes/Caf\u00e9-3", "Cafe\u0301", "/Volumes/Caf\u00e9-3");
        row("nothing mounted", "", "Media", "/Volumes/Media");
    }
    void forUnmount()
    {
        QFETCH(QStringList, mountPoints);
        QFETCH(QString, share);
        QFETCH(QString, expected);
        QList<MountEntry> mounts;
        for (const QString& mountPoint : mountPoints)
            mounts.append(MountEntry{s("//u@h/x on ") + mountPoint + s(" (smbfs)"), mountPoint});
        QCOMPARE(ShareMountPoint::forUnmount(MacToolProfile(), mounts, share), expected);
    }

    void followsTheProfilesNameRules()
    {
        const CaseFoldingProfile profile;
        QVERIFY(ShareMountPoint::belongsTo(profile, s("/run/gvfs/x/public"), s("Public")));
        QVERIFY(!ShareMountPoint::belongsTo(profile, s("/run/gvfs/x/public-1"), s("Public")));
        QVERIFY(!ShareMountPoint::belongsTo(MacToolProfile(), s("/Volumes/-1"), QString()));
    }
};

QTEST_GUILESS_MAIN(TestShareMountPoint)
#include "tst_share_mount_point.moc"
