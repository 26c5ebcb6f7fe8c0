#include "discovery/bonjour_browser.h"
#include "discovery/resolved_host.h"
#include "discovery/service_resolution.h"
#include "platform/linux/avahi_discovery.h"
#include "platform/linux/secret_service_store.h"
#include "platform/linux/smbclient_share_lister.h"
#include "platform/profile_factory.h"

#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>

#include <arpa/inet.h>
#include <atomic>
#include <latch>

using namespace tarnwick;
using namespace Qt::Literals::StringLiterals;

// Holds each call until the test opens the gate; standard atomics, which TSan sees.
struct GatedLister : ShareLister {
    mutable std::atomic<int> entered = 0;
    mutable std::latch gate{1};
    ShareListing listing(const QString& host) const override
    {
        ++entered;
        gate.wait();
        return {{host + u"-b"_s, host + u"-a"_s}};
    }
};

// Against the private avahi-daemon (tests/support/avahi-env.sh), Samba (smbd-rig.sh) announced
// as "Office Files" on files.local, and a GNOME Keyring (session-env.sh). Alpha and Beta Files
// are on the daemon's host, Gamma on other.local, Ghost on ghost.local (never resolves).
class TestBonjourBrowser : public QObject {
    Q_OBJECT

    std::vector<std::unique_ptr<QProcess>> m_publishers;
    const QString m_host = qEnvironmentVariable("TARNWICK_AVAHI_HOST");
    const QString m_smbHost = qEnvironmentVariable("TARNWICK_SMB_HOST");
    const QString m_password = qEnvironmentVariable("TARNWICK_SMB_PASSWORD");
    const QString m_user = qEnvironmentVariable("TARNWICK_SMB_USER");
    QTemporaryDir m_dir;

    // Publishes with avahi-publish until the process is stopped.
    QProcess* publish(const QString& args)
    {
        auto& process = m_publishers.emplace_back(std::make_unique<QProcess>());
        process->setProcessChannelMode(QProcess::MergedChannels); // "Established" is on stderr
        process->start(u"stdbuf"_s,
                       QStringList{u"-oL"_s, u"avahi-publish"_s} + QProcess::splitCommand(args));
        while (process->waitForReadyRead(10000) &&
               !process->readAllStandardOutput().contains("Established")) {
        }
        return process.get();
    }
    // "name host port" for each entry, once every service found has resolved or given up.
    static QStringList settled(const BonjourBrowser& browser, int services)
    {
        QCoreApplication::processEvents(); // the queued additions
        if (browser.m_servicesFound < services || !browser.m_resolving.isEmpty())
            return {};
        QStringList entries;
        for (const DiscoveredServer& server : browser.discovered())
            entries.append(u"%1 %2 %3"_s.arg(server.name, server.host).arg(server.port));
        return entries;
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (m_host.isEmpty() || m_smbHost.isEmpty() ||
            qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            QFAIL("needs tests/support/avahi-env.sh, smbd-rig.sh and session-env.sh");
        for (const QString& args :
             {u"-s Alpha _smb._tcp 445"_s, u"-s \"Beta Files\" _smb._tcp 139"_s,
              u"-a -R other.local 127.0.0.2"_s, u"-s -H other.local Gamma _smb._tcp 4450"_s,
              u"-s -H ghost.local Ghost _smb._tcp 445"_s, u"-a -R files.local "_s + m_smbHost,
              u"-s -H files.local \"Office Files\" _smb._tcp 445"_s})
            publish(args);
        // smbclient through a shim that records each argument list.
        QFile shim(m_dir.filePath(u"smbclient"_s));
        QVERIFY(shim.open(QIODevice::WriteOnly));
        shim.write("#!/bin/bash\necho \"$*\" >>'" + QFile::encodeName(m_dir.filePath(u"runs"_s)) +
                   "'\nexec smbclient \"$@\"\n");
        QVERIFY(shim.setPermissions(QFile::ReadOwner | QFile::ExeOwner));
    }
    void cleanupTestCase()
    {
        for (auto& process : m_publishers)
            process->terminate(), process->waitForFinished();
    }

    // The host text of a resolution: the name without one trailing dot, else the first IPv4
    // address (IPv6 and unreadable ones skipped), else none.
    void resolvedHost()
    {
        sockaddr_in in{};
        in.sin_family = AF_INET;
        inet_pton(AF_INET, "192.168.1.20", &in.sin_addr);
        const QByteArray v4(reinterpret_cast<const char*>(&in), sizeof in);
        QByteArray v6(sizeof(sockaddr_in6), 0);
        reinterpret_cast<sockaddr_in6*>(v6.data())->sin6_family = AF_INET6;
        QCOMPARE(tarnwick::resolvedHost(u"odd.."_s, {v4}), u"odd."_s);
        QCOMPARE(tarnwick::resolvedHost({}, {v4.left(4), v6, v4}), u"192.168.1.20"_s);
        QVERIFY(!tarnwick::resolvedHost({}, {v6, v4.left(4)}));
    }

    // One entry per host, each with its own service's port, added on a later turn than its
    // resolution; Ghost is given up after the time-out. A search stopped right after its
    // start leaves nothing; a service that leaves stays listed until the next search, which
    // empties the list at once; stopping keeps what was found. Without a reachable daemon
    // the search ends on a later turn, its browse kept.
    void search()
    {
        BonjourBrowser stopped(nullptr, ProfileFactory::createDiscoveryBackend()),
            failing(nullptr, std::make_shared<AvahiDiscovery>(
                                 QDBusConnection::connectToBus(u"unix:path=/none"_s, u"x"_s)));
        QSignalSpy failed(&failing, &BonjourBrowser::isSearchingChanged);
        failing.startSearch();
        stopped.startSearch();
        stopped.stopSearch();
        QVERIFY(!stopped.isSearching() && !stopped.m_browser && stopped.m_resolving.isEmpty());
        QVERIFY(failing.isSearching());

        BonjourBrowser browser(nullptr, ProfileFactory::createDiscoveryBackend());
        // Under the daemon's own resolver time-out (5 s), so ours ends Ghost; ample for the rest.
        browser.m_resolveTimeout = std::chrono::milliseconds(2000);
        int addedWhileResolving = 0;
        connect(&browser, &BonjourBrowser::discoveredChanged, this, [&] {
            for (const auto* resolution : browser.m_resolving)
                addedWhileResolving += resolution->name() == browser.discovered().last().name;
        });
        browser.startSearch();
        QTRY_COMPARE_WITH_TIMEOUT(settled(browser, 5).size(), 3, 20000);
        const QStringList listed = settled(browser, 5);
        QVERIFY(listed.contains(u"Gamma other.local 4450"_s) &&
                listed.contains(u"Office Files files.local 445"_s));
        QVERIFY(listed.contains(u"Alpha "_s + m_host + u" 445"_s) !=
                listed.contains(u"Beta Files "_s + m_host + u" 139"_s));
        const auto& found = browser.discovered();
        QVERIFY(found[0].id != found[1].id && found[1].id != found[2].id && !found[0].id.isNull());
        QVERIFY(browser.isSearching() && stopped.discovered().isEmpty());
        QCOMPARE(addedWhileResolving, 0);
        QVERIFY(!failing.isSearching() && failing.m_browser && failed.count() == 2);

        publish(u"-a -R third.local 127.0.0.3"_s);
        QProcess* leaving = publish(u"-s -H third.local Leaving _smb._tcp 445"_s);
        QTRY_COMPARE(settled(browser, 6).size(), 4);
        leaving->terminate();
        QVERIFY(leaving->waitForFinished());
        QTest::qWait(1500); // the daemon reports the removal at once; it must change nothing
        QVERIFY(settled(browser, 6).contains(u"Leaving third.local 445"_s));
        QSignalSpy changed(&browser, &BonjourBrowser::discoveredChanged);
        browser.startSearch();
        QVERIFY(browser.discovered().isEmpty() && browser.isSearching());
        QCOMPARE(changed.count(), 1);
        QTRY_COMPARE_WITH_TIMEOUT(settled(browser, 5).size(), 3, 20000);
        browser.stopSearch();
        QVERIFY(!browser.isSearching());
        QCOMPARE(browser.discovered().size(), 3);
    }

    // Without a usable login the guest attempt lists every disk share whole (a space in the
    // name, one wider than smbclient's column, a "|" in its comment) without IPC$, ADMIN$,
    // the printer and the share only the login may see; sorted with upper case first. The
    // keyring's login, when right, sees that share too; its password never enters argv.
    void smbclientListing_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("password"); // stored for the rig's address; "" = none
        QTest::addColumn<QStringList>("shares");
        QTest::addColumn<QString>("logins"); // how each smbclient run logs in, in order
        const QStringList open = u"Public|Quarterly Reports 2024|Team Docs|archive"_s.split(u'|');
        const QString user = u"--user="_s + m_user, guest = u"--user=guest%"_s;
        QTest::newRow("guest") << m_smbHost << QString() << open << guest;
        QTest::newRow("keyring login")
            << m_smbHost << m_password << QStringList{u"Private"_s} + open << user;
        QTest::newRow("wrong password, then guest")
            << m_smbHost << u"not-"_s + m_password << open << user + u' ' + guest;
        QTest::newRow("nothing listens")
            << u"127.0.0.2"_s << QString() << QStringList() << guest + u" --no-pass"_s;
    }
    void smbclientListing()
    {
        QFETCH(QString, host);
        QFETCH(QString, password);
        QFETCH(QStringList, shares);
        QFETCH(QString, logins);
        const QString store =
            u"printf %s \"$0\" | secret-tool store --label=t xdg:schema org.gnome."
            "keyring.NetworkPassword user \"$1\" server \"$2\" protocol smb"_s;
        if (!password.isEmpty()) // stored the way file managers store it
            QCOMPARE(QProcess::execute(u"sh"_s, {u"-c"_s, store, password, m_user, host}), 0);
        QFile log(m_dir.filePath(u"runs"_s));
        log.remove();
        const ShareListing listing =
            SmbclientShareLister(KeychainCredentials(&SecretServiceStore::find),
                                 m_dir.filePath(u"smbclient"_s))
                .listing(host);
        QCOMPARE(listing.names, shares);
        QCOMPARE(listing.failure, host == m_smbHost ? ShareListing::Failure::None
                                                    : ShareListing::Failure::Unreachable);
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString runs = QString::fromUtf8(log.readAll()); // one line of arguments per run
        const QStringList words = runs.split(QRegularExpression(u"\\s"_s));
        QCOMPARE(words.filter(QRegularExpression(u"^--(user=|no-pass)"_s)).join(u' '), logins);
        QVERIFY(!runs.contains(m_password));
    }

    // The diagnosis modes of the real binary print as servers resolve and exit when done.
    void commandLine()
    {
#ifndef TARNWICK_APP
        QSKIP("the application is not part of this build");
#else
        QProcess tarnwick;
        tarnwick.start(QStringLiteral(TARNWICK_APP), {u"--discover"_s, u"60"_s});
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT(
            (out += tarnwick.readAllStandardOutput()).contains("Office Files\tfiles.local\t445\n"),
            15000);
        QCOMPARE(tarnwick.state(), QProcess::Running);
        tarnwick.terminate();
        tarnwick.waitForFinished();
        for (const auto& [args, out] : {std::pair{u"--discover 0"_s, QByteArray()},
                                        {u"--list-shares files.local"_s,
                                         "Public\nQuarterly Reports 2024\nTeam Docs\narchive\n"},
                                        {u"--list-shares 127.0.0.2"_s, QByteArray()}}) {
            tarnwick.start(QStringLiteral(TARNWICK_APP), args.split(u' '));
            QVERIFY(tarnwick.waitForFinished(60000) && tarnwick.exitCode() == 0);
            QCOMPARE(tarnwick.readAllStandardOutput(), out);
        }
#endif
    }

    // Three listings on the browsers' pool of two threads, whatever the machine: two run,
    // the third waits. Each completion runs once, on the main thread, with its own result,
    // unless its browser is gone by then. The global pool, which the application waits for
    // at exit, holds none of them; the last one never ends, and the exit must not wait.
    void listShares()
    {
        auto lister = std::make_shared<GatedLister>();
        BonjourBrowser browser(lister, nullptr);
        auto gone = std::make_unique<BonjourBrowser>(lister, nullptr);
        QList<QStringList> delivered;
        const auto deliver = [&](const ShareListing& listing) {
            QCOMPARE(QThread::currentThread(), qApp->thread());
            delivered.append(listing.names);
        };
        gone->listShares(u"gone"_s, deliver);
        browser.listShares(u"one"_s, deliver);
        browser.listShares(u"two"_s, deliver);
        QTRY_COMPARE(lister->entered, 2);
        QCOMPARE(QThreadPool::globalInstance()->activeThreadCount(), 0);
        gone.reset();
        lister->gate.count_down();
        QVERIFY(BonjourBrowser::listingPool().waitForDone(5000));
        QCoreApplication::processEvents();
        std::sort(delivered.begin(), delivered.end());
        QCOMPARE(delivered,
                 (QList<QStringList>{{u"one-b"_s, u"one-a"_s}, {u"two-b"_s, u"two-a"_s}}));

        auto stuck = std::make_shared<GatedLister>();
        BonjourBrowser(stuck, nullptr).listShares(u"stuck"_s, deliver);
        QTRY_COMPARE(stuck->entered, 1);
    }
};

QTEST_GUILESS_MAIN(TestBonjourBrowser)
#include "tst_bonjour_browser.moc"
