#include "helper_names.h"
#include "helperclient/helper_client.h"
#include "helperclient/helper_client_access.h"
#include "log_capture.h"
#include "private_system_bus.h"

#include <QDBusConnectionInterface>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent>

#include <csignal>

using namespace tarnwick;
using namespace Qt::Literals::StringLiterals;
using helper::kServiceName;

namespace {

const QString kXpcError = u"[HelperClient] XPC error: "_s;

// method: "Interface.Member", or a member of the helper's own interface.
QDBusMessage helperCall(QString method)
{
    if (!method.contains(u'.'))
        method = helper::kInterfaceName.toString() + u'.' + method;
    return QDBusMessage::createMethodCall(kServiceName.toString(), helper::kObjectPath.toString(),
                                          method.section(u'.', 0, -2), method.section(u'.', -1));
}

// No such process, or only its zombie (nothing may reap it in a container).
bool processGone(qint64 pid)
{
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    const QByteArray text = stat.open(QIODevice::ReadOnly) ? stat.readAll() : "x) Z";
    return text.mid(text.lastIndexOf(')') + 2, 1) == "Z";
}

} // namespace

// The built helper behind a private system bus that starts it on demand through its real
// activation file and policy, with a temporary volumes root; a fresh bus, helper and client
// for every test.
class TestHelperDaemon : public QObject {
    Q_OBJECT

    QTemporaryDir m_base;
    const QString m_root = m_base.filePath(u"Volumes"_s);
    std::unique_ptr<test::PrivateSystemBus> m_bus;
    std::unique_ptr<HelperClient> m_client;
    qint64 m_stoppedHelper = 0;

    QString dir(const QString& name) const { return m_root + u'/' + name; }
    bool makeDir(const QString& name) const { return QDir().mkpath(dir(name)); }
    QDBusConnection raw() const
    {
        return QDBusConnection::connectToBus(m_bus->address(), u"raw"_s);
    }
    qint64 helperPid() const { return m_bus->ownerPid(kServiceName.toString()); }
    // How often the helper logged text at level, as a line of its own.
    int logged(int level, const QString& text) const
    {
        return m_bus->output().count(u"\n<%1>[com.lorvens.TarnwickHelper/Default] "_s.arg(level) +
                                     text + u'\n');
    }
    void startBus(int idleExitMs)
    {
        QVERIFY(QDir().mkpath(m_root));
        m_bus = std::make_unique<test::PrivateSystemBus>(
            QStringLiteral(TARNWICK_HELPER_BINARY " --volumes-root ") + m_root +
            u" --idle-exit %1"_s.arg(idleExitMs));
        QVERIFY(m_bus->start());
        m_client = std::make_unique<HelperClient>(m_bus->address());
    }

private Q_SLOTS:
    void init() { startBus(60000); }
    void cleanup()
    {
        QThreadPool::globalInstance()->waitForDone();
        m_client.reset();
        QDBusConnection::disconnectFromBus(u"raw"_s);
        if (m_stoppedHelper > 0)
            ::kill(pid_t(std::exchange(m_stoppedHelper, 0)), SIGKILL);
        m_bus.reset();
    }

    // Two clients call before the helper runs: the bus starts it once, serves both, logs each
    // connection; one leaving does not end the helper. The app's client serves worker threads
    // blocked on replies, the main thread (nested loop) and async proxies over one connection.
    void requests()
    {
        test::LogCapture log;
        auto other = std::make_unique<HelperClient>(m_bus->address());
        HelperClientAccess access(*m_client), otherAccess(*other);
        QVERIFY(makeDir(u"S1"_s) && makeDir(u"S2"_s) && makeDir(u"S3"_s) && makeDir(u"Main"_s));
        const QStringList paths{dir(u"S1"_s), dir(u"S2"_s), dir(u"S1/"_s), dir(u"S3"_s)};
        const QFuture<bool> results = QtConcurrent::mapped(paths, [&](const QString& path) {
            return (path.endsWith(u'2') ? otherAccess : access).removeDirectory(path);
        });
        QTRY_VERIFY(results.isFinished());
        QCOMPARE(results.results(), (QList<bool>{true, true, false, true})); // "/": refused
        QVERIFY(access.removeDirectory(dir(u"Main"_s)) && !QFileInfo::exists(dir(u"Main"_s)));
        std::optional<QString> version;
        m_client->proxy().getVersion([&](const QString& v) { version = v; });
        QTRY_COMPARE(version.value_or(QString()), u"1.0"_s);
        QCOMPARE(logged(6, u"removeDirectory "_s + dir(u"S2"_s) + u": success"_s), 1);
        QCOMPARE(logged(6, u"Received new connection request"_s), 2);
        QCOMPARE(logged(6, u"Connection configured and resumed"_s), 2);
        other.reset();
        QTRY_COMPARE(logged(3, u"Connection invalidated"_s), 1);
        QCOMPARE(logged(6, u"TarnwickHelper started, listening on com.lorvens.TarnwickHelper"_s),
                 1);
        QCOMPARE(log.lines().filter(kXpcError), QStringList());

        // The installed policy lets anyone call the two methods (and introspect), nothing else.
        for (const QString& method : {u"org.freedesktop.DBus.Peer.Ping"_s,
                                      u"org.freedesktop.DBus.Properties.GetAll"_s, u"Shutdown"_s})
            QCOMPARE(raw().call(helperCall(method)).errorName(),
                     u"org.freedesktop.DBus.Error.AccessDenied"_s);
    }

    // Started on demand, the helper ends once it has had neither a call nor a client for its
    // idle time, and the next call starts a new one; a root process that lost its bus must
    // not linger either.
    void helperEndsWhenIdleOrWithTheBus()
    {
        startBus(300);
        QCOMPARE(raw().call(helperCall(u"GetVersion"_s)).type(), QDBusMessage::ReplyMessage);
        const qint64 first = helperPid();
        QTest::qWait(900); // three idle times with a client connected
        QVERIFY(first > 0 && !processGone(first));
        QDBusConnection::disconnectFromBus(u"raw"_s);
        QTRY_VERIFY(processGone(first));
        QTRY_COMPARE(logged(6, u"Idle, exiting"_s), 1);
        QCOMPARE(raw().call(helperCall(u"GetVersion"_s)).arguments(), QVariantList{u"1.0"_s});
        const qint64 next = helperPid();
        QVERIFY(next > 0 && next != first);
        m_bus->stop();
        QTRY_VERIFY(processGone(next));
        QTRY_COMPARE(logged(3, u"Connection interrupted"_s), 1);
    }

    void connectionLostMidRequest_data()
    {
        QTest::addColumn<bool>("helperKilled"); // else the bus goes away
        QTest::newRow("helper killed") << true;
        QTest::newRow("bus dropped") << false;
    }
    // A request the stopped helper holds: its death (or the bus's) releases the waiting caller
    // with one error line, the dead connection sends nothing more, the next proxy opens a new
    // one that the bus serves with a new helper.
    void connectionLostMidRequest()
    {
        QFETCH(bool, helperKilled);
        HelperClientAccess access(*m_client);
        QVERIFY(makeDir(u"Warm"_s) && makeDir(u"Share-1"_s));
        QVERIFY(access.removeDirectory(dir(u"Warm"_s))); // helper running, connection open
        const HelperProxy before = m_client->proxy();

        test::LogCapture log;
        QVERIFY((m_stoppedHelper = helperPid()) > 0);
        QVERIFY(m_bus->startMonitor(u"type='method_call',member='RemoveDirectory'"_s));
        ::kill(pid_t(m_stoppedHelper), SIGSTOP);
        // The engine's way: from a worker thread, waited for there.
        QFuture<bool> removed =
            QtConcurrent::run([&] { return access.removeDirectory(dir(u"Share-1"_s)); });
        // Once the bus has handed the request over, only the stopped helper can answer it.
        QTRY_VERIFY_WITH_TIMEOUT(m_bus->monitorOutput().contains(u"member=RemoveDirectory"), 10000);
        QVERIFY(!removed.isFinished());
        if (helperKilled)
            ::kill(pid_t(std::exchange(m_stoppedHelper, 0)), SIGKILL);
        else
            m_bus->stop();
        QTRY_VERIFY(removed.isFinished());
        QCOMPARE(removed.result(), false);
        QCOMPARE(log.lines().filter(kXpcError).size(), 1);
        if (!helperKilled)
            QVERIFY(m_bus->start());

        log.clear();
        bool replied = false;
        before.removeDirectory(dir(u"Share-1"_s), [&](bool) { replied = true; });
        QTRY_COMPARE(log.lines().filter(kXpcError).size(), 1);
        QVERIFY(!replied && QFileInfo::exists(dir(u"Share-1"_s)));
        QVERIFY(access.removeDirectory(dir(u"Share-1"_s)));
    }

    // registerDaemon only tells (nothing is started); without a helper to ask, or without a
    // bus, a request fails at once with one error line instead of waiting.
    void unreachableHelper()
    {
        test::LogCapture log;
        const auto check = [&](const QString& registration, const QString& requestError) {
            log.clear();
            m_client->registerDaemon();
            QVERIFY2(log.lines().size() == 1 && log.lines().first().startsWith(registration),
                     qPrintable(log.lines().join(u'|')));
            QCOMPARE(helperPid(), qint64(0));
            if (requestError.isEmpty())
                return;
            QVERIFY(!HelperClientAccess(*m_client).removeDirectory(dir(u"Share-1"_s)));
            const QStringList errors = log.lines().filter(kXpcError);
            QVERIFY2(errors.size() == 1 && errors.first().contains(requestError),
                     qPrintable(errors.join(u'|')));
        };
        check(u"[HelperClient] Daemon already running"_s, {});
        QVERIFY(m_bus->setHelperInstalled(false));
        check(u"[HelperClient] Registration failed: "_s + kServiceName.toString() +
                  u" is not installed"_s,
              kServiceName.toString());
        m_bus->stop();
        check(u"[HelperClient] Registration failed: cannot reach the system bus"_s, kXpcError);
    }
};

QTEST_GUILESS_MAIN(TestHelperDaemon)
#include "tst_helper_daemon.moc"
