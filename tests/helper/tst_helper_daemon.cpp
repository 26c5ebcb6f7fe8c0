#include "helper_names.h"
#include "private_system_bus.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using tarnwick::test::PrivateSystemBus;
using namespace Qt::Literals::StringLiterals;
namespace names = tarnwick::helper;

namespace {

QString service()
{
    return names::kServiceName.toString();
}

QString info(const QString& text)
{
    return QStringLiteral("<6>[com.lorvens.TarnwickHelper/Default] ") + text;
}

QString error(const QString& text)
{
    return QStringLiteral("<3>[com.lorvens.TarnwickHelper/Default] ") + text;
}

QDBusMessage callHelper(const QString& method, const QVariantList& args = {})
{
    QDBusMessage call = QDBusMessage::createMethodCall(service(), names::kObjectPath.toString(),
                                                       names::kInterfaceName.toString(), method);
    call.setArguments(args);
    return call;
}

// No such process, or only its zombie (nothing may reap it in a container).
bool processGone(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return true;
    const QByteArray text = stat.readAll();
    return text.mid(text.lastIndexOf(')') + 2, 1) == "Z";
}

} // namespace

// The built helper behind a private system bus that starts it on the first call, with a
// temporary volumes root; a fresh bus (so a fresh helper) for every test.
class TestHelperDaemon : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void firstCallStartsHelperAndServesConcurrentClients();
    void removeDirectory_data();
    void removeDirectory();
    void clientLeavingInvalidatesItsConnection();
    void policyAllowsOnlyTheTwoMethods();
    void helperEndsWithTheBus();

private:
    QString root() const { return m_base->filePath(QStringLiteral("Volumes")); }
    QStringList removalLines()
    {
        return m_bus->lines(QStringLiteral("<")).filter(u"removeDirectory");
    }
    QDBusConnection client(const QString& name)
    {
        m_clients.append(name);
        return m_bus->connect(name);
    }

    std::unique_ptr<QTemporaryDir> m_base;
    std::unique_ptr<PrivateSystemBus> m_bus;
    QStringList m_clients;
};

void TestHelperDaemon::init()
{
    m_base = std::make_unique<QTemporaryDir>();
    QVERIFY(m_base->isValid());
    QVERIFY(QDir(m_base->path()).mkpath(QStringLiteral("Volumes")));
    m_bus = std::make_unique<PrivateSystemBus>(QStringLiteral(TARNWICK_HELPER_BINARY) +
                                               QStringLiteral(" --volumes-root ") + root());
    QVERIFY2(m_bus->start(), qPrintable(m_bus->errorString()));
}

void TestHelperDaemon::cleanup()
{
    for (const QString& name : std::exchange(m_clients, {}))
        QDBusConnection::disconnectFromBus(name);
    if (QTest::currentTestFailed())
        qWarning().noquote() << "bus output:\n" << m_bus->output();
    m_bus.reset();
    m_base.reset();
}

// Two clients call before the helper runs: the bus starts it once and both are answered.
void TestHelperDaemon::firstCallStartsHelperAndServesConcurrentClients()
{
    QDBusConnection first = client(QStringLiteral("first"));
    QDBusConnection second = client(QStringLiteral("second"));
    QVERIFY(first.isConnected() && second.isConnected());
    QVERIFY(!first.interface()->isServiceRegistered(service()).value());

    QVERIFY(QDir(root()).mkdir(QStringLiteral("Share-1")));
    QDBusPendingReply<QString> version = first.asyncCall(callHelper(QStringLiteral("GetVersion")));
    QDBusPendingReply<bool> removed = second.asyncCall(
        callHelper(QStringLiteral("RemoveDirectory"), {root() + QStringLiteral("/Share-1")}));
    version.waitForFinished();
    removed.waitForFinished();

    QVERIFY2(!version.isError(), qPrintable(version.error().message()));
    QCOMPARE(version.value(), QStringLiteral("1.0"));
    QVERIFY2(!removed.isError(), qPrintable(removed.error().message()));
    QVERIFY(removed.value());
    QVERIFY(!QFileInfo::exists(root() + QStringLiteral("/Share-1")));

    QVERIFY(first.interface()->isServiceRegistered(service()).value());
    QTRY_COMPARE(m_bus->lines(info(QStringLiteral("TarnwickHelper started"))),
                 QStringList{info(QStringLiteral(
                     "TarnwickHelper started, listening on com.lorvens.TarnwickHelper"))});
    // One connection per client, each opened once.
    QTRY_COMPARE(m_bus->lines(info(QStringLiteral("Received new connection request"))).size(), 2);
    QCOMPARE(m_bus->lines(info(QStringLiteral("Connection configured and resumed"))).size(), 2);
}

void TestHelperDaemon::removeDirectory_data()
{
    // "@" stands for the volumes root, "^" for the directory that holds it.
    QTest::addColumn<QString>("setup"); // what the row creates, see removeDirectory()
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("reply");
    QTest::addColumn<QString>("line"); // the helper's log line for the request
    QTest::addColumn<QString>("kept"); // must still exist afterwards ("" = nothing)

    const auto ok = [](const QString& path, const QString& outcome) {
        return info(QStringLiteral("removeDirectory ") + path + QStringLiteral(": ") + outcome);
    };
    const auto refused = [](const QString& path) {
        return error(QStringLiteral("removeDirectory: invalid path ") + path);
    };
    QTest::newRow("empty directory") << u"dir @/Share-1"_s << u"@/Share-1"_s << true
                                     << ok(u"@/Share-1"_s, u"success"_s) << u""_s;
    QTest::newRow("not empty") << u"file @/Share-1/x"_s << u"@/Share-1"_s << false
                               << ok(u"@/Share-1"_s, u"failed (39)"_s) << u"@/Share-1/x"_s;
    QTest::newRow("missing") << u""_s << u"@/Share-1"_s << false
                             << ok(u"@/Share-1"_s, u"failed (2)"_s) << u""_s;
    QTest::newRow("trailing slash") << u"dir @/Share-1"_s << u"@/Share-1/"_s << false
                                    << refused(u"@/Share-1/"_s) << u"@/Share-1"_s;
    QTest::newRow("deeper") << u"dir @/a/b"_s << u"@/a/b"_s << false << refused(u"@/a/b"_s)
                            << u"@/a/b"_s;
    QTest::newRow("doubled slash")
        << u"dir @/a"_s << u"@//a"_s << false << refused(u"@//a"_s) << u"@/a"_s;
    QTest::newRow("parent") << u"dir ^/private"_s << u"@/../private"_s << false
                            << refused(u"@/../private"_s) << u"^/private"_s;
    QTest::newRow("dots in name") << u"dir @/a..b"_s << u"@/a..b"_s << false << refused(u"@/a..b"_s)
                                  << u"@/a..b"_s;
    QTest::newRow("outside") << u"dir ^/a"_s << u"^/a"_s << false << refused(u"^/a"_s) << u"^/a"_s;
    // The root is empty here, so only the rule keeps the helper from removing it.
    QTest::newRow("empty name") << u""_s << u"@/"_s << false << refused(u"@/"_s) << u"@"_s;
    QTest::newRow("link to a directory") << u"link @/link"_s << u"@/link"_s << false
                                         << ok(u"@/link"_s, u"failed (20)"_s) << u"^/target"_s;
    QTest::newRow("regular file") << u"file @/file"_s << u"@/file"_s << false
                                  << ok(u"@/file"_s, u"failed (20)"_s) << u"@/file"_s;
    QTest::newRow("newline stays in one line")
        << u""_s << u"@/a\nb"_s << false << ok(u"@/a\\x0ab"_s, u"failed (2)"_s) << u""_s;
}

void TestHelperDaemon::removeDirectory()
{
    QFETCH(QString, setup);
    QFETCH(QString, path);
    QFETCH(bool, reply);
    QFETCH(QString, line);
    QFETCH(QString, kept);
    const auto expand = [this](QString text) {
        return text.replace(u'@', root()).replace(u'^', m_base->path());
    };

    const QString target = expand(setup.section(u' ', 1));
    if (setup.startsWith(u"dir")) {
        QVERIFY(QDir().mkpath(target));
    } else if (setup.startsWith(u"file")) {
        QVERIFY(QDir().mkpath(QFileInfo(target).path()));
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly));
    } else if (setup.startsWith(u"link")) {
        QVERIFY(QDir().mkpath(m_base->filePath(QStringLiteral("target"))));
        QVERIFY(QFile::link(m_base->filePath(QStringLiteral("target")), target));
    }

    QDBusConnection bus = client(QStringLiteral("table"));
    const QDBusMessage answer =
        bus.call(callHelper(QStringLiteral("RemoveDirectory"), {expand(path)}));
    QCOMPARE(answer.type(), QDBusMessage::ReplyMessage);
    QCOMPARE(answer.arguments(), QVariantList{reply});
    QTRY_COMPARE(removalLines(), QStringList{expand(line)});
    if (!kept.isEmpty())
        QVERIFY(QFileInfo(expand(kept)).isSymLink() || QFileInfo::exists(expand(kept)));
    if (reply)
        QVERIFY(!QFileInfo::exists(expand(path)));
}

void TestHelperDaemon::clientLeavingInvalidatesItsConnection()
{
    {
        QDBusConnection bus = client(QStringLiteral("leaving"));
        QCOMPARE(bus.call(callHelper(QStringLiteral("GetVersion"))).arguments(),
                 QVariantList{QStringLiteral("1.0")});
        QCOMPARE(bus.call(callHelper(QStringLiteral("GetVersion"))).arguments(),
                 QVariantList{QStringLiteral("1.0")});
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("leaving"));
    m_clients.removeAll(QStringLiteral("leaving"));
    QTRY_COMPARE(m_bus->lines(error(QStringLiteral("Connection invalidated"))).size(), 1);
    QCOMPARE(m_bus->lines(info(QStringLiteral("Received new connection request"))).size(), 1);

    // The helper keeps serving.
    QDBusConnection next = client(QStringLiteral("next"));
    QCOMPARE(next.call(callHelper(QStringLiteral("GetVersion"))).arguments(),
             QVariantList{QStringLiteral("1.0")});
}

// The installed policy lets any local user call the two methods and introspect the helper,
// and nothing else.
void TestHelperDaemon::policyAllowsOnlyTheTwoMethods()
{
    QDBusConnection bus = client(QStringLiteral("policy"));
    QCOMPARE(bus.call(callHelper(QStringLiteral("GetVersion"))).type(), QDBusMessage::ReplyMessage);
    const QDBusMessage introspect = bus.call(QDBusMessage::createMethodCall(
        service(), names::kObjectPath.toString(),
        QStringLiteral("org.freedesktop.DBus.Introspectable"), QStringLiteral("Introspect")));
    QCOMPARE(introspect.type(), QDBusMessage::ReplyMessage);
    QVERIFY(introspect.arguments().value(0).toString().contains(u"RemoveDirectory"));

    const QList<std::pair<QString, QString>> others{
        {u"org.freedesktop.DBus.Peer"_s, u"Ping"_s},
        {u"org.freedesktop.DBus.Properties"_s, u"GetAll"_s},
        {u"com.lorvens.TarnwickHelper"_s, u"Shutdown"_s}};
    for (const auto& [interface, member] : others) {
        const QDBusMessage denied = bus.call(QDBusMessage::createMethodCall(
            service(), names::kObjectPath.toString(), interface, member));
        QCOMPARE(denied.type(), QDBusMessage::ErrorMessage);
        QCOMPARE(denied.errorName(), QStringLiteral("org.freedesktop.DBus.Error.AccessDenied"));
    }
}

// A root process that lost its bus must not linger: the bus starts a new one when needed.
void TestHelperDaemon::helperEndsWithTheBus()
{
    QDBusConnection bus = client(QStringLiteral("pid"));
    QCOMPARE(bus.call(callHelper(QStringLiteral("GetVersion"))).type(), QDBusMessage::ReplyMessage);
    const qint64 pid = m_bus->ownerPid(service());
    QVERIFY(pid > 0);
    QVERIFY(!processGone(pid));

    m_bus->stopDaemonOnly();
    QTRY_VERIFY(processGone(pid));
}

QTEST_GUILESS_MAIN(TestHelperDaemon)
#include "tst_helper_daemon.moc"
