#include "helperclient/helper_client.h"
#include "helperclient/helper_client_access.h"
#include "log_capture.h"
#include "private_system_bus.h"

#include <QDir>
#include <QFileInfo>
#include <QFuture>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent>

#include <csignal>
#include <optional>

using namespace tarnwick;
using namespace Qt::Literals::StringLiterals;
using test::LogCapture;
using test::PrivateSystemBus;

namespace {

const QString kService = u"com.lorvens.TarnwickHelper"_s;
const QString kXpcError = u"[HelperClient] XPC error: "_s;
const QString kRemoveCall = u"type='method_call',member='RemoveDirectory'"_s;

QStringList startingWith(const QStringList& lines, const QString& prefix)
{
    QStringList matching;
    for (const QString& line : lines)
        if (line.startsWith(prefix))
            matching.append(line);
    return matching;
}

} // namespace

// HelperClient against the built helper behind a private system bus that starts it on
// demand; a fresh bus, helper and client for every test.
class TestHelperClient : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void proxyReusesOneConnection();
    void accessServesWorkerThreadsAndTheMainThread();
    void helperKilledMidRequestReleasesTheCaller();
    void busDroppedMidRequestReleasesTheCaller();
    void unreachableHelper_data();
    void unreachableHelper();
    void registerDaemon_data();
    void registerDaemon();

private:
    QString dir(const QString& name) const { return m_root + u'/' + name; }
    bool makeDir(const QString& name) const { return QDir().mkpath(dir(name)); }
    // Stops the running helper and sends a removal from a worker thread; returns once the
    // bus has handed the request to the stopped helper.
    void removeWhileHelperStopped(HelperClientAccess& access, const QString& name,
                                  QFuture<bool>* removed);

    std::unique_ptr<QTemporaryDir> m_base;
    QString m_root;
    std::unique_ptr<PrivateSystemBus> m_bus;
    std::unique_ptr<HelperClient> m_client;
    qint64 m_stoppedHelper = 0;
};

void TestHelperClient::init()
{
    m_base = std::make_unique<QTemporaryDir>();
    QVERIFY(m_base->isValid());
    m_root = m_base->filePath(u"Volumes"_s);
    QVERIFY(QDir().mkpath(m_root));
    m_bus = std::make_unique<PrivateSystemBus>(QStringLiteral(TARNWICK_HELPER_BINARY) +
                                               u" --volumes-root "_s + m_root);
    QVERIFY2(m_bus->start(), qPrintable(m_bus->errorString()));
    m_client = std::make_unique<HelperClient>(m_bus->address());
}

void TestHelperClient::cleanup()
{
    QThreadPool::globalInstance()->waitForDone();
    m_client.reset();
    if (m_stoppedHelper > 0)
        ::kill(pid_t(std::exchange(m_stoppedHelper, 0)), SIGKILL);
    if (QTest::currentTestFailed())
        qWarning().noquote() << "bus output:\n" << m_bus->output();
    m_bus.reset();
    m_base.reset();
}

void TestHelperClient::removeWhileHelperStopped(HelperClientAccess& access, const QString& name,
                                                QFuture<bool>* removed)
{
    m_stoppedHelper = m_bus->ownerPid(kService);
    QVERIFY(m_stoppedHelper > 0);
    QVERIFY(m_bus->startMonitor(kRemoveCall));
    ::kill(pid_t(m_stoppedHelper), SIGSTOP);
    *removed =
        QtConcurrent::run([&access, path = dir(name)] { return access.removeDirectory(path); });
    QTRY_VERIFY_WITH_TIMEOUT(m_bus->monitorOutput().contains(u"member=RemoveDirectory"), 10000);
}

void TestHelperClient::proxyReusesOneConnection()
{
    QVERIFY(makeDir(u"Share-1"_s));
    std::optional<bool> removed;
    std::optional<QString> version;

    const HelperProxy first = m_client->proxy();
    first.removeDirectory(dir(u"Share-1"_s), [&](bool ok) { removed = ok; });
    QTRY_VERIFY(removed.has_value()); // the first call started the helper
    QVERIFY(*removed);
    QVERIFY(!QFileInfo::exists(dir(u"Share-1"_s)));

    const HelperProxy second = m_client->proxy();
    second.getVersion([&](const QString& v) { version = v; });
    QTRY_VERIFY(version.has_value());
    QCOMPARE(*version, u"1.0"_s);

    QVERIFY(!first.connectionName().isEmpty());
    QCOMPARE(second.connectionName(), first.connectionName());
    // The helper saw one client connection for both requests.
    QCOMPARE(
        m_bus->lines(u"<6>[com.lorvens.TarnwickHelper/Default] Received new connection"_s).size(),
        1);
}

void TestHelperClient::accessServesWorkerThreadsAndTheMainThread()
{
    LogCapture log;
    HelperClientAccess access(*m_client);
    QStringList paths;
    for (int i = 0; i < 6; ++i) {
        QVERIFY(makeDir(u"Share-%1"_s.arg(i)));
        paths.append(dir(u"Share-%1"_s.arg(i)));
    }
    paths.append(dir(u"Share-0/"_s)); // refused: trailing slash

    const QFuture<bool> results = QtConcurrent::mapped(
        paths, [&access](const QString& path) { return access.removeDirectory(path); });
    QTRY_VERIFY(results.isFinished()); // the main loop runs meanwhile, as in the app
    const QList<bool> expected{true, true, true, true, true, true, false};
    QCOMPARE(results.results(), expected);
    for (int i = 0; i < 6; ++i)
        QVERIFY(!QFileInfo::exists(paths.at(i)));

    QVERIFY(makeDir(u"Main"_s));
    QVERIFY(access.removeDirectory(dir(u"Main"_s)));
    QVERIFY(!QFileInfo::exists(dir(u"Main"_s)));
    QVERIFY(!access.removeDirectory(dir(u"Main"_s))); // gone now: rmdir fails
    QCOMPARE(startingWith(log.lines(), kXpcError), QStringList());
}

void TestHelperClient::helperKilledMidRequestReleasesTheCaller()
{
    HelperClientAccess access(*m_client);
    QVERIFY(makeDir(u"Warm"_s));
    QVERIFY(access.removeDirectory(dir(u"Warm"_s))); // helper running, connection open
    const HelperProxy before = m_client->proxy();
    const QString firstConnection = before.connectionName();

    LogCapture log;
    QVERIFY(makeDir(u"Share-1"_s));
    QFuture<bool> removed;
    removeWhileHelperStopped(access, u"Share-1"_s, &removed);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(!removed.isFinished()); // held by the stopped helper

    ::kill(pid_t(std::exchange(m_stoppedHelper, 0)), SIGKILL);
    QTRY_VERIFY(removed.isFinished());
    QCOMPARE(removed.result(), false);
    QCOMPARE(startingWith(log.lines(), kXpcError).size(), 1);
    QVERIFY(QFileInfo::exists(dir(u"Share-1"_s)));

    // A proxy of the dead connection sends nothing, even though a new helper could start.
    log.clear();
    bool replied = false;
    before.removeDirectory(dir(u"Share-1"_s), [&](bool) { replied = true; });
    QTRY_COMPARE(startingWith(log.lines(), kXpcError).size(), 1);
    QVERIFY(!replied);
    QVERIFY(QFileInfo::exists(dir(u"Share-1"_s)));

    // The next proxy opens a new connection, and the bus starts a new helper for it.
    const QString next = m_client->proxy().connectionName();
    QVERIFY(!next.isEmpty());
    QVERIFY(next != firstConnection);
    QVERIFY(access.removeDirectory(dir(u"Share-1"_s)));
}

void TestHelperClient::busDroppedMidRequestReleasesTheCaller()
{
    HelperClientAccess access(*m_client);
    QVERIFY(makeDir(u"Warm"_s));
    QVERIFY(access.removeDirectory(dir(u"Warm"_s)));

    LogCapture log;
    QVERIFY(makeDir(u"Share-1"_s));
    QFuture<bool> removed;
    removeWhileHelperStopped(access, u"Share-1"_s, &removed);
    if (QTest::currentTestFailed())
        return;

    m_bus->stopDaemonOnly();
    QTRY_VERIFY(removed.isFinished());
    QCOMPARE(removed.result(), false);
    QCOMPARE(startingWith(log.lines(), kXpcError).size(), 1);

    // A bus on the same address again: only a new connection can reach it.
    QVERIFY2(m_bus->start(), qPrintable(m_bus->errorString()));
    QVERIFY(access.removeDirectory(dir(u"Share-1"_s)));
}

void TestHelperClient::unreachableHelper_data()
{
    QTest::addColumn<bool>("busUp");
    QTest::newRow("not installed") << true;
    QTest::newRow("no bus") << false;
}

// No helper to ask: the request fails at once with one error line instead of waiting.
void TestHelperClient::unreachableHelper()
{
    QFETCH(bool, busUp);
    QVERIFY(m_bus->setHelperInstalled(false));
    if (!busUp)
        m_bus->stop();
    QVERIFY(makeDir(u"Share-1"_s));
    LogCapture log;
    HelperClientAccess access(*m_client);

    QFuture<bool> removed = QtConcurrent::run(
        [&access, path = dir(u"Share-1"_s)] { return access.removeDirectory(path); });
    QTRY_VERIFY(removed.isFinished());
    QCOMPARE(removed.result(), false);
    const QStringList errors = startingWith(log.lines(), kXpcError);
    QCOMPARE(errors.size(), 1);
    if (busUp)
        QVERIFY2(errors.first().contains(kService), qPrintable(errors.first()));
    QVERIFY(QFileInfo::exists(dir(u"Share-1"_s)));
}

void TestHelperClient::registerDaemon_data()
{
    QTest::addColumn<QString>("setup"); // installed, missing, no bus
    QTest::addColumn<QString>("line");  // the line printed, or its beginning

    QTest::newRow("installed") << u"installed"_s << u"[HelperClient] Daemon already running"_s;
    QTest::newRow("not installed")
        << u"missing"_s
        << u"[HelperClient] Registration failed: com.lorvens.TarnwickHelper is not installed"_s;
    QTest::newRow("no bus") << u"no bus"_s
                            << u"[HelperClient] Registration failed: cannot reach the system bus"_s;
}

void TestHelperClient::registerDaemon()
{
    QFETCH(QString, setup);
    QFETCH(QString, line);
    QVERIFY(m_bus->setHelperInstalled(setup == u"installed"));
    HelperClient client(setup == u"no bus" ? u"unix:path="_s + m_base->filePath(u"none"_s)
                                           : m_bus->address());
    LogCapture log;
    client.registerDaemon();
    QCOMPARE(log.lines().size(), 1);
    QVERIFY2(log.lines().first().startsWith(line), qPrintable(log.lines().first()));
    // Telling is all it does: nothing was started.
    QCOMPARE(m_bus->ownerPid(kService), qint64(0));
}

QTEST_GUILESS_MAIN(TestHelperClient)
#include "tst_helper_client.moc"
