#include "mount/share_mount_point.h"
#include "platform/macos/mac_tool_profile.h"

#include <QTest>

using namespace tarnwick;

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

QList<MountEntry> mounts(const QStringList& mountPoints)
{
    QList<MountEntry> entries;
    for (const QString& mountPoint : mountPoints)
        entries.append(MountEntry{
            QStringLiteral("//u@h/x on ") + mountPoint + QStringLiteral(" (smbfs)"), mountPoint});
    return entries;
}

} // namespace

class TestShareMountPoint : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void forUnmount_data()
    {
        QTest::addColumn<QStringList>("mountPoints");
        QTest::addColumn<QString>("share");
        QTest::addColumn<QString>("expected");
        const QString media = QStringLiteral("Media");
        QTest::newRow("plain") << QStringList{QStringLiteral("/Volumes/Media")} << media
                               << QStringLiteral("/Volumes/Media");
        QTest::newRow("last matching line decides")
            << QStringList{QStringLiteral("/Volumes/Media"), QStringLiteral("/Volumes/Media-1")}
            << media << QStringLiteral("/Volumes/Media-1");
        QTest::newRow("later plain line wins over numbered")
            << QStringList{QStringLiteral("/Volumes/Media-1"), QStringLiteral("/Volumes/Media")}
            << media << QStringLiteral("/Volumes/Media");
        QTest::newRow("longer name is another share")
            << QStringList{QStringLiteral("/Volumes/Media"),
                           QStringLiteral("/Volumes/MediaArchive")}
            << media << QStringLiteral("/Volumes/Media");
        QTest::newRow("only a longer name: fallback")
            << QStringList{QStringLiteral("/Volumes/MediaArchive")} << media
            << QStringLiteral("/Volumes/Media");
        QTest::newRow("name inside a deeper path")
            << QStringList{QStringLiteral("/Volumes/Media/Sub")} << media
            << QStringLiteral("/Volumes/Media");
        QTest::newRow("elsewhere than the volumes root")
            << QStringList{QStringLiteral("/Users/me/mnt/Media")} << media
            << QStringLiteral("/Users/me/mnt/Media");
        QTest::newRow("hyphen without digits") << QStringList{QStringLiteral("/Volumes/Media-old")}
                                               << media << QStringLiteral("/Volumes/Media");
        QTest::newRow("share whose own name is numbered")
            << QStringList{QStringLiteral("/Volumes/Photos-2024"),
                           QStringLiteral("/Volumes/Photos-2024-1")}
            << QStringLiteral("Photos-2024") << QStringLiteral("/Volumes/Photos-2024-1");
        QTest::newRow("letter case differs") << QStringList{QStringLiteral("/Volumes/media")}
                                             << media << QStringLiteral("/Volumes/Media");
        QTest::newRow("nothing mounted")
            << QStringList{} << media << QStringLiteral("/Volumes/Media");
    }
    void forUnmount()
    {
        QFETCH(QStringList, mountPoints);
        QFETCH(QString, share);
        QFETCH(QString, expected);
        QCOMPARE(ShareMountPoint::forUnmount(MacToolProfile(), mounts(mountPoints), share),
                 expected);
    }

    void followsTheProfilesNameRules()
    {
        const CaseFoldingProfile profile;
        QVERIFY(ShareMountPoint::belongsTo(profile, QStringLiteral("/run/gvfs/x/public"),
                                           QStringLiteral("Public")));
        QVERIFY(!ShareMountPoint::belongsTo(profile, QStringLiteral("/run/gvfs/x/public-1"),
                                            QStringLiteral("Public")));
        QVERIFY(ShareMountPoint::belongsTo(MacToolProfile(), QStringLiteral("/Volumes/Caf\u00e9-3"),
                                           QStringLiteral("Cafe\u0301")));
        QVERIFY(!ShareMountPoint::belongsTo(MacToolProfile(), QStringLiteral("/Volumes/-1"),
                                            QString()));
    }
};

QTEST_GUILESS_MAIN(TestShareMountPoint)
#include "tst_share_mount_point.moc"
