#include "discovery/bonjour_browser.h"
#include "discovery/resolved_host.h"
#include "discovery/service_resolution.h"

#include <QProcess>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <vector>

using namespace tarnwick;
using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray ipv4(const char* text)
{
    sockaddr_in in{};
    in.sin_family = AF_INET;
    inet_pton(AF_INET, text, &in.sin_addr);
    return QByteArray(reinterpret_cast<const char*>(&in), sizeof in);
}

QByteArray ipv6(const char* text)
{
    sockaddr_in6 in6{};
    in6.sin6_family = AF_INET6;
    inet_pton(AF_INET6, text, &in6.sin6_addr);
    return QByteArray(reinterpret_cast<const char*>(&in6), sizeof in6);
}

// "name host port" for each entry, in order.
QStringList entries(const BonjourBrowser& browser)
{
    QStringList entries;
    for (const DiscoveredServer& server : browser.discovered())
        entries.append(u"%1 %2 %3"_s.arg(server.name, server.host).arg(server.port));
    return entries;
}

} // namespace

// Services published with avahi-publish on the private avahi-daemon (tests/support/
// avahi-env.sh): Alpha and Beta Files on its own host, Gamma on other.local, and Ghost on
// ghost.local, which has no address and so never resolves.
class TestBonjourBrowser : public QObject {
    Q_OBJECT

    std::vector<std::unique_ptr<QProcess>> m_publishers;
    const QString m_host = qEnvironmentVariable("TARNWICK_AVAHI_HOST");

    // Starts avahi-publish with args and waits until it is established; it publishes until
    // it is stopped.
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
    // Waits until browser has resolved or given up every service it found and listed them.
    static bool settled(const BonjourBrowser& browser, int services)
    {
        QCoreApplication::processEvents(); // the queued additions
        return browser.m_servicesFound >= services && browser.m_resolving.isEmpty() &&
               browser.m_found.isEmpty();
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (m_host.isEmpty())
            QFAIL("needs the avahi wrapper (tests/support/avahi-env.sh)");
        for (const char* args :
             {"-s Alpha _smb._tcp 445", "-s \"Beta Files\" _smb._tcp 139",
              "-a -R other.local 127.0.0.2", "-s -H other.local Gamma _smb._tcp 4450",
              "-s -H ghost.local Ghost _smb._tcp 445"})
            QVERIFY2(publish(QString::fromLatin1(args)), args);
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
        const QString none = u"<none>"_s;

        QTest::newRow("trailing dot dropped")
            << u"fileserver.local."_s << QList{ipv4("10.0.0.9")} << u"fileserver.local"_s;
        QTest::newRow("no dot") << u"nas.local"_s << QList<QByteArray>() << u"nas.local"_s;
        QTest::newRow("one dot dropped") << u"odd.."_s << QList<QByteArray>() << u"odd."_s;
        QTest::newRow("no name: IPv6 skipped, first IPv4")
            << QString() << QList{ipv6("fe80::1"), ipv4("192.168.1.20"), ipv4("192.168.1.21")}
            << u"192.168.1.20"_s;
        QTest::newRow("no name, IPv6 only") << QString() << QList{ipv6("fd00::2")} << none;
        QTest::newRow("no name, truncated address")
            << QString() << QList{ipv4("10.1.2.3").left(4)} << none;
        QTest::newRow("nothing") << QString() << QList<QByteArray>() << none;
    }
    void resolvedHost()
    {
        QFETCH(QString, hostName);
        QFETCH(QList<QByteArray>, addresses);
        QFETCH(QString, expected);
        QCOMPARE(tarnwick::resolvedHost(hostName, addresses).value_or(u"<none>"_s), expected);
    }

    // Alpha and Beta Files share a host: whichever resolves first is listed, with its own
    // port; Gamma on the other host too; Ghost is given up after the time-out.
    void oneEntryPerHost()
    {
        BonjourBrowser browser(nullptr);
        // Shorter than the daemon's own resolver time-out (5 s), so it is ours that ends it.
        browser.m_resolveTimeout = std::chrono::milliseconds(100);
        // Each addition comes on a later turn of the event loop, once the resolution that
        // produced it has been dropped.
        int addedWhileResolving = 0;
        connect(&browser, &BonjourBrowser::discoveredChanged, this, [&] {
            for (const auto* resolution : browser.m_resolving)
                addedWhileResolving += resolution->name() == browser.discovered().last().name;
        });
        browser.startSearch();
        QVERIFY(browser.isSearching());
        QTRY_VERIFY(settled(browser, 4));
        const QStringList listed = entries(browser);
        QCOMPARE(listed.size(), 2);
        QVERIFY(listed.contains(u"Gamma other.local 4450"_s));
        QVERIFY(listed.contains(u"Alpha "_s + m_host + u" 445"_s) ||
                listed.contains(u"Beta Files "_s + m_host + u" 139"_s));
        const QSet<QUuid> ids{browser.discovered().at(0).id, browser.discovered().at(1).id};
        QVERIFY(ids.size() == 2 && !ids.contains(QUuid()));
        QVERIFY(browser.isSearching());
        QCOMPARE(addedWhileResolving, 0);
    }

    // A search stopped right after its start leaves nothing behind. A service that leaves
    // stays listed until the next search, which empties the list at once; stopping keeps
    // what was found.
    void searchLifecycle()
    {
        BonjourBrowser stopped(nullptr);
        QSignalSpy stoppedChanged(&stopped, &BonjourBrowser::discoveredChanged);
        stopped.startSearch();
        stopped.stopSearch();
        QVERIFY(!stopped.isSearching() && !stopped.m_browser && stopped.m_resolving.isEmpty());

        QVERIFY(publish(u"-a -R third.local 127.0.0.3"_s));
        QProcess* leaving = publish(u"-s -H third.local Leaving _smb._tcp 445"_s);
        QVERIFY(leaving);
        BonjourBrowser browser(nullptr);
        browser.startSearch();
        QTRY_COMPARE(browser.discovered().size(), 3);
        // By now anything of the stopped search would have arrived.
        QCoreApplication::processEvents();
        QVERIFY(stopped.discovered().isEmpty() && !stopped.isSearching());
        QCOMPARE(stoppedChanged.count(), 0);

        leaving->terminate();
        QVERIFY(leaving->waitForFinished());
        const auto browseOnce = [] { // what the daemon knows right now
            QProcess browse;
            browse.start(u"avahi-browse"_s, {u"-p"_s, u"-t"_s, u"_smb._tcp"_s});
            browse.waitForFinished();
            return browse.readAllStandardOutput();
        };
        QTRY_VERIFY(!browseOnce().contains("Leaving"));
        QCoreApplication::processEvents();
        QVERIFY(entries(browser).contains(u"Leaving third.local 445"_s));
        QVERIFY(browser.isSearching());

        QSignalSpy changed(&browser, &BonjourBrowser::discoveredChanged);
        browser.startSearch();
        QVERIFY(browser.discovered().isEmpty() && browser.isSearching());
        QCOMPARE(changed.count(), 1);
        QTRY_COMPARE(browser.discovered().size(), 2);
        QVERIFY(!entries(browser).join(u'\n').contains(u"Leaving"));

        browser.stopSearch();
        QVERIFY(!browser.isSearching());
        QCOMPARE(browser.discovered().size(), 2);
    }
};

QTEST_GUILESS_MAIN(TestBonjourBrowser)
#include "tst_bonjour_browser.moc"
