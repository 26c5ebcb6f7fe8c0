#include "fake_tool_rig.h"
#include "log_capture.h"
#include "mount/stale_mount_cleanup.h"
#include "platform/macos/mac_tool_profile.h"
#include "test_text.h"

#include <QDir>
#include <QFile>
#include <QTest>

using namespace tarnwick;
using test::s;

namespace {

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

    void run(const char* names)
    {
        StaleMountCleanup::run(MacToolProfile(m_rig->root()), test::list(names));
    }
    QString volume(const char* name) const { return m_rig->volumes() + u'/' + s(name); }

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
        for (const char* mountPoint : {"Media", "Projects-2", "Media-1", "-7", "Photos-2024x"})
            m_rig->addSmbMount(s("x"), s("/Volumes/") + s(mountPoint));
        m_rig->setStatus(s("umount"), 1, 1); // a failed unmount changes nothing for the rest

        run("Media");
        const QStringList unmounted =
            test::list("/Volumes/Projects-2|/Volumes/Media-1|/Volumes/-7");
        QCOMPARE(m_rig->allArgs(s("umount")), unmounted);
        QStringList lines;
        for (const QString& mountPoint : unmounted)
            lines.append(s("[Tarnwick] Cleaning up duplicate mount: ") + mountPoint);
        QCOMPARE(m_logs->lines(), lines);
        QCOMPARE(m_rig->callCount(s("rmdir")), 0);
    }

    void staleDirectories_data()
    {
        QTest::addColumn<QString>("content"); // "dir", "dir+file", "file", "" (nothing)
        QTest::addColumn<bool>("mounted");
        QTest::addColumn<bool>("removed");
        QTest::newRow("empty directory") << s("dir") << false << true;
        QTest::newRow("directory with a file") << s("dir+file") << false << false;
        QTest::newRow("a plain file") << s("file") << false << false;
        QTest::newRow("mounted share") << s("dir") << true << false;
        QTest::newRow("nothing there") << QString() << false << false;
    }
    void staleDirectories()
    {
        QFETCH(QString, content);
        QFETCH(bool, mounted);
        QFETCH(bool, removed);
        const QString path = volume("Media");
        if (content.startsWith(s("dir")))
            QVERIFY(QDir().mkdir(path));
        if (content.endsWith(s("file")))
            QVERIFY(
                QFile(content == s("file") ? path : path + s("/.x")).open(QIODevice::WriteOnly));
        if (mounted)
            m_rig->addSmbMount(s("Media"), s("/Volumes/Media"));

        run("Media");
        // rmdir is tried on whatever stands there, unless the share is mounted.
        const bool tried = !content.isEmpty() && !mounted;
        QCOMPARE(m_rig->allArgs(s("rmdir")), tried ? QStringList{path} : QStringList());
        QCOMPARE(QFileInfo::exists(path), !removed && !content.isEmpty());
        QCOMPARE(m_logs->lines(),
                 removed ? QStringList{s("[Tarnwick] Removed stale empty directory: ") + path}
                         : QStringList());
        QCOMPARE(m_rig->callCount(s("mount")), 2); // once per step
        QCOMPARE(m_rig->callCount(s("umount")), 0);
    }

    void tableIsReadAgainAndRepeatedNamesAreTriedAgain()
    {
        // Media is mounted at Media-1 only: once that duplicate is gone, Media's empty
        // directory is stale too. The second Media finds no directory left and runs nothing.
        QVERIFY(QDir().mkdir(volume("Media")) && QDir().mkdir(volume("Docs")));
        m_rig->addSmbMount(s("Media"), s("/Volumes/Media-1"));
        run("Media|Docs|Media");
        QCOMPARE(m_rig->allArgs(s("rmdir")), (QStringList{volume("Media"), volume("Docs")}));
        QCOMPARE(m_logs->lines(),
                 (QStringList{s("[Tarnwick] Cleaning up duplicate mount: /Volumes/Media-1"),
                              s("[Tarnwick] Removed stale empty directory: ") + volume("Media"),
                              s("[Tarnwick] Removed stale empty directory: ") + volume("Docs")}));
    }

    void systemWithoutNumberedMountsOrVolumesRootSkipsBothSteps()
    {
        m_rig->addSmbMount(s("Media"), s("/Volumes/Media-1"));
        QVERIFY(QDir().mkdir(volume("Docs")));
        StaleMountCleanup::run(NoVolumesProfile(m_rig->root()), {s("Docs")});
        QVERIFY(m_rig->allArgs().isEmpty());
        QCOMPARE(m_rig->callCount(s("mount")), 0);
    }
};

QTEST_GUILESS_MAIN(TestStaleMountCleanup)
#include "tst_stale_mount_cleanup.moc"
