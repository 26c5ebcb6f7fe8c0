#include "discovery/bonjour_browser.h"
#include "discovery/resolved_host.h"
#include "discovery/service_resolution.h"
#include "discovery/share_lister.h"
#include "platform/linux/avahi_discovery.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>

#include <arpa/inet.h>
#include <condition_variable>
#include <mutex>

using namespace tarnwick;
using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray address(int family, const char* text)
{
    sockaddr_in6 in6{}; // large enough for both, the family first in both
    in6.sin6_family = sa_family_t(family);
    auto* in4 = reinterpret_cast<sockaddr_in*>(&in6);
    inet_pton(family, text,
              family == AF_INET ? static_cast<void*>(&in4->sin_addr) : &in6.sin6_addr);
    return QByteArray(reinterpret_cast<const char*>(&in6),
                      family == AF_INET ? sizeof(sockaddr_in) : sizeof in6);
}

// Holds each call until the test opens the gate; standard locking, which TSan sees.
class GatedLister : public ShareLister {
public:
    QStringList listShares(const QString& host) const override
    {
        std::unique_lock lock(m_mutex);
        ++m_entered;
        m_opened.wait(lock, [this] { return m_open; });
        return {host + u"-b"_s, host + u"-a"_s};
    }
    int entered() const
    {
        std::lock_guard lock(m_mutex);
        return m_entered;
    }
    void open()
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_opened.notify_all();
    }

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_opened;
    mutable int m_entered = 0;
    bool m_open = false;
};

} // namespace

// The browser against the private avahi-daemon (tests/support/avahi-env.sh) with the Samba
// rig (smbd-rig.sh) behind "Office Files" on files.local: Alpha and Beta Files on the
// daemon's own host, Gamma on other.local, Ghost on ghost.local (no address: never resolves).
class TestBonjourBrowser : public QObject {
    Q_OBJECT

    std::vector<std::unique_ptr<QProcess>> m_publishers;
    const QString m_host = qEnvironmentVariable("TARNWICK_AVAHI_HOST");

    // Publishes with avahi-publish until the process is stopped.
    QProcess* publish(const QString& args)
    {
        auto& process = m_publishers.emplace_back(std::make_unique<QProcess>());
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->start(u"stdbuf"_s,
                       QStringList{u"-oL"_s, u"avahi-publish"_s} + QProcess::splitCommand(args));
        QByteArray seen;
        for (int i = 0; i < 200 && !seen.contains("Established"); ++i) {
            process->waitForReadyRead(50);
            seen += process->readAll();
        }
        return seen.contains("Established") ? process.get() : nullptr;
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
    static QByteArray run(const QStringList& args)
    {
        QProcess tarnwick;
        tarnwick.start(QStringLiteral(TARNWICK_APP), args);
        const bool exited = tarnwick.waitForFinished(60000) && tarnwick.exitCode() == 0;
        return exited ? tarnwick.readAllStandardOutput() : "failed";
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QString smbHost = qEnvironmentVariable("TARNWICK_SMB_HOST");
        if (m_host.isEmpty() || smbHost.isEmpty())
            QFAIL("needs tests/support/avahi-env.sh and smbd-rig.sh");
        for (const QString& args :
             {u"-s Alpha _smb._tcp 445"_s, u"-s \"Beta Files\" _smb._tcp 139"_s,
              u"-a -R other.local 127.0.0.2"_s, u"-s -H other.local Gamma _smb._tcp 4450"_s,
              u"-s -H ghost.local Ghost _smb._tcp 445"_s, u"-a -R files.local "_s + smbHost,
              u"-s -H files.local \"Office Files\" _smb._tcp 445"_s})
            QVERIFY2(publish(args), qPrintable(args));
    }
    void cleanupTestCase()
    {
        for (auto& process : m_publishers) {
            process->terminate();
            process->waitForFinished();
        }
    }

    void resolvedHost_data()
    {
        QTest::addColumn<QString>("hostName");
        QTest::addColumn<QList<QByteArray>>("addresses");
        QTest::addColumn<QString>("expected");
        const QByteArray v4 = address(AF_INET, "192.168.1.20"), v6 = address(AF_INET6, "fe80::1");
        QTest::newRow("one trailing dot dropped") << u"odd.."_s << QList{v4} << u"odd."_s;
        QTest::newRow("no dot") << u"nas.local"_s << QList<QByteArray>() << u"nas.local"_s;
        QTest::newRow("no name: IPv6 skipped, first IPv4")
            << QString() << QList{v6, v4, address(AF_INET, "10.0.0.1")} << u"192.168.1.20"_s;
        QTest::newRow("IPv6 only") << QString() << QList{v6} << u"-"_s;
        QTest::newRow("truncated address") << QString() << QList{v4.left(4)} << u"-"_s;
    }
    void resolvedHost()
    {
        QFETCH(QString, hostName);
        QFETCH(QList<QByteArray>, addresses);
        QFETCH(QString, expected);
        QCOMPARE(tarnwick::resolvedHost(hostName, addresses).value_or(u"-"_s), expected);
    }

    // One entry per host, each with its own service's port, added on a later turn than its
    // resolution; Ghost is given up after the time-out. A search stopped right after its
    // start leaves nothing; a service that leaves stays listed until the next search, which
    // empties the list at once; stopping keeps what was found.
    void search()
    {
        BonjourBrowser stopped(nullptr);
        stopped.startSearch();
        stopped.stopSearch();
        QVERIFY(!stopped.isSearching() && !stopped.m_browser && stopped.m_resolving.isEmpty());

        QElapsedTimer clock;
        clock.start();
        BonjourBrowser browser(nullptr);
        // Shorter than the daemon's own resolver time-out (5 s), so it is ours that ends it.
        browser.m_resolveTimeout = std::chrono::milliseconds(100);
        int addedWhileResolving = 0;
        qint64 first = -1;
        connect(&browser, &BonjourBrowser::discoveredChanged, this, [&] {
            first = first < 0 ? clock.elapsed() : first;
            for (const auto* resolution : browser.m_resolving)
                addedWhileResolving += resolution->name() == browser.discovered().last().name;
        });
        browser.startSearch();
        qInfo("startSearch returned after %lld ms", clock.elapsed());
        QTRY_COMPARE(settled(browser, 5).size(), 3);
        qInfo("first server listed after %lld ms", first);
        QStringList listed = settled(browser, 5);
        QVERIFY(listed.removeAll(u"Gamma other.local 4450"_s) == 1);
        QVERIFY(listed.removeAll(u"Office Files files.local 445"_s) == 1);
        QVERIFY(listed == QStringList{u"Alpha "_s + m_host + u" 445"_s} ||
                listed == QStringList{u"Beta Files "_s + m_host + u" 139"_s});
        const auto& found = browser.discovered();
        QVERIFY(found[0].id != found[1].id && found[1].id != found[2].id && !found[0].id.isNull());
        QVERIFY(browser.isSearching() && stopped.discovered().isEmpty());
        QCOMPARE(addedWhileResolving, 0);

        QVERIFY(publish(u"-a -R third.local 127.0.0.3"_s));
        QProcess* leaving = publish(u"-s -H third.local Leaving _smb._tcp 445"_s);
        QVERIFY(leaving);
        QTRY_COMPARE(settled(browser, 6).size(), 4);
        leaving->terminate();
        QVERIFY(leaving->waitForFinished());
        QTest::qWait(1500); // the daemon reports the removal at once; it must change nothing
        QVERIFY(settled(browser, 6).contains(u"Leaving third.local 445"_s));
        QSignalSpy changed(&browser, &BonjourBrowser::discoveredChanged);
        browser.startSearch();
        QVERIFY(browser.discovered().isEmpty() && browser.isSearching());
        QCOMPARE(changed.count(), 1);
        QTRY_COMPARE(settled(browser, 5).size(), 3);
        browser.stopSearch();
        QVERIFY(!browser.isSearching());
        QCOMPARE(browser.discovered().size(), 3);
    }

    // The search fails on a later turn when the daemon cannot be reached; the browse stays.
    void searchWithoutDaemon()
    {
        const QDBusConnection none =
            QDBusConnection::connectToBus(u"unix:path=/nonexistent/bus"_s, u"none"_s);
        BonjourBrowser browser(nullptr, std::make_shared<AvahiDiscovery>(none));
        QSignalSpy searching(&browser, &BonjourBrowser::isSearchingChanged);
        browser.startSearch();
        QVERIFY(browser.isSearching());
        QTRY_VERIFY(!browser.isSearching());
        QVERIFY(browser.m_browser && browser.discovered().isEmpty() && searching.count() == 2);
    }

    // The diagnosis modes of the real binary print as servers resolve and exit when done.
    void commandLine()
    {
        QProcess tarnwick;
        tarnwick.start(QStringLiteral(TARNWICK_APP), {u"--discover"_s, u"60"_s});
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT(
            (out += tarnwick.readAllStandardOutput()).contains("Office Files\tfiles.local\t445\n"),
            15000);
        QCOMPARE(tarnwick.state(), QProcess::Running);
        tarnwick.terminate();
        tarnwick.waitForFinished();
        QCOMPARE(run({u"--discover"_s, u"0"_s}), QByteArray());
        QCOMPARE(run({u"--list-shares"_s, u"files.local"_s}),
                 "Public\nQuarterly Reports 2024\nTeam Docs\narchive\n");
        QCOMPARE(run({u"--list-shares"_s, u"127.0.0.2"_s}), QByteArray());
    }

    // Three listings on the browsers' pool of two threads, whatever the machine: two run,
    // the third waits. Each completion runs once, on the main thread, with its own result,
    // unless its browser is gone by then. The global pool, which the application waits for
    // at exit, holds none of them; the last one never ends, and the exit must not wait.
    void listShares()
    {
        auto lister = std::make_shared<GatedLister>();
        BonjourBrowser browser(lister);
        auto gone = std::make_unique<BonjourBrowser>(lister);
        QList<QStringList> delivered;
        const auto deliver = [&](const QStringList& names) {
            QCOMPARE(QThread::currentThread(), qApp->thread());
            delivered.append(names);
        };
        gone->listShares(u"gone"_s, deliver);
        browser.listShares(u"one"_s, deliver);
        browser.listShares(u"two"_s, deliver);
        QTRY_COMPARE(lister->entered(), 2);
        QCOMPARE(QThreadPool::globalInstance()->activeThreadCount(), 0);
        QCoreApplication::processEvents();
        QVERIFY(delivered.isEmpty());
        gone.reset();
        lister->open();
        QVERIFY(BonjourBrowser::listingPool().waitForDone(5000));
        QCoreApplication::processEvents();
        QCOMPARE(delivered.size(), 2);
        QVERIFY(delivered.contains(QStringList{u"one-b"_s, u"one-a"_s}));
        QVERIFY(delivered.contains(QStringList{u"two-b"_s, u"two-a"_s}));

        auto stuck = std::make_shared<GatedLister>();
        BonjourBrowser(stuck).listShares(u"stuck"_s, deliver);
        QTRY_COMPARE(stuck->entered(), 1);
    }
};

QTEST_GUILESS_MAIN(TestBonjourBrowser)
#include "tst_bonjour_browser.moc"
