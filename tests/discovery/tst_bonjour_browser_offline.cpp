#include "discovery/bonjour_browser.h"
#include "discovery/dns_sd_request.h"
#include "discovery/share_lister.h"

#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QThreadPool>

#include <condition_variable>
#include <mutex>

using namespace tarnwick;

namespace {

// A counting semaphore over the standard library, whose locking the thread sanitizer sees.
class Semaphore {
public:
    void release(int n = 1)
    {
        std::lock_guard lock(m_mutex);
        m_count += n;
        m_changed.notify_all();
    }
    void acquire() { tryAcquire(1, std::chrono::hours(1)); }
    bool tryAcquire(int n, std::chrono::milliseconds timeout)
    {
        std::unique_lock lock(m_mutex);
        if (!m_changed.wait_for(lock, timeout, [&] { return m_count >= n; }))
            return false;
        m_count -= n;
        return true;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_count = 0;
};

// A lister that holds each call until the test lets it go, so the test decides what
// happens first: the listing or the browser's end.
class GatedLister : public ShareLister {
public:
    QStringList listShares(const QString& host) const override
    {
        entered.release();
        gate.acquire();
        return {host + QStringLiteral("-b"), host + QStringLiteral("-a")};
    }
    mutable Semaphore entered;
    mutable Semaphore gate;
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

    // The search cannot start: isSearching is true until the next turn of the event
    // loop, then false; the browse stays set; nothing is listed.
    void searchWithoutDaemon()
    {
        BonjourBrowser browser(nullptr);
        QSignalSpy searching(&browser, &BonjourBrowser::isSearchingChanged);
        browser.startSearch();
        QVERIFY(browser.isSearching());
        QTRY_VERIFY(!browser.isSearching());
        QCOMPARE(searching.count(), 2);
        QVERIFY(browser.m_browser);
        QVERIFY(!browser.m_browser->isOpen());
        QVERIFY(browser.discovered().isEmpty());

        browser.stopSearch();
        QVERIFY(!browser.m_browser);
        QCOMPARE(searching.count(), 2);
    }

    // The completion runs once, on the main thread, with what the lister delivered.
    void listSharesCompletesOnMainThread()
    {
        auto lister = std::make_shared<GatedLister>();
        BonjourBrowser browser(lister);
        int calls = 0;
        QStringList delivered;
        QThread* thread = nullptr;
        browser.listShares(QStringLiteral("nas"), [&](const QStringList& names) {
            ++calls;
            delivered = names;
            thread = QThread::currentThread();
        });
        QVERIFY(lister->entered.tryAcquire(1, std::chrono::seconds(5)));
        QCOMPARE(calls, 0);
        lister->gate.release();
        QTRY_COMPARE(calls, 1);
        QCOMPARE(thread, QThread::currentThread());
        QCOMPARE(delivered, (QStringList{QStringLiteral("nas-b"), QStringLiteral("nas-a")}));
        QVERIFY(QThreadPool::globalInstance()->waitForDone(5000));
        QCoreApplication::processEvents();
        QCOMPARE(calls, 1);
    }

    // Two listings at once each complete with their own result.
    void concurrentListings()
    {
        auto lister = std::make_shared<GatedLister>();
        BonjourBrowser browser(lister);
        QStringList first, second;
        browser.listShares(QStringLiteral("one"), [&](const QStringList& n) { first = n; });
        browser.listShares(QStringLiteral("two"), [&](const QStringList& n) { second = n; });
        QVERIFY(lister->entered.tryAcquire(2, std::chrono::seconds(5)));
        lister->gate.release(2);
        QTRY_VERIFY(!first.isEmpty() && !second.isEmpty());
        QCOMPARE(first.first(), QStringLiteral("one-b"));
        QCOMPARE(second.first(), QStringLiteral("two-b"));
    }

    // A browser gone before the listing ends gets no call.
    void browserGoneBeforeCompletion()
    {
        auto lister = std::make_shared<GatedLister>();
        auto browser = std::make_unique<BonjourBrowser>(lister);
        bool called = false;
        browser->listShares(QStringLiteral("nas"), [&](const QStringList&) { called = true; });
        QVERIFY(lister->entered.tryAcquire(1, std::chrono::seconds(5)));
        browser.reset();
        lister->gate.release();
        QVERIFY(QThreadPool::globalInstance()->waitForDone(5000));
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents();
        QVERIFY(!called);
    }
};

QTEST_GUILESS_MAIN(TestBonjourBrowser)
#include "tst_bonjour_browser_offline.moc"
