#include "helper_names.h"
#include "private_system_bus.h"

#include <QDBusConnectionInterface>
#include <QDBusPendingReply>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace tarnwick::helper;

namespace {

const QString kService = kServiceName.toString();

QDBusMessage helperCall(const QString& member, const QVariantList& args = {},
                        const QString& interface = kInterfaceName.toString())
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kObjectPath.toString(), interface, member);
    call.setArguments(args);
    return call;
}

// No such process, or only its zombie (nothing may reap it in a container).
bool processGone(qint64 pid)
{
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    const QByteArray text = stat.open(QIODevice::ReadOnly) ? stat.readAll() : "x) Z";
    return text.mid(text.lastIndexOf(')') + 2, 1) == "Z";
}

} // namespace

// The built helper behind a private system bus that starts it on the first call, with a
// temporary volumes root; a fresh bus (so a fresh helper) for every test. What the remover
// does with each path is tst_removal_rule's business; here it is the daemon around it.
class TestHelperDaemon : public QObject {
    Q_OBJECT

    QTemporaryDir m_base;
    const QString m_root = m_base.filePath(u"Volumes"_s);
    std::unique_ptr<tarnwick::test::PrivateSystemBus> m_bus;

    QDBusConnection client(const QString& name) const
    {
        return QDBusConnection::connectToBus(m_bus->address(), name);
    }
    // How often the helper logged text at level, as a line of its own.
    int logged(int level, const QString& text) const
    {
        return m_bus->output().count(u"\n<%1>[com.lorvens.TarnwickHelper/Default] "_s.arg(level) +
                                     text + u'\n');
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(QDir().mkpath(m_root));
        m_bus = std::make_unique<tarnwick::test::PrivateSystemBus>(
            QStringLiteral(TARNWICK_HELPER_BINARY " --volumes-root ") + m_root);
        QVERIFY(m_bus->start());
    }
    void cleanup()
    {
        for (const QString& name : {u"first"_s, u"second"_s, u"next"_s})
            QDBusConnection::disconnectFromBus(name);
        if (QTest::currentTestFailed())
            qWarning().noquote() << "bus output:\n" << m_bus->output();
        m_bus.reset();
    }

    // Two clients call before the helper runs: the bus starts it once, both are answered,
    // each connection is logged, and one leaving does not end the helper.
    void activationServesConcurrentClients()
    {
        QDBusConnection second = client(u"second"_s);
        QVERIFY(!second.interface()->isServiceRegistered(kService).value());
        QVERIFY(QDir(m_root).mkdir(u"Share-1"_s));
        QDBusPendingReply<QString> version =
            client(u"first"_s).asyncCall(helperCall(u"GetVersion"_s));
        QDBusPendingReply<bool> removed =
            second.asyncCall(helperCall(u"RemoveDirectory"_s, {m_root + u"/Share-1"_s}));
        version.waitForFinished();
        removed.waitForFinished();
        QCOMPARE(version.value(), u"1.0"_s);
        QVERIFY2(removed.value(), qPrintable(removed.error().message()));
        QVERIFY(!QFileInfo::exists(m_root + u"/Share-1"_s));

        QTRY_COMPARE(logged(6, u"removeDirectory "_s + m_root + u"/Share-1: success"_s), 1);
        QCOMPARE(logged(6, u"TarnwickHelper started, listening on com.lorvens.TarnwickHelper"_s),
                 1);
        QCOMPARE(logged(6, u"Received new connection request"_s), 2);
        QCOMPARE(logged(6, u"Connection configured and resumed"_s), 2);

        QDBusConnection::disconnectFromBus(u"first"_s);
        QTRY_COMPARE(logged(3, u"Connection invalidated"_s), 1);
        QCOMPARE(second.call(helperCall(u"GetVersion"_s)).arguments(), QVariantList{u"1.0"_s});
        QCOMPARE(client(u"next"_s).call(helperCall(u"GetVersion"_s)).arguments(),
                 QVariantList{u"1.0"_s});
        QTRY_COMPARE(logged(6, u"Received new connection request"_s), 3);
        QCOMPARE(m_bus->output().count(u"TarnwickHelper started"_s), 1);
    }

    // The installed policy lets any local user call the two methods and introspect the
    // helper, and nothing else.
    void policyAllowsOnlyTheTwoMethods()
    {
        QDBusConnection bus = client(u"first"_s);
        QCOMPARE(bus.call(helperCall(u"GetVersion"_s)).type(), QDBusMessage::ReplyMessage);
        const QDBusMessage introspect =
            bus.call(helperCall(u"Introspect"_s, {}, u"org.freedesktop.DBus.Introspectable"_s));
        QVERIFY(introspect.arguments().value(0).toString().contains(u"RemoveDirectory"));
        for (const auto& [interface, member] :
             {std::pair{u"org.freedesktop.DBus.Peer"_s, u"Ping"_s},
              {u"org.freedesktop.DBus.Properties"_s, u"GetAll"_s},
              {kInterfaceName.toString(), u"Shutdown"_s}}) {
            QCOMPARE(bus.call(helperCall(member, {}, interface)).errorName(),
                     u"org.freedesktop.DBus.Error.AccessDenied"_s);
        }
    }

    // A root process that lost its bus must not linger: the bus starts a new one when needed.
    void helperEndsWithTheBus()
    {
        QCOMPARE(client(u"first"_s).call(helperCall(u"GetVersion"_s)).type(),
                 QDBusMessage::ReplyMessage);
        const qint64 pid = m_bus->ownerPid(kService);
        QVERIFY(pid > 0 && !processGone(pid));
        m_bus->stop();
        QTRY_VERIFY(processGone(pid));
    }
};

QTEST_GUILESS_MAIN(TestHelperDaemon)
#include "tst_helper_daemon.moc"
