#include "mount/mount_table.h"
#include "mount/share_mount_point.h"
#include "mount/share_name.h"
#include "platform/linux/gio_command.h"
#include "platform/linux/gvfs_profile.h"
#include "platform/macos/mac_tool_profile.h"
#include "test_text.h"

#include <QTest>

using namespace tarnwick;
using test::s;
using Reason = ShareStatus::Reason;

// The pure rules of the engine and its profiles: reading the mount table, finding a share's
// mount in it, which names are usable, GVFS locations and gio's command lines and answers.
class TestMountRules : public QObject {
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
        row("blanks around mount point", s("//u@h/M on  \u00a0/Volumes/M\t\u2003 (smbfs)"),
            "/Volumes/M", "M");
        row("last run of digits only", smb("/Volumes/Photos-2024-1"), "/Volumes/Photos-2024-1",
            "Photos-2024|Photos-2024-1");
        row("only digits after hyphen", smb("/Volumes/-7"), "/Volumes/-7", "-7");
        row("paren inside mount point", smb("/Volumes/Backup (old)"), "/Volumes/Backup", "Backup");
        row("trailing slash", smb("/Volumes/Media/"), "/Volumes/Media/", "Media");
        row("root mount point", smb("/"), "/", "");
        row("paren inside server part", s("//u@h (x)/Media on /Volumes/Media (smbfs)"), "", "");
        row("no ' on '", s("//u@h/Media at /Volumes/Media (smbfs)"), "", "");
        row("no ' ('", s("//u@h/Media on /Volumes/Media smbfs"), "", "");
        row("case-sensitive smbfs, other file systems",
            s("//u@h/M on /Volumes/M (SMBFS)\nafp_0TQZ on /Volumes/Old (afpfs, nodev)"), "", "");
        row("smbfs anywhere in the line counts", s("afp on /Volumes/smbfs-copy (afpfs)"),
            "/Volumes/smbfs-copy", "smbfs-copy");
        row("line breaks of every kind",
            smb("/Volumes/A") + s("\r\n") + smb("/Volumes/B") + QChar(0x2028) + smb("/Volumes/C") +
                QChar(0x2029) + smb("/Volumes/D-1") + QChar(0x85),
            "/Volumes/A|/Volumes/B|/Volumes/C|/Volumes/D-1", "A|B|C|D|D-1");
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
        QVERIFY(!MountTable::shareNames(mounts, false).contains(s("D")));
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
        row("longer name or deeper path is another share", "/Volumes/MediaArchive|/Volumes/Media/S",
            "Media", "/Volumes/Media");
        row("hyphen without digits", "/Volumes/Media-old", "Media", "/Volumes/Media");
        row("share whose own name is numbered", "/Volumes/Photos-2024|/Volumes/Photos-2024-1",
            "Photos-2024", "/Volumes/Photos-2024-1");
        row("canonically equal", "/Volumes/Caf\u00e9-3", "Cafe\u0301", "/Volumes/Caf\u00e9-3");
    }
    void forUnmount()
    {
        QFETCH(QStringList, mountPoints);
        QFETCH(QString, share);
        QFETCH(QString, expected);
        QList<MountEntry> mounts;
        for (const QString& mountPoint : mountPoints)
            mounts.append(
                MountEntry{s("//u@h/x on ") + mountPoint + s(" (smbfs)"), mountPoint, {}});
        QCOMPARE(ShareMountPoint::forUnmount(MacToolProfile(), mounts, share), expected);
        // Without a volumes root there is nothing to fall back on.
        QCOMPARE(ShareMountPoint::forUnmount(GvfsProfile(), {}, share), QString());
    }

    void hostsAndNames()
    {
        for (const char* line : {"//anna@NAS.local/x on /V/x (smbfs)", "//nas.local:4450/x on /V"})
            QCOMPARE(MountTable::hostOf(s(line)), s("nas.local"));
        QCOMPARE(MountTable::hostKey(s("[fe80::1]:445")), s("fe80::1"));
        QCOMPARE(MountTable::hostKey(s("fe80::1")), s("fe80::1"));
        for (const char* bad : {"", ".", "..", "a/b", "x\ny", "tab\t", "\u2028"})
            QVERIFY2(!ShareName::isUsable(s(bad)), bad);
        for (const char* good : {"...", "Team Docs", "a\\b", "Caf\u00e9"})
            QVERIFY2(ShareName::isUsable(s(good)), good);
        QCOMPARE(ShareName::escaped(s("a\"b\\\n")), s("\"a\\\"b\\\\\\x0a\""));
    }

    void gioCommands()
    {
        const Credentials login{s("j\u00fcrgen k@corp"), s("p@ss: w\u00f6rd"), s("CORP")};
        QCOMPARE(GioCommand::mountArgs(s("fe80::2"), s("x"), std::nullopt),
                 test::list("mount|-a|smb://[fe80::2]/x"));
        QCOMPARE(GioCommand::mountArgs(s("nas"), s("Team Docs"), login), // never the password
                 test::list("mount|smb://j%C3%BCrgen%20k%40corp@nas/Team%20Docs"));
        QCOMPARE(GioCommand::mountAnswers(login), QByteArray("CORP\np@ss: w\xC3\xB6rd\n"));
        QCOMPARE(GioCommand::mountAnswers(std::nullopt), QByteArray());
        QCOMPARE(GioCommand::unmountArgs(s("smb://CORP;anna b@nas:4450/100% #1/")),
                 test::list("mount|-u|smb://CORP;anna%20b@nas:4450/100%25%20%231/"));
    }

    // What gio 2.74 with GVFS 1.50 prints (C locale) for each way a mount fails.
    void gioFailures_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<bool>("withLogin");
        QTest::addColumn<Reason>("reason");
        const QString ask = s("Authentication Required\nEnter password for share \u201cp\u201d on "
                              "\u201ch\u201d:\nDomain [WORKGROUP]: ");
        QTest::newRow("asked again after our login")
            << ask + s("Password: \n") + ask + s("\n") << true << Reason::LoginRefused;
        QTest::newRow("asked once without a login") << ask << false << Reason::LoginRefused;
        QTest::newRow("anonymous access denied")
            << s("gio: smb://h/p/: Anonymous access denied\n") << false << Reason::LoginRefused;
        QTest::newRow("one round with our login, then another error")
            << ask + s("Password: \ngio: smb://h/p/: Connection timed out\n") << true
            << Reason::None;
        QTest::newRow("no such share")
            << s("gio: smb://h/n/: Failed to mount Windows share: No such file or directory\n")
            << true << Reason::NoSuchShare;
    }
    void gioFailures()
    {
        QFETCH(QString, output);
        QFETCH(bool, withLogin);
        QFETCH(Reason, reason);
        QCOMPARE(GioCommand::failureOf(output, withLogin), reason);
    }
};

QTEST_GUILESS_MAIN(TestMountRules)
#include "tst_mount_rules.moc"
