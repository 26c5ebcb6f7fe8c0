#include "private_system_bus.h"

#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QDir>

#include <csignal>
#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace tarnwick::test {

namespace {

QByteArray readPackaging(const char* name)
{
    QFile file(QFile::decodeName(TARNWICK_DBUS_PACKAGING_DIR "/") + QLatin1StringView(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

template <typename Query> auto onBus(const QString& address, Query query)
{
    const QString name = u"private-system-bus-query"_s;
    auto result = query(QDBusConnection::connectToBus(address, name));
    QDBusConnection::disconnectFromBus(name);
    return result;
}

template <typename Done> bool waitFor(QProcess& process, Done done)
{
    QDeadlineTimer deadline(10000);
    while (process.waitForStarted() && !done() && !deadline.hasExpired())
        process.waitForReadyRead(100);
    return done();
}

// Deny by default, as on the system bus, so that only the helper's own policy opens holes.
const char kBusConfig[] = R"(<busconfig><listen>unix:path=@DIR@/socket</listen>
  <auth>EXTERNAL</auth><servicedir>@DIR@/services</servicedir>
  <policy context="default"><allow user="*"/><deny own="*"/><deny send_type="method_call"/>
    <allow send_requested_reply="true" send_type="method_return"/>
    <allow send_requested_reply="true" send_type="error"/><allow receive_type="method_call"/>
    <allow receive_type="method_return"/><allow receive_type="error"/>
    <allow receive_type="signal"/><allow send_destination="org.freedesktop.DBus"/></policy>
  <include>@DIR@/helper.conf</include></busconfig>)";

} // namespace

PrivateSystemBus::PrivateSystemBus(const QString& helperCommand)
{
    // The helper runs as the test's user here, so that user takes root's place as owner.
    const passwd* entry = ::getpwuid(::getuid());
    QByteArray policy = readPackaging("com.lorvens.TarnwickHelper.conf");
    policy.replace("user=\"root\"", "user=\"" + QByteArray(entry ? entry->pw_name : "") + '"');
    m_service = readPackaging("com.lorvens.TarnwickHelper.service.in");
    m_service.replace("@TARNWICK_HELPER_EXEC@", helperCommand.toUtf8());
    QByteArray config(kBusConfig);
    config.replace("@DIR@", QFile::encodeName(m_dir.path()));
    if (policy.isEmpty() || !QDir(m_dir.path()).mkdir(u"services"_s) ||
        !writeFile(m_dir.filePath(u"bus.conf"_s), config) ||
        !writeFile(m_dir.filePath(u"helper.conf"_s), policy) ||
        !setHelperInstalled(!m_service.isEmpty()))
        qWarning("cannot write the bus configuration in %s", qPrintable(m_dir.path()));
    // Even when the test dies without cleaning up, the daemon and the monitor go with it.
    for (QProcess* process : {&m_daemon, &m_monitor})
        process->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_monitor.setProcessChannelMode(QProcess::MergedChannels);
    m_daemon.setStandardErrorFile(m_dir.filePath(u"output"_s), QIODevice::Append);
}

bool PrivateSystemBus::start()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(u"DBUS_SYSTEM_BUS_ADDRESS"_s, address());
    m_daemon.setProcessEnvironment(env);
    m_daemon.start(u"dbus-daemon"_s, {u"--config-file="_s + m_dir.filePath(u"bus.conf"_s),
                                      u"--nofork"_s, u"--nosyslog"_s, u"--print-address"_s});
    // It prints its address once it listens.
    if (!waitFor(m_daemon, [this] { return m_daemon.canReadLine(); })) {
        qWarning() << "dbus-daemon did not come up:" << m_daemon.errorString() << output();
        return false;
    }
    m_daemon.readLine();
    return true;
}

void PrivateSystemBus::stop()
{
    m_monitor.kill();
    m_monitor.waitForFinished();
    m_daemon.terminate();
    m_daemon.waitForFinished();
}

bool PrivateSystemBus::setHelperInstalled(bool installed)
{
    const QString target = m_dir.filePath(u"services/com.lorvens.TarnwickHelper.service"_s);
    QFile::remove(target);
    if (installed && !writeFile(target, m_service))
        return false;
    return m_daemon.state() != QProcess::Running || onBus(address(), [](QDBusConnection bus) {
               return bus.interface()->call(u"ReloadConfig"_s).type() == QDBusMessage::ReplyMessage;
           });
}

qint64 PrivateSystemBus::ownerPid(const QString& name) const
{
    return onBus(address(), [&](const QDBusConnection& bus) {
        const auto reply = bus.interface()->servicePid(name);
        return reply.isValid() ? qint64(reply.value()) : 0;
    });
}

bool PrivateSystemBus::startMonitor(const QString& rule)
{
    m_monitorOutput.clear();
    m_monitor.start(u"dbus-monitor"_s, {u"--address"_s, address(), rule});
    // Once it is a monitor the bus takes its name away: from then on it sees every match.
    return waitFor(m_monitor, [this] { return monitorOutput().contains(u"member=NameLost"); });
}

} // namespace tarnwick::test
