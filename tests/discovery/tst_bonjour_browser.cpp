#include "discovery/bonjour_browser.h"
#include "discovery/resolved_host.h"
#include "discovery/service_resolution.h"

#include <QProcess>
#include <QSet>
#include <QSignalSpy>
#include <QTest>

#include <arpa/inet.h>
#include <memory>
#include <netinet/in.h>
#include <vector>

using namespace tarnwick;

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

QSet<QString> hostsOf(const BonjourBrowser& browser)
{
    QSet<QString> hosts;
    for (const DiscoveredServer& server : browser.discovered())
        hosts.insert(server.host);
    return hosts;
}

QStringList namesOf(const BonjourBrowser& browser)
{
    QStringList names;
    for (const DiscoveredServer& server : browser.discovered())
        names.append(server.name);
    return names;
}

} // namespace

// Services published with avahi-publish on the private avahi-daemon (tests/support/
// avahi-env.sh): two on its own host, one on "other.local".
class TestBonjourBrowser : public QObject {
    Q_OBJECT

    // Starts avahi-publish with args; it publishes until it is stopped.
    QProcess* publish(const QStringList& args)
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::MergedChannels);
        // Line-buffered, so "Established" arrives while it runs.
        process->start(QStringLiteral("stdbuf"),
                       QStringList{QStringLiteral("-oL"), QStringLiteral("avahi-publish")} + args);
        if (!process->waitForStarted())
            return nullptr;
        m_publishers.push_back(std::move(process));
        return m_publishers.back().get();
    }
    static bool established(QProcess* process, QByteArray& seen)
    {
        process->waitForReadyRead(50);
        seen += process->readAll();
        return seen.contains("Established");
    }
    // Runs avahi-browse once over the daemon's cache: the names it knows right now.
    static QString browseOnce()
    {
        QProcess browse;
        browse.start(QStringLiteral("avahi-browse"),
                     {QStringLiteral("-p"), QStringLiteral("-t"), QStringLiteral("_smb._tcp")});
        browse.waitForFinished();
        return QString::fromUtf8(browse.readAllStandardOutput());
    }
    // Waits until browser has resolved every service it found and added the results.
    static bool settled(const BonjourBrowser& browser, int services)
    {
        return browser.m_servicesFound >= services && browser.m_resolving.isEmpty() &&
               browser.m_found.isEmpty();
    }

    std::vector<std::unique_ptr<QProcess>> m_publishers;
    QString m_host;
    const QString m_other = QStringLiteral("other.local");

private Q_SLOTS:
    void initTestCase()
    {
        m_host = qEnvironmentVariable("TARNWICK_AVAHI_HOST");
        if (m_host.isEmpty())
            QFAIL("needs the avahi wrapper (tests/support/avahi-env.sh)");
        QList<QProcess*> started{
            publish({QStringLiteral("-s"), QStringLiteral("Alpha"), QStringLiteral("_smb._tcp"),
                     QStringLiteral("445")}),
            publish({QStringLiteral("-s"), QStringLiteral("Beta Files"),
                     QStringLiteral("_smb._tcp"), QStringLiteral("139")}),
            publish(
                {QStringLiteral("-a"), QStringLiteral("-R"), m_other, QStringLiteral("127.0.0.2")}),
            publish({QStringLiteral("-s"), QStringLiteral("-H"), m_other, QStringLiteral("Gamma"),
                     QStringLiteral("_smb._tcp"), QStringLiteral("4450")}),
        };
        for (QProcess* process : started) {
            QVERIFY(process);
            QByteArray seen;
            QTRY_VERIFY(established(process, seen));
        }
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
        QTest::addColumn<QString>("expected"); // null: no host text

        QTest::newRow("host name with trailing dot")
            << QStringLiteral("fileserver.local.") << QList<QByteArray>{ipv4("10.0.0.9")}
            << QStringLiteral("fileserver.local");
        QTest::newRow("host name without dot")
            << QStringLiteral("nas.local") << QList<QByteArray>() << QStringLiteral("nas.local");
        QTest::newRow("only one dot removed")
            << QStringLiteral("odd..") << QList<QByteArray>() << QStringLiteral("odd.");
        QTest::newRow("no name: IPv6 skipped, first IPv4")
            << QString()
            << QList<QByteArray>{ipv6("fe80::1"), ipv4("192.168.1.20"), ipv4("192.168.1.21")}
            << QStringLiteral("192.168.1.20");
        QTest::newRow("no name, IPv6 only")
            << QString() << QList<QByteArray>{ipv6("fd00::2")} << QString();
        QTest::newRow("no name, truncated address")
            << QString() << QList<QByteArray>{ipv4("10.1.2.3").left(4)} << QString();
        QTest::newRow("nothing") << QString() << QList<QByteArray>() << QString();
    }
    void resolvedHost()
    {
        QFETCH(QString, hostName);
        QFETCH(QList<QByteArray>, addresses);
        QFETCH(QString, expected);
        const auto host = tarnwick::resolvedHost(hostName, addresses);
        QCOMPARE(host.has_value(), !expected.isNull());
        if (host)
            QCOMPARE(*host, expected);
    }

    // Alpha and Beta Files share a host: whichever resolves first is listed, with its own
    // port; Gamma on the other host is listed too.
    void oneEntryPerHost()
    {
        BonjourBrowser browser(nullptr);
        // Each addition comes on a later turn of the event loop: by then the resolution
        // that produced it has been dropped.
        QStringList addedWhileResolving;
        connect(&browser, &BonjourBrowser::discoveredChanged, this, [&] {
            const QString added = browser.discovered().last().name;
            for (const auto* resolution : browser.m_resolving) {
                if (resolution->name() == added)
                    addedWhileResolving.append(added);
            }
        });
        browser.startSearch();
        QVERIFY(browser.isSearching());
        QTRY_VERIFY(settled(browser, 3));
        QCoreApplication::processEvents(); // the queued additions
        QCOMPARE(browser.discovered().size(), 2);
        QCOMPARE(hostsOf(browser), (QSet<QString>{m_host, m_other}));

        QSet<QUuid> ids;
        for (const DiscoveredServer& server : browser.discovered()) {
            ids.insert(server.id);
            QVERIFY(!server.id.isNull());
            if (server.host == m_other) {
                QCOMPARE(server.name, QStringLiteral("Gamma"));
                QCOMPARE(server.port, 4450);
            } else if (server.name == QStringLiteral("Alpha")) {
                QCOMPARE(server.port, 445);
            } else {
                QCOMPARE(server.name, QStringLiteral("Beta Files"));
                QCOMPARE(server.port, 139);
            }
        }
        QCOMPARE(ids.size(), 2);
        QVERIFY(browser.isSearching());
        QCOMPARE(addedWhileResolving, QStringList());
    }

    void stopRightAfterStart()
    {
        BonjourBrowser browser(nullptr);
        QSignalSpy changed(&browser, &BonjourBrowser::discoveredChanged);
        browser.startSearch();
        browser.stopSearch();
        QVERIFY(!browser.isSearching());
        QVERIFY(!browser.m_browser);
        QVERIFY(browser.m_resolving.isEmpty());

        // Another search finding everything shows that enough time has passed for
        // anything of the stopped one to arrive.
        BonjourBrowser witness(nullptr);
        witness.startSearch();
        QTRY_COMPARE(witness.discovered().size(), 2);
        QCoreApplication::processEvents();
        QVERIFY(browser.discovered().isEmpty());
        QCOMPARE(changed.count(), 0);
        QVERIFY(!browser.isSearching());
    }

    void restartEmptiesAtOnce()
    {
        BonjourBrowser browser(nullptr);
        browser.startSearch();
        QTRY_COMPARE(browser.discovered().size(), 2);
        QSignalSpy changed(&browser, &BonjourBrowser::discoveredChanged);
        browser.startSearch();
        QVERIFY(browser.discovered().isEmpty());
        QVERIFY(browser.isSearching());
        QCOMPARE(changed.count(), 1);
        QTRY_COMPARE(browser.discovered().size(), 2);
        QCOMPARE(hostsOf(browser), (QSet<QString>{m_host, m_other}));
    }

    // Stopping keeps what was found; a new search starts from nothing.
    void stopKeepsResults()
    {
        BonjourBrowser browser(nullptr);
        browser.startSearch();
        QTRY_COMPARE(browser.discovered().size(), 2);
        browser.stopSearch();
        QVERIFY(!browser.isSearching());
        QCOMPARE(browser.discovered().size(), 2);
    }

    void serviceThatLeavesStaysListed()
    {
        QProcess* address = publish({QStringLiteral("-a"), QStringLiteral("-R"),
                                     QStringLiteral("third.local"), QStringLiteral("127.0.0.3")});
        QProcess* leaving = publish({QStringLiteral("-s"), QStringLiteral("-H"),
                                     QStringLiteral("third.local"), QStringLiteral("Leaving"),
                                     QStringLiteral("_smb._tcp"), QStringLiteral("445")});
        QVERIFY(address && leaving);
        QByteArray seen;
        QTRY_VERIFY(established(leaving, seen));

        BonjourBrowser browser(nullptr);
        browser.startSearch();
        QTRY_VERIFY(namesOf(browser).contains(QStringLiteral("Leaving")));

        leaving->terminate();
        QVERIFY(leaving->waitForFinished());
        QTRY_VERIFY(!browseOnce().contains(QStringLiteral("Leaving")));
        QCoreApplication::processEvents();
        QVERIFY(namesOf(browser).contains(QStringLiteral("Leaving")));
        QVERIFY(browser.isSearching());

        browser.startSearch();
        QTRY_COMPARE(browser.discovered().size(), 2);
        QVERIFY(!namesOf(browser).contains(QStringLiteral("Leaving")));
    }

    // A service whose host has no address never resolves: it is given up after the
    // time-out and never listed.
    void unresolvableServiceGivenUp()
    {
        QProcess* ghost =
            publish({QStringLiteral("-s"), QStringLiteral("-H"), QStringLiteral("ghost.local"),
                     QStringLiteral("Ghost"), QStringLiteral("_smb._tcp"), QStringLiteral("445")});
        QVERIFY(ghost);
        QByteArray seen;
        QTRY_VERIFY(established(ghost, seen));

        BonjourBrowser browser(nullptr);
        // Shorter than the daemon's own resolver time-out (5 s), so it is ours that ends it.
        browser.m_resolveTimeout = std::chrono::milliseconds(100);
        browser.startSearch();
        QTRY_VERIFY(settled(browser, 4));
        QCoreApplication::processEvents();
        QCOMPARE(hostsOf(browser), (QSet<QString>{m_host, m_other}));
        QVERIFY(!namesOf(browser).contains(QStringLiteral("Ghost")));

        ghost->terminate();
        ghost->waitForFinished();
    }
};

QTEST_GUILESS_MAIN(TestBonjourBrowser)
#include "tst_bonjour_browser.moc"
