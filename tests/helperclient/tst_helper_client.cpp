#include "helperclient/helper_client.h"
#include "helperclient/helper_client_access.h"
#include "log_capture.h"
#include "private_system_bus.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent>

#include <csignal>
#include <optional>

using namespace tarnwick;
using namespace Qt::Literals::StringLiterals;

namespace {

const QString kService = u"com.lorvens.TarnwickHelper"_s;
const QString kXpcError = u"[HelperClient] XPC error: "_s;

QStringList xpcErrors(const test::LogCapture& log)
{
    QStringList errors = log.lines();
    errors.removeIf([](const QString& line) { return !line.startsWith(kXpcError); });
    return errors;
}

} // namespace

// HelperClient against the built helper behind a private system bus that starts it on
// demand; a fresh bus, helper and client for every test.
class TestHelperClient : public QObject {
    Q_OBJECT

    QTemporaryDir m_base;
    const QString m_root = m_base.filePath(u"Volumes"_s);
    std::unique_ptr<test::PrivateSystemBus> m_bus;
    std::unique_ptr<HelperClient> m_client;
    qint64 m_stoppedHelper = 0;

    QString dir(const QString& name) const { return m_root + u'/' + name; }
    bool makeDir(const QString& name) const { return QDir().mkpath(dir(name)); }
    // The engine's way: a removal from a worker thread, waited for there.
    QFuture<bool> removeInBackground(HelperClientAccess& access, const QString& name) const
    {
        return QtConcurrent::run(
            [&access, path = dir(name)] { return access.removeDirectory(path); });
    }

private Q_SLOTS:
    void init()
    {
        m_bus = std::make_unique<test::PrivateSystemBus>(
            QStringLiteral(TARNWICK_HELPER_BINARY " --volumes-root ") + m_root);
        QVERIFY(m_bus->start());
        m_client = std::make_unique<HelperClient>(m_bus->address());
    }
    void cleanup()
    {
        QThreadPool::globalInstance()->waitForDone();
        m_client.reset();
        if (m_stoppedHelper > 0)
            ::kill(pid_t(std::exchange(m_stoppedHelper, 0)), SIGKILL);
        if (QTest::currentTestFailed())
            qWarning().noquote() << "bus output:\n" << m_bus->output();
        m_bus.reset();
    }

    void proxyReusesOneConnection()
    {
        QVERIFY(makeDir(u"Share-1"_s));
        std::optional<bool> removed;
        std::optional<QString> version;
        const HelperProxy first = m_client->proxy();
        first.removeDirectory(dir(u"Share-1"_s), [&](bool ok) { removed = ok; });
        QTRY_VERIFY(removed.has_value()); // the first call started the helper
        QVERIFY(*removed && !QFileInfo::exists(dir(u"Share-1"_s)));

        const HelperProxy second = m_client->proxy();
        second.getVersion([&](const QString& v) { version = v; });
        QTRY_VERIFY(version.has_value());
        QCOMPARE(*version, u"1.0"_s);
        QVERIFY(!first.connectionName().isEmpty());
        QCOMPARE(second.connectionName(), first.connectionName());
        // The helper saw one client connection for both requests.
        QCOMPARE(m_bus->output().count(u"] Received new connection request\n"_s), 1);
    }

    // Worker threads block on the reply while the main loop runs, as in the app; the main
    // thread itself waits in a nested loop.
    void accessServesWorkerThreadsAndTheMainThread()
    {
        test::LogCapture log;
        HelperClientAccess access(*m_client);
        const QStringList paths{dir(u"S1"_s), dir(u"S2"_s), dir(u"S3"_s), dir(u"S1/"_s)};
        QVERIFY(makeDir(u"S1"_s) && makeDir(u"S2"_s) && makeDir(u"S3"_s));
        const QFuture<bool> results = QtConcurrent::mapped(
            paths, [&access](const QString& path) { return access.removeDirectory(path); });
        QTRY_VERIFY(results.isFinished());
        // The last is refused for its trailing slash.
        QCOMPARE(results.results(), (QList<bool>{true, true, true, false}));
        QVERIFY(!QFileInfo::exists(paths.first()));

        QVERIFY(makeDir(u"Main"_s));
        QVERIFY(access.removeDirectory(dir(u"Main"_s)));
        QVERIFY(!QFileInfo::exists(dir(u"Main"_s)));
        QVERIFY(!access.removeDirectory(dir(u"Main"_s))); // gone now: rmdir fails
        QCOMPARE(xpcErrors(log), QStringList());
    }

    void connectionLostMidRequest_data()
    {
        QTest::addColumn<bool>("helperKilled"); // else the bus goes away
        QTest::newRow("helper killed") << true;
        QTest::newRow("bus dropped") << false;
    }
    // A request the stopped helper holds: its death (or the bus's) releases the waiting
    // caller with one error line, the dead connection sends nothing more, and the next proxy
    // opens a new connection that the bus serves with a new helper.
    void connectionLostMidRequest()
    {
        QFETCH(bool, helperKilled);
        HelperClientAccess access(*m_client);
        QVERIFY(makeDir(u"Warm"_s) && makeDir(u"Share-1"_s));
        QVERIFY(access.removeDirectory(dir(u"Warm"_s))); // helper running, connection open
        const HelperProxy before = m_client->proxy();
        const QString firstConnection = before.connectionName();

        test::LogCapture log;
        m_stoppedHelper = m_bus->ownerPid(kService);
        QVERIFY(m_stoppedHelper > 0);
        QVERIFY(m_bus->startMonitor(u"type='method_call',member='RemoveDirectory'"_s));
        ::kill(pid_t(m_stoppedHelper), SIGSTOP);
        QFuture<bool> removed = removeInBackground(access, u"Share-1"_s);
        // Once the bus has handed the request over, only the stopped helper can answer it.
        QTRY_VERIFY_WITH_TIMEOUT(m_bus->monitorOutput().contains(u"member=RemoveDirectory"), 10000);
        QVERIFY(!removed.isFinished());

        if (helperKilled)
            ::kill(pid_t(std::exchange(m_stoppedHelper, 0)), SIGKILL);
        else
            m_bus->stop();
        QTRY_VERIFY(removed.isFinished());
        QCOMPARE(removed.result(), false);
        QCOMPARE(xpcErrors(log).size(), 1);
        QVERIFY(QFileInfo::exists(dir(u"Share-1"_s)));
        if (!helperKilled)
            QVERIFY(m_bus->start());

        log.clear();
        bool replied = false;
        before.removeDirectory(dir(u"Share-1"_s), [&](bool) { replied = true; });
        QTRY_COMPARE(xpcErrors(log).size(), 1);
        QVERIFY(!replied && QFileInfo::exists(dir(u"Share-1"_s)));

        const QString next = m_client->proxy().connectionName();
        QVERIFY(!next.isEmpty());
        if (helperKilled) // a new bus hands out the same unique names again
            QVERIFY(next != firstConnection);
        QVERIFY(access.removeDirectory(dir(u"Share-1"_s)));
    }

    void unreachableHelper_data()
    {
        QTest::addColumn<QString>("setup"); // installed, missing, no bus
        QTest::addColumn<QString>("line");  // what registerDaemon prints, or its beginning

        QTest::newRow("installed") << u"installed"_s << u"[HelperClient] Daemon already running"_s;
        QTest::newRow("not installed")
            << u"missing"_s
            << u"[HelperClient] Registration failed: com.lorvens.TarnwickHelper is not installed"_s;
        QTest::newRow("no bus")
            << u"no bus"_s << u"[HelperClient] Registration failed: cannot reach the system bus"_s;
    }
    // registerDaemon only tells (nothing is started); without a helper to ask a request
    // fails at once with one error line instead of waiting.
    void unreachableHelper()
    {
        QFETCH(QString, setup);
        QFETCH(QString, line);
        QVERIFY(m_bus->setHelperInstalled(setup == u"installed"));
        if (setup == u"no bus")
            m_bus->stop();
        QVERIFY(makeDir(u"Share-1"_s));
        test::LogCapture log;
        m_client->registerDaemon();
        QCOMPARE(log.lines().size(), 1);
        QVERIFY2(log.lines().first().startsWith(line), qPrintable(log.lines().first()));
        QCOMPARE(m_bus->ownerPid(kService), qint64(0));
        if (setup == u"installed")
            return;

        log.clear();
        HelperClientAccess access(*m_client);
        QFuture<bool> removed = removeInBackground(access, u"Share-1"_s);
        QTRY_VERIFY(removed.isFinished());
        QCOMPARE(removed.result(), false);
        const QStringList errors = xpcErrors(log);
        QCOMPARE(errors.size(), 1);
        if (setup == u"missing")
            QVERIFY2(errors.first().contains(kService), qPrintable(errors.first()));
        QVERIFY(QFileInfo::exists(dir(u"Share-1"_s)));
    }
};

QTEST_GUILESS_MAIN(TestHelperClient)
#include "tst_helper_client.moc"
