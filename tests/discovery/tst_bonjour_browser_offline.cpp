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
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_open; });
        return {host + u"-b"_s, host + u"-a"_s};
    }
    bool waitForEntered(int calls) const
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(5),
                                  [&] { return m_entered >= calls; });
    }
    void open()
    {
        std::lock_guard lock(m_mutex);
        m_open = true;
        m_changed.notify_all();
    }

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
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

    // Two listings at once: each completion runs once, on the main thread, with what the
    // lister delivered for its host.
    void listingsCompleteOnMainThread()
    {
        auto lister = std::make_shared<GatedLister>();
        BonjourBrowser browser(lister);
        QList<QStringList> delivered;
        for (const QString& host : {u"one"_s, u"two"_s}) {
            browser.listShares(host, [&](const QStringList& names) {
                QCOMPARE(QThread::currentThread(), qApp->thread());
                delivered.append(names);
            });
        }
        QVERIFY(lister->waitForEntered(2));
        QCoreApplication::processEvents();
        QVERIFY(delivered.isEmpty());
        lister->open();
        QVERIFY(QThreadPool::globalInstance()->waitForDone(5000));
        QTRY_COMPARE(delivered.size(), 2);
        QCoreApplication::processEvents();
        QCOMPARE(delivered.size(), 2);
        QVERIFY(delivered.contains(QStringList{u"one-b"_s, u"one-a"_s}));
        QVERIFY(delivered.contains(QStringList{u"two-b"_s, u"two-a"_s}));
    }

    // A browser gone before the listing ends gets no call.
    void browserGoneBeforeCompletion()
    {
        auto lister = std::make_shared<GatedLister>();
        auto browser = std::make_unique<BonjourBrowser>(lister);
        bool called = false;
        browser->listShares(u"nas"_s, [&](const QStringList&) { called = true; });
        QVERIFY(lister->waitForEntered(1));
        browser.reset();
        lister->open();
        QVERIFY(QThreadPool::globalInstance()->waitForDone(5000));
        QCoreApplication::sendPostedEvents();
        QVERIFY(!called);
    }
};

QTEST_GUILESS_MAIN(TestBonjourBrowser)
#include "tst_bonjour_browser_offline.moc"
