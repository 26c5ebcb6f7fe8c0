#include "private_system_bus.h"

#include <QDBusConnectionInterface>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

#include <csignal>
#include <pwd.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace tarnwick::test {

namespace {

const QString kServiceFile = QStringLiteral("services/com.lorvens.TarnwickHelper.service");

QByteArray readPackagingFile(const QString& name)
{
    QFile file(QStringLiteral(TARNWICK_DBUS_PACKAGING_DIR "/") + name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// The system bus's default policy (as in Debian's system.conf), so that the helper's policy
// file is what opens the holes, plus what the tests themselves need.
const char kBusConfig[] =
    R"(<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <listen>unix:path=@DIR@/system_bus_socket</listen>
  <auth>EXTERNAL</auth>
  <servicedir>@DIR@/services</servicedir>
  <policy context="default">
    <allow user="*"/>
    <deny own="*"/>
    <deny send_type="method_call"/>
    <allow send_type="signal"/>
    <allow send_requested_reply="true" send_type="method_return"/>
    <allow send_requested_reply="true" send_type="error"/>
    <allow receive_type="method_call"/>
    <allow receive_type="method_return"/>
    <allow receive_type="error"/>
    <allow receive_type="signal"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus"/>
    <allow send_destination="org.freedesktop.DBus"
           send_interface="org.freedesktop.DBus.Introspectable"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus.Properties"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus.Monitoring"/>
  </policy>
  <include>@DIR@/helper-policy.conf</include>
</busconfig>
)";

} // namespace

PrivateSystemBus::PrivateSystemBus(QString helperCommand)
    : m_helperCommand(std::move(helperCommand))
{
    m_daemon.setProcessChannelMode(QProcess::SeparateChannels);
    // Even when the test dies without cleaning up, the daemon goes with it.
    m_daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_monitor.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_monitor.setProcessChannelMode(QProcess::MergedChannels);
}

PrivateSystemBus::~PrivateSystemBus()
{
    stop();
}

QString PrivateSystemBus::address() const
{
    return QStringLiteral("unix:path=") + m_dir.path() + QStringLiteral("/system_bus_socket");
}

bool PrivateSystemBus::writeConfig()
{
    QByteArray policy = readPackagingFile(QStringLiteral("com.lorvens.TarnwickHelper.conf"));
    QByteArray service = readPackagingFile(QStringLiteral("com.lorvens.TarnwickHelper.service.in"));
    if (policy.isEmpty() || service.isEmpty()) {
        m_error = QStringLiteral("cannot read the packaging files in " TARNWICK_DBUS_PACKAGING_DIR);
        return false;
    }
    // The helper runs as the test's user here, so that user takes root's place as owner.
    const passwd* entry = ::getpwuid(::getuid());
    const QByteArray user = entry ? QByteArray(entry->pw_name) : QByteArray::number(::getuid());
    policy.replace("user=\"root\"", "user=\"" + user + '"');
    service.replace("@TARNWICK_HELPER_EXEC@", m_helperCommand.toUtf8());
    QByteArray config(kBusConfig);
    config.replace("@DIR@", QFile::encodeName(m_dir.path()));
    if (!QDir(m_dir.path()).mkpath(QStringLiteral("services")) ||
        !writeFile(m_dir.filePath(QStringLiteral("bus.conf")), config) ||
        !writeFile(m_dir.filePath(QStringLiteral("helper-policy.conf")), policy) ||
        !writeFile(m_dir.filePath(QStringLiteral("helper.service")), service)) {
        m_error = QStringLiteral("cannot write the bus configuration");
        return false;
    }
    return m_helperCommand.isEmpty() || setHelperInstalled(true);
}

bool PrivateSystemBus::start()
{
    if (!m_dir.isValid() || !writeConfig())
        return false;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DBUS_SYSTEM_BUS_ADDRESS"), address());
    env.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    m_daemon.setProcessEnvironment(env);
    m_daemon.start(QStringLiteral("dbus-daemon"),
                   {QStringLiteral("--config-file=") + m_dir.filePath(QStringLiteral("bus.conf")),
                    QStringLiteral("--nofork"), QStringLiteral("--nosyslog"),
                    QStringLiteral("--print-address")});
    if (!m_daemon.waitForStarted(5000)) {
        m_error = QStringLiteral("dbus-daemon did not start: ") + m_daemon.errorString();
        return false;
    }
    // It prints its address once it listens.
    QDeadlineTimer deadline(10000);
    while (!m_daemon.canReadLine() && m_daemon.state() == QProcess::Running &&
           !deadline.hasExpired())
        m_daemon.waitForReadyRead(100);
    if (!m_daemon.canReadLine()) {
        m_error = QStringLiteral("dbus-daemon did not come up: ") + output();
        stop();
        return false;
    }
    m_daemon.readLine();
    return true;
}

QList<qint64> PrivateSystemBus::clientPids() const
{
    QList<qint64> pids;
    const QString name = QStringLiteral("private-system-bus-cleanup");
    {
        QDBusConnection bus = QDBusConnection::connectToBus(address(), name);
        if (bus.isConnected()) {
            const QStringList names = bus.interface()->registeredServiceNames().value();
            for (const QString& client : names) {
                const qint64 pid = bus.interface()->servicePid(client).value();
                if (client.startsWith(u':') && pid > 0 && pid != ::getpid() && !pids.contains(pid))
                    pids.append(pid);
            }
        }
    }
    QDBusConnection::disconnectFromBus(name);
    return pids;
}

void PrivateSystemBus::stop()
{
    if (m_monitor.state() != QProcess::NotRunning) {
        m_monitor.kill();
        m_monitor.waitForFinished(5000);
    }
    if (m_daemon.state() == QProcess::NotRunning)
        return;
    // The services it started are not its children (the bus double-forks them): end them by
    // the process ids the bus knows, so none outlives the test (a stopped one would).
    for (const qint64 pid : clientPids())
        ::kill(pid_t(pid), SIGKILL);
    stopDaemonOnly();
}

void PrivateSystemBus::stopDaemonOnly()
{
    if (m_daemon.state() == QProcess::NotRunning)
        return;
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(5000)) {
        m_daemon.kill();
        m_daemon.waitForFinished(5000);
    }
    output();
}

QDBusConnection PrivateSystemBus::connect(const QString& connectionName) const
{
    return QDBusConnection::connectToBus(address(), connectionName);
}

QString PrivateSystemBus::output()
{
    m_output += QString::fromUtf8(m_daemon.readAllStandardError());
    return m_output;
}

QStringList PrivateSystemBus::lines(const QString& prefix)
{
    QStringList matching;
    for (const QString& line : output().split(u'\n'))
        if (line.startsWith(prefix))
            matching.append(line);
    return matching;
}

bool PrivateSystemBus::setHelperInstalled(bool installed)
{
    const QString target = m_dir.filePath(kServiceFile);
    QFile::remove(target);
    if (installed && !QFile::copy(m_dir.filePath(QStringLiteral("helper.service")), target))
        return false;
    return !isRunning() || reload();
}

bool PrivateSystemBus::reload() const
{
    const QString name = QStringLiteral("private-system-bus-reload");
    bool ok = false;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(address(), name);
        ok = bus.interface()->call(QStringLiteral("ReloadConfig")).type() ==
             QDBusMessage::ReplyMessage;
    }
    QDBusConnection::disconnectFromBus(name);
    return ok;
}

qint64 PrivateSystemBus::ownerPid(const QString& name) const
{
    const QString connection = QStringLiteral("private-system-bus-pid");
    qint64 pid = 0;
    {
        QDBusConnection bus = QDBusConnection::connectToBus(address(), connection);
        const auto reply = bus.interface()->servicePid(name);
        pid = reply.isValid() ? qint64(reply.value()) : 0;
    }
    QDBusConnection::disconnectFromBus(connection);
    return pid;
}

bool PrivateSystemBus::startMonitor(const QString& rule)
{
    m_monitorOutput.clear();
    m_monitor.start(QStringLiteral("dbus-monitor"), {QStringLiteral("--address"), address(), rule});
    if (!m_monitor.waitForStarted(5000))
        return false;
    // Once it is a monitor the bus takes its name away: from then on it sees every match.
    QDeadlineTimer deadline(10000);
    while (!monitorOutput().contains(QStringLiteral("member=NameLost")) && !deadline.hasExpired() &&
           m_monitor.state() == QProcess::Running)
        m_monitor.waitForReadyRead(100);
    return monitorOutput().contains(QStringLiteral("member=NameLost"));
}

QString PrivateSystemBus::monitorOutput()
{
    m_monitorOutput += QString::fromUtf8(m_monitor.readAll());
    return m_monitorOutput;
}

} // namespace tarnwick::test
