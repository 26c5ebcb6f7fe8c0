#include "discovery/bonjour_browser.h"
#include "discovery/dns_sd_request.h"
#include "discovery/share_lister.h"

#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>

#include <condition_variable>
#include <mutex>

using namespace tarnwick;
using namespace Qt::Literals::StringLiterals;

namespace {

// A lister that holds each call until the test opens the gate, so the test decides what
// happens first: the listing or the browser's end. Standard locking, which the thread
// sanitizer sees (it does not see Qt's).
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

class TestBonjourBrowser : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // No DNS-SD daemon can be reached: Avahi's library talks to it over this bus.
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/tarnwick-test-bus");
    }

    // The search cannot start: isSearching is true until the next turn of the event loop,
    // then false; the browse stays set; nothing is listed.
    void searchWithoutDaemon()
    {
        BonjourBrowser browser(nullptr);
        QSignalSpy searching(&browser, &BonjourBrowser::isSearchingChanged);
        browser.startSearch();
        QVERIFY(browser.isSearching());
        QTRY_VERIFY(!browser.isSearching());
        QCOMPARE(searching.count(), 2);
        QVERIFY(browser.m_browser && !browser.m_browser->isOpen());
        QVERIFY(browser.discovered().isEmpty());
        browser.stopSearch();
        QVERIFY(!browser.m_browser);
        QCOMPARE(searching.count(), 2);
    }

    // Listings run side by side in the background; each completion runs once, on the main
    // thread, with its own host's result, unless its browser is gone by then.
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
        QCoreApplication::processEvents();
        QVERIFY(delivered.isEmpty());
        gone.reset();
        lister->open();
        QVERIFY(QThreadPool::globalInstance()->waitForDone(5000));
        QCoreApplication::processEvents();
        QCOMPARE(delivered.size(), 2);
        QVERIFY(delivered.contains(QStringList{u"one-b"_s, u"one-a"_s}));
        QVERIFY(delivered.contains(QStringList{u"two-b"_s, u"two-a"_s}));
    }
};

QTEST_GUILESS_MAIN(TestBonjourBrowser)
#include "tst_bonjour_browser_offline.moc"
