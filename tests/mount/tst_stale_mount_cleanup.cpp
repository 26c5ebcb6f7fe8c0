#include "fake_tool_rig.h"
#include "log_capture.h"
#include "mount/stale_mount_cleanup.h"
#include "platform/macos/mac_tool_profile.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace tarnwick;

namespace {

const QString kMount = QStringLiteral("mount");
const QString kUmount = QStringLiteral("umount");
const QString kRmdir = QStringLiteral("rmdir");

// A profile without numbered duplicates and without a volumes root (as GVFS): the pass
// has nothing to do there.
class NoVolumesProfile : public MacToolProfile {
public:
    using MacToolProfile::MacToolProfile;
    bool mountsNumberedDuplicates() const override { return false; }
    QString volumesRoot() const override { return QString(); }
};

} // namespace

class TestStaleMountCleanup : public QObject {
    Q_OBJECT

    std::unique_ptr<test::FakeToolRig> m_rig;
    std::unique_ptr<test::LogCapture> m_logs;

    void run(const QStringList& names)
    {
        StaleMountCleanup::run(MacToolProfile(m_rig->root()), names);
    }
    QString volume(const QString& name) const { return m_rig->volumes() + u'/' + name; }
    QStringList argsOf(const QString& tool) const
    {
        QStringList all;
        for (int call = 1; call <= m_rig->callCount(tool); ++call)
            all += m_rig->args(tool, call);
        return all;
    }

private Q_SLOTS:
    void init()
    {
        m_rig = std::make_unique<test::FakeToolRig>();
        m_logs = std::make_unique<test::LogCapture>();
    }
    void cleanup()
    {
        m_logs.reset();
        m_rig.reset();
    }

    void duplicateMountsAreUnmountedWithALogLine()
    {
        m_rig->addSmbMount(QStringLiteral("Media"), QStringLiteral("/Volumes/Media"));
        m_rig->addSmbMount(QStringLiteral("Projects"), QStringLiteral("/Volumes/Projects-2"));
        m_rig->addSmbMount(QStringLiteral("Media"), QStringLiteral("/Volumes/Media-1"));
        m_rig->addSmbMount(QStringLiteral("x"), QStringLiteral("/Volumes/-7"));
        m_rig->addSmbMount(QStringLiteral("Photos"), QStringLiteral("/Volumes/Photos-2024x"));
        m_rig->setStatus(kUmount, 1, 1); // a failed unmount changes nothing for the rest

        run({QStringLiteral("Media")});

        QCOMPARE(argsOf(kUmount),
                 (QStringList{QStringLiteral("/Volumes/Projects-2"),
                              QStringLiteral("/Volumes/Media-1"), QStringLiteral("/Volumes/-7")}));
        QCOMPARE(m_logs->lines(),
                 (QStringList{
                     QStringLiteral("[Tarnwick] Cleaning up duplicate mount: /Volumes/Projects-2"),
                     QStringLiteral("[Tarnwick] Cleaning up duplicate mount: /Volumes/Media-1"),
                     QStringLiteral("[Tarnwick] Cleaning up duplicate mount: /Volumes/-7")}));
        QCOMPARE(m_rig->callCount(kRmdir), 0); // Media is mounted; no directory to clear anyway
    }

    void staleDirectories_data()
    {
        QTest::addColumn<QString>("content"); // "dir", "dir+file", "file", "" (nothing)
        QTest::addColumn<bool>("mounted");
        QTest::addColumn<int>("rmdirRuns");
        QTest::addColumn<bool>("removed");
        QTest::newRow("empty directory") << QStringLiteral("dir") << false << 1 << true;
        QTest::newRow("directory with a file") << QStringLiteral("dir+file") << false << 1 << false;
        QTest::newRow("a plain file") << QStringLiteral("file") << false << 1 << false;
        QTest::newRow("mounted share") << QStringLiteral("dir") << true << 0 << false;
        QTest::newRow("nothing there") << QString() << false << 0 << false;
    }
    void staleDirectories()
    {
        QFETCH(QString, content);
        QFETCH(bool, mounted);
        QFETCH(int, rmdirRuns);
        QFETCH(bool, removed);
        const QString path = volume(QStringLiteral("Media"));
        if (content.startsWith(QStringLiteral("dir")))
            QVERIFY(QDir().mkdir(path));
        if (content.endsWith(QStringLiteral("file"))) {
            QFile file(content == QStringLiteral("file") ? path : path + QStringLiteral("/.x"));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        if (mounted)
            m_rig->addSmbMount(QStringLiteral("Media"), QStringLiteral("/Volumes/Media"));

        run({QStringLiteral("Media")});

        QCOMPARE(m_rig->callCount(kRmdir), rmdirRuns);
        if (rmdirRuns)
            QCOMPARE(m_rig->args(kRmdir, 1), QStringList{path});
        QCOMPARE(QFileInfo::exists(path), !removed && !content.isEmpty());
        const QStringList expected =
            removed
                ? QStringList{QStringLiteral("[Tarnwick] Removed stale empty directory: ") + path}
                : QStringList{};
        QCOMPARE(m_logs->lines(), expected);
    }

    void nameConfiguredTwiceIsTriedTwice()
    {
        QVERIFY(QDir().mkdir(volume(QStringLiteral("Media"))));
        QVERIFY(QDir().mkdir(volume(QStringLiteral("Docs"))));
        run({QStringLiteral("Media"), QStringLiteral("Docs"), QStringLiteral("Media")});
        // The second Media finds no directory left and runs nothing.
        QCOMPARE(argsOf(kRmdir),
                 (QStringList{volume(QStringLiteral("Media")), volume(QStringLiteral("Docs"))}));
        QCOMPARE(m_logs->lines().size(), 2);
    }

    void numberedMountCountsForThePlainName()
    {
        // Media mounted at Media-1: the duplicate goes, and the table is read again after
        // that, so the now unmounted Media's empty directory is cleared as well.
        QVERIFY(QDir().mkdir(volume(QStringLiteral("Media"))));
        m_rig->addSmbMount(QStringLiteral("Media"), QStringLiteral("/Volumes/Media-1"));
        run({QStringLiteral("Media")});
        QCOMPARE(argsOf(kUmount), QStringList{QStringLiteral("/Volumes/Media-1")});
        QCOMPARE(argsOf(kRmdir), QStringList{volume(QStringLiteral("Media"))});
    }

    void nothingToDoReadsTheTableTwice()
    {
        run({QStringLiteral("Media"), QStringLiteral("Docs")});
        QCOMPARE(m_rig->callCount(kMount), 2);
        QCOMPARE(m_rig->callCount(kUmount), 0);
        QCOMPARE(m_rig->callCount(kRmdir), 0);
        QVERIFY(m_logs->lines().isEmpty());
    }

    void systemWithoutNumberedMountsOrVolumesRootSkipsBothSteps()
    {
        m_rig->addSmbMount(QStringLiteral("Media"), QStringLiteral("/Volumes/Media-1"));
        QVERIFY(QDir().mkdir(volume(QStringLiteral("Docs"))));
        StaleMountCleanup::run(NoVolumesProfile(m_rig->root()), {QStringLiteral("Docs")});
        QCOMPARE(m_rig->callCount(kMount), 0);
        QCOMPARE(m_rig->callCount(kUmount), 0);
        QCOMPARE(m_rig->callCount(kRmdir), 0);
    }
};

QTEST_GUILESS_MAIN(TestStaleMountCleanup)
#include "tst_stale_mount_cleanup.moc"
