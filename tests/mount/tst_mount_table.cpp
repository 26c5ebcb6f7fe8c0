#include "fake_tool_rig.h"
#include "mount/mount_table.h"
#include "platform/macos/mac_tool_profile.h"

#include <QTest>

using namespace tarnwick;

namespace {

const QString kMedia =
    QStringLiteral("//user@server/Media on /Volumes/Media (smbfs, nodev, nosuid, mounted by user)");

QSet<QString> names(const QString& table)
{
    return MountTable::shareNames(MountTable::parseSmbMounts(table), true);
}

} // namespace

class TestMountTable : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void mountPointAndNames_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QStringList>("mountPoints");
        QTest::addColumn<QStringList>("names");
        const auto smb = [](const QString& mountPoint) {
            return QStringLiteral("//u@h/x on %1 (smbfs, nodev, nosuid, mounted by u)")
                .arg(mountPoint);
        };
        const QStringList none;

        QTest::newRow("plain") << kMedia << QStringList{QStringLiteral("/Volumes/Media")}
                               << QStringList{QStringLiteral("Media")};
        QTest::newRow("extra spaces around mount point")
            << QStringLiteral("//u@h/Media on    /Volumes/Media \t  (smbfs)")
            << QStringList{QStringLiteral("/Volumes/Media")}
            << QStringList{QStringLiteral("Media")};
        QTest::newRow("numbered") << smb(QStringLiteral("/Volumes/Media-1"))
                                  << QStringList{QStringLiteral("/Volumes/Media-1")}
                                  << QStringList{QStringLiteral("Media"),
                                                 QStringLiteral("Media-1")};
        QTest::newRow("year-like")
            << smb(QStringLiteral("/Volumes/2024-12"))
            << QStringList{QStringLiteral("/Volumes/2024-12")}
            << QStringList{QStringLiteral("2024"), QStringLiteral("2024-12")};
        QTest::newRow("only digits after hyphen")
            << smb(QStringLiteral("/Volumes/-7")) << QStringList{QStringLiteral("/Volumes/-7")}
            << QStringList{QStringLiteral("-7")};
        QTest::newRow("last run only")
            << smb(QStringLiteral("/Volumes/Photos-2024-1"))
            << QStringList{QStringLiteral("/Volumes/Photos-2024-1")}
            << QStringList{QStringLiteral("Photos-2024"), QStringLiteral("Photos-2024-1")};
        QTest::newRow("paren inside mount point") << smb(QStringLiteral("/Volumes/Backup (old)"))
                                                  << QStringList{QStringLiteral("/Volumes/Backup")}
                                                  << QStringList{QStringLiteral("Backup")};
        QTest::newRow("trailing slash") << smb(QStringLiteral("/Volumes/Media/"))
                                        << QStringList{QStringLiteral("/Volumes/Media/")}
                                        << QStringList{QStringLiteral("Media")};
        QTest::newRow("space in mount point") << smb(QStringLiteral("/Volumes/Team Docs"))
                                              << QStringList{QStringLiteral("/Volumes/Team Docs")}
                                              << QStringList{QStringLiteral("Team Docs")};
        QTest::newRow("percent-encoded server part")
            << QStringLiteral("//anna%40corp@nas/Team%20Docs on /Volumes/Team Docs (smbfs, nodev)")
            << QStringList{QStringLiteral("/Volumes/Team Docs")}
            << QStringList{QStringLiteral("Team Docs")};
        QTest::newRow("mounted by missing")
            << QStringLiteral(
                   "//GUEST:@nas._smb._tcp.local/Public on /Volumes/Public (smbfs, nodev, nosuid)")
            << QStringList{QStringLiteral("/Volumes/Public")}
            << QStringList{QStringLiteral("Public")};
        QTest::newRow("paren inside server part")
            << QStringLiteral("//u@h (x)/Media on /Volumes/Media (smbfs)") << none << none;
        QTest::newRow("no ' on '")
            << QStringLiteral("//u@h/Media at /Volumes/Media (smbfs)") << none << none;
        QTest::newRow("no ' ('") << QStringLiteral("//u@h/Media on /Volumes/Media smbfs") << none
                                 << none;
        QTest::newRow("case-sensitive smbfs")
            << QStringLiteral("//u@h/M on /Volumes/M (SMBFS)") << none << none;
        QTest::newRow("other file systems")
            << QStringLiteral("/dev/disk3s1s1 on / (apfs, sealed, local, read-only, journaled)\n"
                              "map auto_home on /System/Volumes/Data/home (autofs, automounted)\n"
                              "afp_0TQZ on /Volumes/Old (afpfs, nodev, nosuid)\n"
                              "nas:/export on /Volumes/nfs (nfs)\n")
            << none << none;
        QTest::newRow("smbfs elsewhere counts")
            << QStringLiteral("afp on /Volumes/smbfs-copy (afpfs)")
            << QStringList{QStringLiteral("/Volumes/smbfs-copy")}
            << QStringList{QStringLiteral("smbfs-copy")};
        QTest::newRow("CRLF and Unicode separators")
            << kMedia + QStringLiteral("\r\n") + smb(QStringLiteral("/Volumes/A")) + QChar(0x2028) +
                   smb(QStringLiteral("/Volumes/B")) + QChar(0x2029) +
                   smb(QStringLiteral("/Volumes/C")) + QChar(0x85)
            << QStringList{QStringLiteral("/Volumes/Media"), QStringLiteral("/Volumes/A"),
                           QStringLiteral("/Volumes/B"), QStringLiteral("/Volumes/C")}
            << QStringList{QStringLiteral("Media"), QStringLiteral("A"), QStringLiteral("B"),
                           QStringLiteral("C")};
        QTest::newRow("non-breaking space trimmed")
            << QStringLiteral("//u@h/M on \u00a0/Volumes/M\u2003 (smbfs)")
            << QStringList{QStringLiteral("/Volumes/M")} << QStringList{QStringLiteral("M")};
        QTest::newRow("empty table") << QString() << none << none;
        QTest::newRow("root mount point")
            << smb(QStringLiteral("/")) << QStringList{QStringLiteral("/")} << none;
    }
    void mountPointAndNames()
    {
        QFETCH(QString, table);
        QFETCH(QStringList, mountPoints);
        QFETCH(QStringList, names);
        QStringList found;
        for (const MountEntry& entry : MountTable::parseSmbMounts(table))
            found.append(entry.mountPoint);
        QCOMPARE(found, mountPoints);
        QCOMPARE(::names(table), QSet<QString>(names.begin(), names.end()));
    }

    void numberedAliasesOnlyWhenAsked()
    {
        const auto mounts =
            MountTable::parseSmbMounts(QStringLiteral("//u@h/x on /Volumes/Media-1 (smbfs)"));
        QCOMPARE(MountTable::shareNames(mounts, false), QSet<QString>{QStringLiteral("Media-1")});
    }

    void profileReadsTheFakeMountTool()
    {
        test::FakeToolRig rig;
        rig.setMountTable(kMedia + u'\n' +
                          test::FakeToolRig::smbLine(QStringLiteral("Media"),
                                                     QStringLiteral("/Volumes/Media-1")));
        rig.setStderr(QStringLiteral("mount"), "mount: warning on /x (smbfs)\n");
        MacToolProfile profile(rig.root());
        const auto mounts = profile.readSmbMounts();
        QCOMPARE(mounts.size(), 2); // stderr is not part of the table
        QCOMPARE(mounts.at(1).mountPoint, QStringLiteral("/Volumes/Media-1"));
        QCOMPARE(profile.mountedShareNames(),
                 (QSet<QString>{QStringLiteral("Media"), QStringLiteral("Media-1")}));
        QCOMPARE(rig.callCount(QStringLiteral("mount")), 2);
        QCOMPARE(rig.args(QStringLiteral("mount"), 1), QStringList());
    }

    void invalidUtf8TableIsEmpty()
    {
        test::FakeToolRig rig;
        rig.setStdout(QStringLiteral("mount"), kMedia.toUtf8() + "\n\xff\xfe broken\n");
        QVERIFY(MacToolProfile(rig.root()).mountedShareNames().isEmpty());
    }

    void missingMountToolIsEmpty()
    {
        QVERIFY(MacToolProfile(QStringLiteral("/nonexistent")).mountedShareNames().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestMountTable)
#include "tst_mount_table.moc"
