#include "log_capture.h"
#include "model/app_settings.h"
#include "model/share_store.h"
#include "mount/mount_manager.h"
#include "mount/share_mounts.h"
#include "mount/share_status_log.h"
#include "mount/smb_volume_unmount.h"
#include "mount/system_event_wiring.h"
#include "platform/linux/gvfs_profile.h"
#include "platform/linux/linux_system_events.h"
#include "platform/unix/tcp_probe.h"
#include "smb_rig.h"
#include "test_text.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <arpa/inet.h>
#include <fcntl.h>
#include <sched.h>
#include <thread>
#include <unistd.h>

using namespace tarnwick;
using namespace std::chrono_literals;
using test::s;
using test::SmbRig;
using Reason = ShareStatus::Reason;

namespace {

bool sh(const QString& command)
{
    return QProcess::execute(s("sh"), {s("-c"), command}) == 0;
}

// A call to the Secret Service on the session bus; its error, empty when it answered.
QString secrets(const QString& interface, const QString& method, const QVariantList& args)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        s("org.freedesktop.secrets"), s("/org/freedesktop/secrets"), interface, method);
    call.setArguments(args);
    return QDBusConnection::sessionBus().call(call).errorMessage();
}

QString readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// A UDP socket in the network namespace netns (a /proc/PID/ns/net) that receives what is
// sent to address:port there, and only that; -1 on failure.
int udpSocketIn(const QString& netns, const char* address, quint16 port)
{
    int fd = -1;
    // Only this short-lived thread enters the namespace; the socket stays in it.
    std::thread([&] {
        const int ns = open(netns.toLocal8Bit().constData(), O_RDONLY | O_CLOEXEC);
        const sockaddr_in at{AF_INET, htons(port), {inet_addr(address)}, {}};
        if (ns >= 0 && setns(ns, CLONE_NEWNET) == 0 &&
            (fd = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0)) >= 0 &&
            bind(fd, reinterpret_cast<const sockaddr*>(&at), sizeof at) != 0)
            close(fd), fd = -1;
        close(ns);
    }).join();
    return fd;
}

// A FILE credential cache (format 4, big-endian) of anna@LOCAL with a ticket-granting
// ticket that ends at end: klist reads it without a KDC.
QByteArray credentialCache(const QDateTime& end)
{
    const QByteArray anna = QByteArray::fromHex("00000001 00000001 00000005") + "LOCAL" +
                            QByteArray::fromHex("00000004") + "anna";
    QByteArray times; // auth, start, end and renewal; a one-byte key goes before them
    QDataStream(&times, QIODevice::WriteOnly)
        << quint32(0) << quint32(0) << quint32(end.toSecsSinceEpoch()) << quint32(0);
    return QByteArray::fromHex("0504 0000") + anna + anna +
           QByteArray::fromHex("00000001 00000002 00000005") + "LOCAL" +
           QByteArray::fromHex("00000006") + "krbtgt" + QByteArray::fromHex("00000005") + "LOCAL" +
           QByteArray::fromHex("0012 00000001") + "k" + times +
           QByteArray::fromHex("00 00000000 00000000 00000000 00000001") + "t" +
           QByteArray::fromHex("00000000");
}

} // namespace

// The GVFS profile, alone and under the mount engine, against a real Samba
// (tests/support/smbd-rig.sh), the real GVFS with gvfsd-fuse and a real GNOME Keyring on a
// private session bus (session-env.sh), all in a private network namespace with an
// avahi-daemon for .local names (avahi-env.sh), where the test may drop packets and ICMP echo.
class TestGvfsProfile : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::shared_ptr<const GvfsProfile> m_profile;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<ShareStore> m_store;
    std::unique_ptr<test::LogCapture> m_logs;
    QProcess m_smb1Rig; // a second Samba beside the first that speaks only SMB1
    QString m_smb1Host;
    QProcess m_mdnsName;     // "rig.local" for the rig's address while it runs
    QProcess m_sleepingHost; // holds the network namespace of the server woken by wakeOnLan
    QProcess m_wokenRig;     // its Samba, once woken
    int m_wakeSocket = -1;   // port 9 there

    // A manager over the store, after adding a server of the rig with these shares (if any).
    std::unique_ptr<MountManager> manager(const char* shares, const QString& host = SmbRig::host())
    {
        Server server = Server::create(s("Rig ") + host, host);
        for (const QString& name : test::list(shares))
            server.shares.append(Share::create(name));
        if (*shares)
            m_store->addServer(server);
        MountTiming timing;
        timing.startupDelay = timing.defaultInterval = timing.refreshPeriod = 1h;
        timing.pollSchedule = QList<std::chrono::milliseconds>(8, 50ms);
        return std::make_unique<MountManager>(*m_store, m_profile, *m_settings, nullptr, timing);
    }
    // The share of that name of the first server that has one.
    ShareKey key(const char* name) const
    {
        for (const Server& server : m_store->servers()) {
            for (const Share& share : server.shares) {
                if (share.name.compare(s(name), Qt::CaseInsensitive) == 0)
                    return ShareKey::of(server, share);
            }
        }
        return {};
    }
    // Runs one cycle to its end, then waits until the shares named are mounted.
    bool cycle(MountManager& m, const char* mounted = "") const
    {
        QSignalSpy finished(&m, &MountManager::cycleFinished);
        m.mountAll();
        if (!finished.wait(60000))
            return false;
        return QTest::qWaitFor(
            [&] {
                for (const QString& share : test::list(mounted)) {
                    if (!m.isMounted(key(share.toUtf8().constData())))
                        return false;
                }
                return m.busyShares().isEmpty();
            },
            20000);
    }
    bool logged(const char* share, const QString& message) const
    {
        return m_logs->contains(s("[Tarnwick] [%1] %2").arg(s(share), message));
    }
    int gioMounts() const
    {
        return int(readAll(m_dir.filePath(s("gio.log")))
                       .count(QRegularExpression(s("mount (-a )?smb://"))));
    }
    static int failedLogons()
    {
        int count = 0;
        for (const QFileInfo& log :
             QDir(qEnvironmentVariable("TARNWICK_SMB_ROOT") + s("/log")).entryInfoList(QDir::Files))
            count += int(readAll(log.filePath()).count(s("NT_STATUS_WRONG_PASSWORD")));
        return count;
    }
    static QString fusePathOf(const MountEntry& entry)
    {
        return entry.line.mid(entry.line.indexOf(s(" at /")) + 4);
    }
    QString publicFusePath() const
    {
        for (const MountEntry& entry : m_profile->readSmbMounts()) {
            if (entry.mountPoint.endsWith(s("/public/")))
                return fusePathOf(entry);
        }
        return {};
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (!SmbRig::available() || qEnvironmentVariableIsEmpty("TARNWICK_NETNS"))
            QFAIL("needs avahi-env.sh, session-env.sh and smbd-rig.sh around it");
        // gio and klist behind wrappers that log every command line, so runs can be counted.
        for (const char* tool : {"gio", "klist"}) {
            QVERIFY(sh(s("printf '#!/bin/sh\\necho \"$*\" >>%1.log\\nexec %2 \"$@\"\\n' >%1 && "
                         "chmod +x %1")
                           .arg(m_dir.filePath(s(tool)), s(tool))));
        }
        m_profile =
            std::make_shared<GvfsProfile>(m_dir.filePath(s("gio")), s("ping"), s("smbclient"),
                                          QString(), m_dir.filePath(s("klist")));
        // The protocol is a server-wide setting; the rig stays up until its input ends.
        const QString rig = qEnvironmentVariable("TARNWICK_SOURCE_DIR") + s("/tests/support/");
        m_smb1Rig.start(s("bash"),
                        {rig + s("smbd-rig.sh"), s("--extra-conf"), rig + s("smb1-only.conf"),
                         s("sh"), s("-c"), s("echo $TARNWICK_SMB_HOST && exec cat >/dev/null")});
        QVERIFY(m_smb1Rig.waitForReadyRead(20000));
        m_smb1Host = QString::fromUtf8(m_smb1Rig.readLine()).trimmed();
        m_mdnsName.start(s("avahi-publish"), {s("-a"), s("-R"), s("rig.local"), SmbRig::host()});
        QTRY_VERIFY_WITH_TIMEOUT(sh(s("getent hosts rig.local >/dev/null")), 10000);
        // Rules ahead of the local table, so one can drop what goes to the rig's address.
        QVERIFY(sh(s("ip rule add pref 100 table local && ip rule del pref 0")));
    }
    void cleanupTestCase()
    {
        m_smb1Rig.closeWriteChannel();
        QVERIFY(m_smb1Rig.waitForFinished());
    }
    void init()
    {
        QVERIFY(SmbRig::clearLogins(SmbRig::host()));
        m_settings = AppSettings::open(m_dir.filePath(s(QTest::currentTestFunction()) +
                                                      QString::fromUtf8(QTest::currentDataTag())));
        m_store = std::make_unique<ShareStore>(*m_settings);
        m_logs = std::make_unique<test::LogCapture>();
        QFile::remove(m_dir.filePath(s("gio.log")));
        QFile::remove(m_dir.filePath(s("klist.log")));
    }
    void cleanup()
    {
        sh(s("ip rule del pref 10 2>/dev/null; sysctl -qw net.ipv4.icmp_echo_ignore_all=0"));
        m_logs.reset(), m_store.reset(), m_settings.reset();
        unmountAllSmbVolumes(*m_profile); // the quit-time unmount, checked after every test
        QTRY_VERIFY(m_profile->readSmbMounts().isEmpty()); // gvfsd forgets it a moment later
        if (m_wakeSocket >= 0)
            close(m_wakeSocket), m_wakeSocket = -1;
        m_wokenRig.closeWriteChannel();
        m_wokenRig.waitForFinished();
        m_sleepingHost.kill(); // its namespace goes, and with it the veth pair
        m_sleepingHost.waitForFinished();
    }

    // Items stored the way a file manager does, read back from the real keyring.
    void secretLookups()
    {
        QVERIFY(SmbRig::storeLogin(s("nas.local"), s("J\u00fcrgen"), "p@ss \"q\" =\nx:"));
        QVERIFY(SmbRig::storeLogin(s("nas"), s("anna"), ""));
        const auto found = m_profile->storedLogin(s("nas.local"));
        QVERIFY(found && found->user == s("J\u00fcrgen") &&
                found->password == s("p@ss \"q\" =\nx:"));
        QVERIFY(m_logs->lines().isEmpty());         // the quiet lookup
        QVERIFY(!m_profile->storedLogin(s("nas"))); // exact server; an empty password is none
        QCOMPARE(m_profile->storedLogin(s("nas.local:4455")).value_or(Credentials{}).user,
                 s("J\u00fcrgen")); // the item names the host without its port
        QVERIFY(!m_profile->lookupKeychainCredentials(s("unknown.example")));
        QVERIFY(m_profile->lookupKeychainCredentials(s("nas.local")));
        QCOMPARE(m_logs->lines(),
                 QStringList{s("[Tarnwick] [Keychain] found 'J\u00fcrgen' for nas.local")});
    }

    // Every form of host text mounts; each way the server refuses has its reason.
    void mountAndReadThroughFuse_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("share");
        QTest::addColumn<QString>("serverDir");
        QTest::addColumn<QString>("password"); // empty: anonymous
        QTest::addColumn<QString>("location"); // empty: refused
        QTest::addColumn<Reason>("failure");
        const auto row = [](const char* tag, const QString& host, const char* share,
                            const QString& password, Reason failure, const QString& dir = {},
                            const QString& at = {}) {
            QTest::newRow(tag) << host << s(share) << dir << password << at << failure;
        };
        const QString rig = SmbRig::host(), public_ = SmbRig::publicDir();
        row("guest share", rig, "Public", {}, Reason::None, public_,
            s("smb://%1/public/").arg(rig));
        row("password share", rig, "Private", SmbRig::password(), Reason::None,
            SmbRig::privateDir(), s("smb://%1@%2/private/").arg(SmbRig::user(), rig));
        row("other port", rig + s(":4455"), "Public", {}, Reason::None, public_,
            s("smb://%1:4455/public/").arg(rig));
        row("IPv6 and port", s("[::1]:4455"), "Team Docs", {}, Reason::None, SmbRig::teamDir(),
            s("smb://[::1]:4455/team docs/"));
        row("bare IPv6", s("::1"), "Public", {}, Reason::None, public_, s("smb://[::1]/public/"));
        row("mDNS name", s("rig.local"), "Public", {}, Reason::None, public_,
            s("smb://rig.local/public/"));
        // gio gives up at the end of its input instead of asking again: these return.
        row("wrong password", rig, "Private", s("wrong"), Reason::LoginRefused);
        row("password share, anonymous", rig, "Private", {}, Reason::LoginRefused);
        row("share closed to the login", rig, "Staff", SmbRig::password(), Reason::AccessDenied);
        row("no such share", rig, "Nope", {}, Reason::NoSuchShare);
        row("SMB1-only server", m_smb1Host, "Public", {}, Reason::ProtocolUnsupported);
        row("nothing on the port", rig + s(":1"), "Public", {}, Reason::ConnectionRefused);
        row("unknown host", s("no-such-host.invalid"), "Public", {}, Reason::HostNotFound);
    }
    void mountAndReadThroughFuse()
    {
        QFETCH(QString, host);
        QFETCH(QString, share);
        QFETCH(QString, serverDir);
        QFETCH(QString, password);
        QFETCH(QString, location);
        std::optional<Credentials> login;
        if (!password.isEmpty())
            login = Credentials{SmbRig::user(), password, QString()};
        const MountAttempt attempt = m_profile->requestMount(host, share, {login});
        QCOMPARE(attempt.status == 0, !location.isEmpty());
        QTEST(attempt.failure, "failure");
        QCOMPARE(ShareMounts::find(*m_profile, m_profile->readSmbMounts(), host, share).has_value(),
                 attempt.status == 0);
        if (attempt.status != 0)
            return;
        const QList<MountEntry> mounts = m_profile->readSmbMounts();
        QCOMPARE(mounts.size(), 1);
        QCOMPARE(mounts.at(0).mountPoint, location);
        QCOMPARE(mounts.at(0).host, MountTable::hostKey(host));

        // The entry names the gvfsd-fuse directory; a file the server side writes now is
        // read through it.
        const QByteArray content = QUuid::createUuid().toByteArray();
        QFile written(serverDir + s("/fresh.txt"));
        QVERIFY(written.open(QIODevice::WriteOnly) && written.write(content) == content.size());
        written.close();
        QCOMPARE(readAll(fusePathOf(mounts.at(0)) + s("/fresh.txt")), QString::fromUtf8(content));
    }

    // A refused login is tried once per stored secret (the server counts the same failed
    // logons over five cycles); a new password is used by the next cycle.
    void engineHoldsRefusedLoginsThenMountsAndUnmounts()
    {
        QVERIFY(SmbRig::storeLogin(SmbRig::host(), SmbRig::user(), "not-the-password"));
        auto m = manager("Public|Private|Team Docs");
        const int before = failedLogons();
        QVERIFY(cycle(*m));
        const int oneRound = failedLogons() - before; // GVFS makes two logons of one try
        for (int i = 0; i < 4; ++i)
            QVERIFY(cycle(*m));
        QVERIFY(oneRound > 0);
        QCOMPARE(failedLogons() - before, oneRound);
        QCOMPARE(gioMounts(), 3); // a wrong password fails for guest shares too
        QCOMPARE(m_logs->lines().filter(s("login refused; waiting for a new password")).size(), 3);
        const ShareStatus refused = m->statusOf(key("private"));
        QCOMPARE(refused.reason, Reason::LoginRefused);
        QVERIFY(refused.lastAttempt.isValid() && refused.toolStatus != 0);

        m_logs->clear();
        QVERIFY(SmbRig::storeLogin(SmbRig::host(), SmbRig::user(), SmbRig::password().toUtf8()));
        QVERIFY(cycle(*m, "Public|Private|Team Docs"));
        QCOMPARE(failedLogons() - before, oneRound);
        const QString user = SmbRig::user();
        // The login belongs to the host: one lookup per share.
        QCOMPARE(m_logs->lines().count(
                     s("[Tarnwick] [Keychain] found '%1' for %2").arg(user, SmbRig::host())),
                 3);
        for (const char* share : {"Public", "Private", "Team Docs"}) {
            QVERIFY(logged(share, s("mounting with credentials for '%1'").arg(user)));
            QVERIFY(logged(share, s("gio exit: 0")) && logged(share, s("mounted: true")));
            QCOMPARE(m->statusOf(key(share)).state, ShareStatus::State::Mounted);
        }
        for (const QString& secret : {SmbRig::password(), s("not-the-password")})
            QVERIFY(m_logs->lines().filter(secret).isEmpty());

        // The next cycle finds everything mounted (GVFS folds the names) and asks for nothing.
        m_logs->clear();
        QVERIFY(cycle(*m, "Public|Private|Team Docs"));
        QVERIFY(m_logs->lines().isEmpty());

        m->unmountShare(key("Team Docs"));
        QTRY_VERIFY(!m->isMounted(key("Team Docs")) && m->busyShares().isEmpty());
        QCOMPARE(m_profile->readSmbMounts().size(), 2);
    }

    // Packets to the server dropped: one lost probe detaches nothing, the second detaches,
    // and the old FUSE path answers at once; once packets flow the share comes back.
    void deadServerIsDetachedAndComesBack()
    {
        auto m = manager("Public|Team Docs");
        QVERIFY(cycle(*m, "Public|Team Docs"));
        const QString fuse = publicFusePath();
        QVERIFY(sh(s("ip rule add pref 10 to %1 blackhole").arg(SmbRig::host())));

        QVERIFY(cycle(*m));
        QVERIFY(m->isMounted(key("Public")) && m->isMounted(key("Team Docs")));
        QCOMPARE(m_profile->readSmbMounts().size(), 2);
        QCOMPARE(m->statusOf(key("public")).state, ShareStatus::State::Mounted);
        QVERIFY(cycle(*m));
        QTRY_VERIFY(m->mountedVolumes().isEmpty());
        QVERIFY(m_profile->readSmbMounts().isEmpty());
        QVERIFY(logged("public", s("server not answering; detached: true")));
        QCOMPARE(m->statusOf(key("public")).reason, Reason::ServerUnreachable);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!QFileInfo::exists(fuse + s("/readme.txt")));
        QVERIFY2(clock.elapsed() < 5000, "a detached mount must not block"); // hang guard

        QVERIFY(sh(s("ip rule del pref 10")));
        QVERIFY(cycle(*m, "Public|Team Docs"));
        // gvfsd-fuse fails the first access after a new mount; the engine has taken that one.
        QCOMPARE(readAll(publicFusePath() + s("/readme.txt")), s("Hello from the guest share\n"));
    }

    // Reachable means SMB's port (or the one given) accepts, or the host answers ping; a
    // host without echo replies (Windows' default) is still mounted.
    void reachability()
    {
        const QString host = SmbRig::host();
        QVERIFY(sh(s("sysctl -qw net.ipv4.icmp_echo_ignore_all=1")));
        for (const QString& text : {host, host + s(":4455"), s("[::1]:4455"), s("::1")})
            QVERIFY2(m_profile->isHostReachable(text), qPrintable(text));
        for (const QString& text : {host + s(":1"), s("-c1"), s("no-such-host.invalid")})
            QVERIFY2(!m_profile->isHostReachable(text), qPrintable(text));
        auto m = manager("Public");
        QVERIFY(cycle(*m, "Public"));
        QVERIFY(sh(s("sysctl -qw net.ipv4.icmp_echo_ignore_all=0")));
        QVERIFY(m_profile->isHostReachable(host + s(":1")));
    }

    // Two servers each with "Public" and "Private", a login stored for the first only: each
    // share mounts, shows its own server's files, unmounts and is held on its own.
    void twoServersOneShareName()
    {
        QProcess six; // a second Samba beside the wrapper's, until its input closes
        six.start(s("bash"),
                  {qEnvironmentVariable("TARNWICK_SOURCE_DIR") + s("/tests/support/smbd-rig.sh"),
                   s("sh"), s("-c"),
                   s("echo \"$TARNWICK_SMB_HOST $TARNWICK_SMB_PUBLIC\"; exec cat")});
        QVERIFY(six.waitForReadyRead(30000));
        const QStringList sixRig = QString::fromUtf8(six.readLine()).trimmed().split(u' ');
        const QString sixHost = sixRig.at(0);
        QVERIFY(sh(s("echo guest >%1/who.txt && echo six >%2/who.txt")
                       .arg(SmbRig::publicDir(), sixRig.at(1))));
        QVERIFY(SmbRig::storeLogin(SmbRig::host(), SmbRig::user(), SmbRig::password().toUtf8()));
        manager("Public|Private");
        auto m = manager("Public|Private", sixHost);
        const QList<Server> servers = m_store->servers();
        const auto keyOf = [&](int server, int share) {
            return ShareKey::of(servers.at(server), servers.at(server).shares.at(share));
        };
        const auto read = [&](const ShareKey& share) {
            return readAll(m->locationOf(share).toLocalFile() + s("/who.txt"));
        };
        for (int round = 0; round < 2; ++round) {
            m->mountAll();
            QTRY_VERIFY_WITH_TIMEOUT(m->isMounted(keyOf(0, 0)) && m->isMounted(keyOf(0, 1)) &&
                                         m->isMounted(keyOf(1, 0)) &&
                                         m->statusOf(keyOf(1, 1)).reason == Reason::LoginRefused,
                                     20000);
        }
        // Each server's own files (the first-read guarantee is tst_headless's to check).
        QTRY_COMPARE(read(keyOf(0, 0)), s("guest\n"));
        QTRY_COMPARE(read(keyOf(1, 0)), s("six\n"));
        // The refused login was tried once, the other server's Private never held.
        QCOMPARE(readAll(m_dir.filePath(s("gio.log"))).count(s("%1/Private").arg(sixHost)), 1);

        // A file closed a moment ago can keep the backend busy, and the unmount fails as in a
        // file manager; like a user, the test asks again.
        QVERIFY(QTest::qWaitFor(
            [&] {
                if (m->isMounted(keyOf(1, 0)) && m->busyShares().isEmpty())
                    m->unmountShare(keyOf(1, 0));
                return !m->isMounted(keyOf(1, 0)) && m->busyShares().isEmpty();
            },
            30000));
        QVERIFY(m->isMounted(keyOf(0, 0)));
        QTRY_COMPARE(read(keyOf(0, 0)), s("guest\n"));
        QCOMPARE(m_profile->readSmbMounts().size(), 2);
        six.closeWriteChannel();
        QVERIFY(six.waitForFinished(10000));
    }

    // While the keyring is locked a share whose server has a stored login waits, without a
    // mount request, and a guest share mounts; the unlock mounts it without waiting for the
    // cycle timer (an hour here).
    void lockedKeyringIsWaitedFor()
    {
        QVERIFY(SmbRig::storeLogin(SmbRig::host(), SmbRig::user(), SmbRig::password().toUtf8()));
        manager("Private");
        auto m = manager("Public", SmbRig::host() + s(":4455")); // no login stored there
        LinuxSystemEvents events(QDBusConnection(s("no system bus")),
                                 QDBusConnection::sessionBus());
        wireSystemEvents(*m, events, EventTiming{1ms, 1ms});
        new ShareStatusLog(*m); // owned by the manager
        // Object paths go into the messages marshalled here, as the store sends them: a
        // QVariant of our own holding one would be freed by the bus thread.
        const QDBusObjectPath collection(s("/org/freedesktop/secrets/collection/login"));
        QDBusArgument paths;
        paths.beginArray(QMetaType::fromType<QDBusObjectPath>());
        paths << collection;
        paths.endArray();
        const QVariant login = QVariant::fromValue(paths);
        const QString service = s("org.freedesktop.Secret.Service");
        QCOMPARE(secrets(service, s("Lock"), {login}), QString());
        QVERIFY(cycle(*m, "Public"));
        QCOMPARE(m->statusOf(key("Private")).reason, Reason::KeyringLocked);
        QVERIFY(logged("Private", s("status: not mounted (keyring locked)")));
        QCOMPARE(gioMounts(), 1);

        // The master password (the rig's "\n") through gnome-keyring's own interface:
        // the Secret Service's Unlock would need a prompter.
        QDBusMessage open = QDBusMessage::createMethodCall(
            s("org.freedesktop.secrets"), s("/org/freedesktop/secrets"), service, s("OpenSession"));
        open << s("plain") << QVariant::fromValue(QDBusVariant(QString()));
        const QDBusMessage session = QDBusConnection::sessionBus().call(open);
        QCOMPARE(session.arguments().size(), 2);
        QDBusArgument secret;
        secret.beginStructure();
        secret << session.arguments().at(1).value<QDBusObjectPath>() << QByteArray()
               << QByteArray("\n") << s("text/plain");
        secret.endStructure();
        QDBusArgument path;
        path << collection;
        QCOMPARE(secrets(s("org.gnome.keyring.InternalUnsupportedGuiltRiddenInterface"),
                         s("UnlockWithMasterPassword"),
                         {QVariant::fromValue(path), QVariant::fromValue(secret)}),
                 QString());
        QTRY_VERIFY_WITH_TIMEOUT(m->isMounted(key("Private")), 30000);
        QCOMPARE(gioMounts(), 2);
    }

    // "rig.local" lies in the realm LOCAL of the cache's principal; the rig's address does not.
    // A ticket that has expired holds the domain server's share
    // back without a mount request; a valid one is used: no user, not anonymous. With no KDC
    // here the server cannot take it, so GVFS asks for a user and gio's empty input ends that.
    // The ticket is read once per mount attempt: klist for each share, klist -s only for the
    // one in the cache's realm.
    void domainTicket_data()
    {
        QTest::addColumn<QByteArray>("cache"); // empty: no cache at all
        QTest::addColumn<Reason>("reason");
        QTest::addColumn<QString>("gio");        // the domain share's mount request; empty: none
        QTest::addColumn<int>("validityChecks"); // klist -s runs
        const QDateTime now = QDateTime::currentDateTimeUtc();
        const QString uri = s("smb://rig.local/Public");
        QTest::newRow("no cache") << QByteArray() << Reason::None << s("mount -a ") + uri << 0;
        QTest::newRow("expired") << credentialCache(now.addSecs(-60)) << Reason::DomainTicketExpired
                                 << s("") << 1;
        QTest::newRow("valid") << credentialCache(now.addSecs(3600)) << Reason::MountFailed
                               << s("mount ") + uri << 1;
    }
    void domainTicket()
    {
        QFETCH(QByteArray, cache);
        QFETCH(Reason, reason);
        QFETCH(QString, gio);
        const QString path = m_dir.filePath(s("krb5cc"));
        QFile::remove(path);
        QFile file(path);
        QVERIFY(cache.isEmpty() ||
                (file.open(QIODevice::WriteOnly) && file.write(cache) > 0 && file.flush()));
        qputenv("KRB5CCNAME", "FILE:" + path.toLocal8Bit());
        manager("Public", s("rig.local"));
        auto m = manager("Public");
        QVERIFY(cycle(*m));
        qunsetenv("KRB5CCNAME");
        const QList<Server> servers = m_store->servers();
        const auto status = [&](int i) {
            return m->statusOf(ShareKey::of(servers.at(i), servers.at(i).shares.at(0)));
        };
        QCOMPARE(status(0).reason, reason);
        QCOMPARE(status(0).state == ShareStatus::State::Mounted, reason == Reason::None);
        QCOMPARE(status(1).state, ShareStatus::State::Mounted); // the address: a guest
        const QStringList runs = readAll(m_dir.filePath(s("gio.log"))).split(u'\n');
        QCOMPARE(runs.filter(s("rig.local")), gio.isEmpty() ? QStringList() : QStringList{gio});
        QVERIFY(runs.contains(s("mount -a smb://%1/Public").arg(SmbRig::host())));
        const QStringList klist = readAll(m_dir.filePath(s("klist.log"))).split(u'\n');
        QCOMPARE(klist.count(s("")) - 1, 2); // one per share, and the empty tail of the log
        QTEST(int(klist.count(s("-s"))), "validityChecks");
    }

    // Mounts made and removed outside reach the table through the tracker's signals (the
    // refresh timer is an hour here).
    void tableFollowsOutsideMounts()
    {
        auto m = manager("Public");
        LinuxSystemEvents events(QDBusConnection(s("no system bus")),
                                 QDBusConnection::sessionBus());
        wireSystemEvents(*m, events);
        const QString location = s("smb://%1/public/").arg(SmbRig::host());
        for (const char* option : {"-a", "-u"}) {
            QCOMPARE(QProcess::execute(s("gio"), {s("mount"), s(option), location}), 0);
            QTRY_COMPARE_WITH_TIMEOUT(m->isMounted(key("Public")), *(option + 1) == 'a', 20000);
        }
    }

    // A server asleep on a segment of its own (a veth pair to a second namespace, where ping
    // goes unanswered): no magic packet while its network is not up; on it, three to the
    // segment's broadcast address, one wake-up per cycle interval, "waking" meanwhile, and
    // the mount within a probe interval of its smbd answering.
    void wakeOnLan()
    {
        const QString host = s("10.77.0.2");
        m_sleepingHost.start(s("unshare"), {s("--net"), s("sleep"), s("infinity")});
        QVERIFY(m_sleepingHost.waitForStarted());
        const QString netns = s("/proc/%1/ns/net").arg(m_sleepingHost.processId());
        QTRY_VERIFY(sh(s("[ \"$(readlink %1)\" != \"$(readlink /proc/$$/ns/net)\" ]").arg(netns)));
        const QString there = s("nsenter --net=%1 ").arg(netns);
        const QString mac = s("02:77:00:00:00:02");
        QVERIFY(sh(s("ip link add wake0 type veth peer name wake1 address %4 netns %1 && "
                     "ip addr add 10.77.0.1/24 brd + dev wake0 && ip link set wake0 up && "
                     "%2ip link set lo up && %2ip addr add %3/24 brd + dev wake1 && "
                     "%2ip link set wake1 up && %2sysctl -qw net.ipv4.icmp_echo_ignore_all=1")
                       .arg(m_sleepingHost.processId())
                       .arg(there, host, mac)));
        // Bound to the broadcast address: a packet sent anywhere else does not count.
        m_wakeSocket = udpSocketIn(netns, "10.77.0.255", 9);
        QVERIFY(m_wakeSocket >= 0);
        QList<QByteArray> packets;
        const auto collect = [&] {
            char data[512];
            for (ssize_t size; (size = recv(m_wakeSocket, data, sizeof data, 0)) >= 0;)
                packets.append(QByteArray(data, size));
            return packets.size();
        };

        Server server = Server::create(s("Sleeper"), host);
        server.shares.append(Share::create(s("Public")));
        server.networks = {s("home")};
        server.wakeOnLan = mac;
        m_store->addServer(server);
        const ShareKey key = ShareKey::of(server, server.shares.first());
        MountTiming timing;
        timing.startupDelay = timing.defaultInterval = timing.refreshPeriod = 1h;
        timing.pollSchedule = QList<std::chrono::milliseconds>(8, 50ms);
        timing.wakePacketSpacing = 100ms;
        timing.wakeProbeInterval = 1s;
        timing.wakeLimit = 120s;
        MountManager m(*m_store, m_profile, *m_settings, nullptr, timing);
        const auto wakeUps = [this] {
            return m_logs->lines().filter(s("] not answering; waking ")).size();
        };

        m.setActiveNetworks(QStringList{s("office")});
        QVERIFY(cycle(m));
        QCOMPARE(m.statusOf(key).reason, Reason::NotOnThisNetwork);
        QCOMPARE(wakeUps(), 0);
        QCOMPARE(collect(), 0);

        m.setActiveNetworks(QStringList{s("home")});
        QVERIFY(cycle(m));
        QCOMPARE(m.statusOf(key).reason, Reason::Waking);
        QVERIFY(cycle(m)); // a second cycle within the interval sends none
        QCOMPARE(wakeUps(), 1);
        QCOMPARE(m.statusOf(key).reason, Reason::Waking);

        QTRY_VERIFY_WITH_TIMEOUT(collect() >= 1, 20000);
        // The server comes up while the engine waits for it.
        const QString rig = qEnvironmentVariable("TARNWICK_SOURCE_DIR") + s("/tests/support/");
        m_wokenRig.start(s("nsenter"),
                         {s("--net=") + netns, s("bash"), rig + s("smbd-rig.sh"), s("--extra-conf"),
                          rig + s("wake-rig.conf"), s("sh"), s("-c"), s("exec cat >/dev/null")});
        QTRY_VERIFY_WITH_TIMEOUT(TcpProbe::accepts(host, 445, 100ms), 60000);
        QElapsedTimer answering;
        answering.start();
        QTRY_VERIFY_WITH_TIMEOUT(m.statusOf(key).reason != Reason::Waking, 30000);
        // One probe interval, and slack for a loaded machine.
        QVERIFY2(answering.elapsed() < 2500, qPrintable(QString::number(answering.elapsed())));
        QTRY_VERIFY_WITH_TIMEOUT(m.isMounted(key), 30000);
        QVERIFY(m_logs->contains(s("[Tarnwick] [10.77.0.2] awake; mounting")));
        QCOMPARE(collect(), 3);
        const QByteArray card = QByteArray::fromHex(mac.toLatin1());
        for (const QByteArray& packet : std::as_const(packets))
            QCOMPARE(packet, QByteArray(6, char(0xFF)) + card.repeated(16));
        QCOMPARE(wakeUps(), 1);
        QCOMPARE(m_profile->neighbourAddress(host), mac); // seen now, as the editor offers it
    }
};

QTEST_GUILESS_MAIN(TestGvfsProfile)
#include "tst_gvfs_profile.moc"
