#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace tarnwick::test {

// A private dbus-daemon set up like the system bus (deny by default, with the helper's real
// policy from packaging/ included) and, when given a helper command, the helper's real
// activation file from packaging/ with that command as Exec. Services it starts inherit
// DBUS_SYSTEM_BUS_ADDRESS pointing at it, and their standard error is collected with the
// daemon's own. The destructor kills the daemon and every process it started.
class PrivateSystemBus {
public:
    // helperCommand: the Exec line of the helper's activation file; empty = not installed.
    explicit PrivateSystemBus(QString helperCommand = QString());
    ~PrivateSystemBus();
    PrivateSystemBus(const PrivateSystemBus&) = delete;
    PrivateSystemBus& operator=(const PrivateSystemBus&) = delete;

    // Starts the daemon (again, on the same socket, after stop()). False with errorString().
    bool start();
    // Kills the services the bus started, then the bus.
    void stop();
    // Ends the bus alone, as if it crashed; what it started must cope on its own.
    void stopDaemonOnly();
    bool isRunning() const { return m_daemon.state() == QProcess::Running; }
    QString errorString() const { return m_error; }

    QString address() const;
    // A new client connection of this test process; disconnect with QDBusConnection's name.
    QDBusConnection connect(const QString& connectionName) const;

    // Everything written to standard error by the daemon and the services it started.
    QString output();
    // The output lines that begin with prefix.
    QStringList lines(const QString& prefix);

    // Removes or restores the helper's activation file and makes the bus re-read it.
    bool setHelperInstalled(bool installed);
    // The process id of name's owner, 0 when unowned.
    qint64 ownerPid(const QString& name) const;

    // Runs dbus-monitor for rule until it is listening; monitorOutput() has what it saw.
    bool startMonitor(const QString& rule);
    QString monitorOutput();

private:
    bool writeConfig();
    bool reload() const;
    QList<qint64> clientPids() const;

    QString m_helperCommand;
    QTemporaryDir m_dir;
    QProcess m_daemon;
    QProcess m_monitor;
    QString m_output;
    QString m_monitorOutput;
    QString m_error;
};

} // namespace tarnwick::test
