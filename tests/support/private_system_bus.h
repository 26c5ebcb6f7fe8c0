#pragma once

#include <QProcess>
#include <QTemporaryDir>

namespace tarnwick::test {

// A private dbus-daemon set up like the system bus (deny by default, plus the helper's real
// policy from packaging/) that activates the helper through its real service file, with
// helperCommand as Exec. What it starts sees DBUS_SYSTEM_BUS_ADDRESS and writes its standard
// error into output(). The destructor ends the bus.
class PrivateSystemBus {
public:
    explicit PrivateSystemBus(const QString& helperCommand);
    ~PrivateSystemBus() { stop(); }

    // Starts the daemon (again on the same socket after stop()); false, with a warning, if not.
    bool start();
    // Ends the bus, as if it crashed. The helper ends with its bus (tst_helper_daemon makes
    // sure); a helper a test has stopped is the test's to kill.
    void stop();
    QString address() const;
    // Everything the bus and its services wrote to standard error so far.
    QString output();

    // Removes or restores the helper's service file and makes the bus re-read it.
    bool setHelperInstalled(bool installed);
    // The process id of name's owner, 0 when unowned or unreachable.
    qint64 ownerPid(const QString& name) const;
    // Runs dbus-monitor for rule until it listens; monitorOutput() has what it saw since.
    bool startMonitor(const QString& rule);
    QString monitorOutput();

private:
    QTemporaryDir m_dir;
    QByteArray m_service;
    QProcess m_daemon, m_monitor;
    QString m_output, m_monitorOutput;
};

} // namespace tarnwick::test
