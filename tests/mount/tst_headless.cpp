#include "fake_tool_rig.h"
#include "model/app_settings.h"
#include "model/share_store.h"
#include "mount/smb_volume_unmount.h"
#include "platform/linux/gvfs_profile.h"
#include "smb_rig.h"
#include "test_text.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <csignal>
#include <optional>

using namespace tarnwick;
using test::s;

// The real tarnwick binary in headless mode, driven from outside like an administrator would.
class TestHeadless : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QProcess m_engine;

    // Live processes whose command line contains needle (a zombie's reads empty).
    static QList<pid_t> processes(const QByteArray& needle)
    {
        QList<pid_t> found;
        for (const QString& pid : QDir(s("/proc")).entryList(QDir::Dirs)) {
            QFile cmdline(s("/proc/") + pid + s("/cmdline"));
            if (cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().contains(needle))
                found.append(pid.toInt());
        }
        return found;
    }

    void start(const QString& host, const QStringList& shares, const QStringList& args,
               const QString& key = {}, const QVariant& value = {},
               const std::optional<Server>& other = {})
    {
        const QString path = m_dir.filePath(s("tarnwick.conf"));
        QFile::remove(path);
        {
            auto settings = AppSettings::open(path);
            Server server = Server::create(s("Server"), host);
            for (const QString& name : shares)
                server.shares.append(Share::create(name));
            ShareStore(*settings).addServer(server);
            if (other)
                ShareStore(*settings).addServer(*other);
            if (!key.isEmpty())
                settings->setValue(key, value);
        }
        // Off the machine's system bus, so the output is the same on every machine.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(s("DBUS_SYSTEM_BUS_ADDRESS"), s("unix:path=/nonexistent/tarnwick-test-bus"));
        m_engine.setProcessEnvironment(env);
        m_engine.start(s(TARNWICK_BINARY),
                       QStringList{s("--headless"), s("--settings"), path} + args);
        QVERIFY(m_engine.waitForStarted());
    }
    void signalEngine(int number) { ::kill(pid_t(m_engine.processId()), number); }

private Q_SLOTS:
    void cleanup()
    {
        m_engine.kill(), m_engine.waitForFinished(); // none left by a failure
        if (QTest::currentTestFailed())              // the engine's own account of what it did
            qInfo().noquote() << m_engine.readAllStandardOutput()
                              << m_engine.readAllStandardError();
    }
    void mountsThenUnmountsOnQuitSignal_data()
    {
        QTest::addColumn<int>("signalNumber");
        QTest::addColumn<bool>("keepMounted");
        for (const int sig : {SIGTERM, SIGINT, SIGHUP})
            QTest::addRow("signal %d", sig) << sig << false;
        QTest::newRow("SIGTERM, keep mounted") << int(SIGTERM) << true;
    }
    void mountsThenUnmountsOnQuitSignal()
    {
        QFETCH(int, signalNumber);
        QFETCH(bool, keepMounted);
        test::FakeToolRig rig;
        rig.mountOnRequest();
        rig.addSmbMount(s("Foreign"), s("/Volumes/Foreign"));
        rig.setStatus(s("umount"), 16, 1); // a failure at quit does not stop the rest
        start(s("nas"), {s("Media")}, {s("--tool-root"), rig.root(), s("--time-scale"), s("0.01")},
              AppSettings::keepMountedOnQuitKey, keepMounted);
        QByteArray output; // the log goes to standard output
        QTRY_VERIFY_WITH_TIMEOUT((output += m_engine.readAllStandardOutput())
                                     .contains("[Tarnwick] [Media] mounted: true"),
                                 15000);
        QCOMPARE(output, QByteArray("[Tarnwick] No system bus: wake-ups and network changes "
                                    "wait for the mount timer\n"
                                    "[Tarnwick] [Media] mounting without credentials\n"
                                    "[Tarnwick] [Media] osascript exit: 0\n"
                                    "[Tarnwick] [Media] mounted: true\n"));
        QCOMPARE(rig.stdinOf(s("osascript"), 1), QByteArray("mount volume \"smb://nas/Media\""));

        signalEngine(signalNumber);
        QVERIFY(m_engine.waitForFinished(15000));
        QCOMPARE(std::pair(m_engine.exitStatus(), m_engine.exitCode()),
                 std::pair(QProcess::NormalExit, 0));
        QStringList unmounted = rig.allArgs(s("umount"));
        unmounted.sort(); // every SMB mount goes, also the one Tarnwick did not make
        QCOMPARE(unmounted,
                 keepMounted ? QStringList() : test::list("/Volumes/Foreign|/Volumes/Media"));
    }

    // The shares folder of the rig's home: a real folder with a share's name stays and that
    // share's link takes "(server)"; a link a crash left is removed at start; the links read
    // through, follow mounts made and removed outside, and go with the quit's unmount; a
    // second server's "Public" gets its own link to its own mount.
    void linksFollowMounts()
    {
        if (!test::SmbRig::available())
            QSKIP("needs tests/support/session-env.sh and smbd-rig.sh");
        QDir shares(QDir::home().filePath(s("Shares")));
        QVERIFY(shares.removeRecursively() && shares.mkpath(s("Team Docs")));
        const QString stale = shares.filePath(s("Private (Server)"));
        QVERIFY(QFile::link(GvfsProfile::fuseRoot() + s("/smb-share:server=gone"), stale));
        const QString bookmarks =
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
            s("/gtk-3.0/bookmarks");
        QVERIFY(QDir().mkpath(QFileInfo(bookmarks).path()));
        QFile marks(bookmarks);
        QVERIFY(marks.open(QIODevice::WriteOnly) && marks.write("file:///tmp Temp") > 0);
        marks.close();
        Server other = Server::create(s("Other"), test::SmbRig::host() + s(":4455"));
        other.shares.append(Share::create(s("Public")));
        start(test::SmbRig::host(), test::list("Public|Team Docs|Private"),
              {s("--time-scale"), s("0.1")}, {}, {}, other);
        const GvfsProfile gvfs;
        QTRY_COMPARE_WITH_TIMEOUT(gvfs.readSmbMounts().size(), 3, 30000);
        const QString team = shares.filePath(s("Team Docs"));
        // Which "Public" takes the plain name depends on which mount finished first.
        const auto links = [&] {
            return shares.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                .filter(QRegularExpression(s("^(Public|Team Docs \\()")));
        };
        QTRY_VERIFY(links().size() == 3);
        QTRY_VERIFY(!QFileInfo(stale).isSymLink());
        QStringList targets, linked;
        for (const MountEntry& mount : gvfs.readSmbMounts())
            targets.append(mount.localPath);
        for (const QString& link : links()) {
            QVERIFY(QFileInfo(shares.filePath(link)).isSymLink());
            linked.append(QFileInfo(shares.filePath(link)).symLinkTarget());
            if (!link.startsWith(s("Public")))
                continue;
            QFile readme(shares.filePath(link) + s("/readme.txt")); // the first read succeeds
            QVERIFY(readme.open(QIODevice::ReadOnly));
            QCOMPARE(readme.readAll(), QByteArray("Hello from the guest share\n"));
        }
        targets.sort(), linked.sort();
        QCOMPARE(linked, targets);
        QVERIFY(links().contains(s("Team Docs (Server)")));
        QVERIFY(marks.open(QIODevice::ReadOnly));
        QCOMPARE(marks.readAll(), "file:///tmp Temp"); // the user made that folder
        const QString pub =
            QFileInfo(shares.filePath(s("Public"))).symLinkTarget().contains(s("port=4455"))
                ? shares.filePath(s("Public (Server)"))
                : shares.filePath(s("Public"));
        QVERIFY(QFileInfo(team).isDir() && !QFileInfo(team).isSymLink());

        const QString location = s("smb://%1/public/").arg(test::SmbRig::host());
        for (const char* option : {"-u", "-a"}) { // as a file manager would
            QCOMPARE(QProcess::execute(s("gio"), {s("mount"), s(option), location}), 0);
            QTRY_COMPARE(QFileInfo(pub).isSymLink(), *(option + 1) == 'a');
        }
        // The folder moved in the settings file: the links move at once, and the folder
        // Tarnwick made is bookmarked once.
        AppSettings::open(m_dir.filePath(s("tarnwick.conf")))
            ->setValue(AppSettings::sharesFolderKey, s("Links"));
        QDir moved(QDir::home().filePath(s("Links")));
        QTRY_COMPARE(moved.entryList(QDir::System | QDir::AllEntries | QDir::NoDotAndDotDot).size(),
                     3);
        QTRY_COMPARE(shares.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot),
                     QStringList{s("Team Docs")});
        marks.close();
        QVERIFY(marks.open(QIODevice::ReadOnly));
        QCOMPARE(marks.readAll(),
                 "file:///tmp Temp\n" + QUrl::fromLocalFile(moved.path()).toEncoded() + " Links\n");
        signalEngine(SIGTERM);
        QVERIFY(m_engine.waitForFinished(30000));
        QVERIFY(moved.isEmpty(QDir::System | QDir::AllEntries | QDir::NoDotAndDotDot));
        QVERIFY(shares.removeRecursively() &&
                moved.removeRecursively()); // the rows after this start bare
    }

    // A server that stops answering (every smbd process stopped) while two shares are
    // mounted through GVFS and a mount of a third hangs; run under the Samba and session rigs.
    void quitOnFrozenServer_data()
    {
        QTest::addColumn<int>("followUp"); // sent while the quit-time `gio mount -u`s run
        QTest::newRow("SIGTERM") << 0;
        QTest::newRow("SIGTERM twice: ends at once") << int(SIGTERM);
        QTest::newRow("SIGKILL during the quit: no child outlives it") << int(SIGKILL);
    }
    void quitOnFrozenServer()
    {
        if (!test::SmbRig::available())
            QSKIP("needs tests/support/session-env.sh and smbd-rig.sh");
        QFETCH(int, followUp);
        start(test::SmbRig::host(), test::list("Public|Team Docs|Missing"),
              {s("--time-scale"), s("0.1")}, AppSettings::mountIntervalKey, 1); // cycles: 0.1 s
        const GvfsProfile gvfs;
        // Generous: on a loaded machine GVFS may still be ending the backends that an earlier
        // row froze before it mounts the same shares again.
        QTRY_COMPARE_WITH_TIMEOUT(gvfs.readSmbMounts().size(), 2, 60000);
        // Reported mounted (linked) only once the folders answered: no read is left in flight.
        const QDir shares(QDir::home().filePath(s("Shares")));
        QTRY_VERIFY(QFileInfo(shares.filePath(s("Public"))).isSymLink() &&
                    QFileInfo(shares.filePath(s("Team Docs"))).isSymLink());
        const QByteArray server = "smb://" + test::SmbRig::host().toUtf8();
        const QList<pid_t> smbd = processes(qgetenv("TARNWICK_SMB_ROOT") + "/smb.conf");
        QVERIFY(!smbd.isEmpty());
        for (pid_t pid : smbd)
            ::kill(pid, SIGSTOP);
        const auto thaw = qScopeGuard([&] {
            for (pid_t pid : smbd)
                ::kill(pid, SIGCONT);
            // The next row starts bare: no mount, and none of this row's left to GVFS.
            unmountAllSmbVolumes(gvfs, std::chrono::seconds(30));
            QTRY_VERIFY_WITH_TIMEOUT(gvfs.readSmbMounts().isEmpty(), 30000);
        });
        QTRY_VERIFY_WITH_TIMEOUT(!processes(server + "/Missing").isEmpty(), 15000);
        signalEngine(SIGTERM);
        // The engine ends the hung mount rather than waiting the 20 s it would take.
        QTRY_VERIFY(processes(server + "/Missing").isEmpty());
        if (followUp) {
            QTRY_COMPARE(processes(QByteArray("-u") + '\0' + server).size(), 2); // side by side
            signalEngine(followUp);
        }
        QVERIFY(m_engine.waitForFinished(30000));
        QCOMPARE(std::pair(m_engine.exitStatus(), m_engine.exitCode()),
                 std::pair(followUp ? QProcess::CrashExit : QProcess::NormalExit, followUp));
        QTRY_COMPARE(processes(server), QList<pid_t>()); // no gio of ours is left
        if (!followUp) // what the server held past the budget was detached, not left dead
            QTRY_VERIFY(gvfs.readSmbMounts().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestHeadless)
#include "tst_headless.moc"
