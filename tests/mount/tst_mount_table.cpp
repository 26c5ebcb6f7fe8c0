#include "mount/mount_table.h"
#include "mount/share_mount_point.h"
#include "platform/linux/gvfs_profile.h"
#include "platform/macos/mac_tool_profile.h"
#include "test_text.h"

#include <QTest>

using namespace tarnwick;
using test::s;

// Reading the mount table, and finding a share's mount point in it.
class TestMountTable : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void mountPointAndNames_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("mountPoints");
        QTest::addColumn<QStringList>("names"); // with the bases of numbered mount points
        const auto row = [](const char* tag, const QString& table, const char* mountPoints,
                            const char* names) {
            QTest::newRow(tag) << table << test::list(mountPoints) << test::list(names);
        };
        const auto smb = [](const char* mountPoint) {
            return s("//u@h/x on %1 (smbfs, nodev, nosuid, mounted by u)").arg(s(mountPoint));
        };
        row("plain", smb("/Volumes/Media"), "/Volumes/Media", "Media");
        row("blanks around mount point", s("//u@h/M on  \u00a0/Volumes/M\t\u2003 (smbfs)"),
            "/Volumes/M", "M");
        row("numbered", smb("/Volumes/Media-1"), "/Volumes/Media-1", "Media|Media-1");
        row("last run of digits only", smb("/Volumes/Photos-2024-1"), "/Volumes/Photos-2024-1",
            "Photos-2024|Photos-2024-1");
        row("only digits after hyphen", smb("/Volumes/-7"), "/Volumes/-7", "-7");
        row("paren inside mount point", smb("/Volumes/Backup (old)"), "/Volumes/Backup", "Backup");
        row("trailing slash", smb("/Volumes/Media/"), "/Volumes/Media/", "Media");
        row("space in mount point", smb("/Volumes/Team Docs"), "/Volumes/Team Docs", "Team Docs");
        row("root mount point", smb("/"), "/", "");
        row("paren inside server part", s("//u@h (x)/Media on /Volumes/Media (smbfs)"), "", "");
        row("no ' on '", s("//u@h/Media at /Volumes/Media (smbfs)"), "", "");
        row("no ' ('", s("//u@h/Media on /Volumes/Media smbfs"), "", "");
        row("case-sensitive smbfs", s("//u@h/M on /Volumes/M (SMBFS)"), "", "");
        row("other file systems",
            s("/dev/disk3s1s1 on / (apfs, sealed, local, read-only, journaled)\n"
              "afp_0TQZ on /Volumes/Old (afpfs, nodev, nosuid)\nnas:/export on /Volumes/nfs (nfs)"),
            "", "");
        row("smbfs anywhere in the line counts", s("afp on /Volumes/smbfs-copy (afpfs)"),
            "/Volumes/smbfs-copy", "smbfs-copy");
        row("line breaks of every kind",
            smb("/Volumes/A") + s("\r\n") + smb("/Volumes/B") + QChar(0x2028) + smb("/Volumes/C") +
                QChar(0x2029) + smb("/Volumes/D") + QChar(0x85),
            "/Volumes/A|/Volumes/B|/Volumes/C|/Volumes/D", "A|B|C|D");
    }
    void mountPointAndNames()
    {
        QFETCH(QString, table);
        QFETCH(QStringList, mountPoints);
        QFETCH(QStringList, names);
        const QList<MountEntry> mounts = MountTable::parseSmbMounts(table);
        QStringList found;
        for (const MountEntry& entry : mounts)
            found.append(entry.mountPoint);
        QCOMPARE(found, mountPoints);
        QCOMPARE(MountTable::shareNames(mounts, true), QSet<QString>(names.begin(), names.end()));
    }

    void numberedAliasesOnlyWhenAsked()
    {
        const auto mounts = MountTable::parseSmbMounts(s("//u@h/x on /Volumes/Media-1 (smbfs)"));
        QCOMPARE(MountTable::shareNames(mounts, false), QSet<QString>{s("Media-1")});
    }

    void forUnmount_data()
    {
        QTest::addColumn<QStringList>("mountPoints");
        QTest::addColumn<QString>("share");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* tag, const char* mountPoints, const char* share,
                            const char* expected) {
            QTest::newRow(tag) << test::list(mountPoints) << s(share) << s(expected);
        };
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
    }
    void forUnmount()
    {
        QFETCH(QStringList, mountPoints);
        QFETCH(QString, share);
        QFETCH(QString, expected);
        QList<MountEntry> mounts;
        for (const QString& mountPoint : mountPoints)
            mounts.append(MountEntry{s("//u@h/x on ") + mountPoint + s(" (smbfs)"), mountPoint, s("h")});
        QCOMPARE(ShareMountPoint::forUnmount(MacToolProfile(), mounts, share), expected);
    }

    void followsTheProfilesNameRules()
    {
        // GVFS folds letter case and never numbers a second mount.
        const GvfsProfile gvfs;
        QVERIFY(ShareMountPoint::belongsTo(gvfs, s("smb://h/public/"), s("Public")));
        QVERIFY(!ShareMountPoint::belongsTo(gvfs, s("smb://h/public-1/"), s("Public")));
        QVERIFY(!ShareMountPoint::belongsTo(MacToolProfile(), s("/Volumes/-1"), QString()));
    }
};

QTEST_GUILESS_MAIN(TestMountTable)
#include "tst_mount_table.moc"
