#pragma once

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace tarnwick::test {

// A private dbus-daemon set up like the system bus (deny by default, plus the helper's real
// policy and service file from packaging/, with helperCommand as Exec). What it starts sees
// DBUS_SYSTEM_BUS_ADDRESS; its standard error goes to output(). The destructor ends the bus.
class PrivateSystemBus {
public:
    explicit PrivateSystemBus(const QString& helperCommand);
    ~PrivateSystemBus() { stop(); }

    // Starts the daemon (again on the same socket after stop()); false, with a warning, if not.
    bool start();
    // Ends the bus, as if it crashed (the helper ends with it; one a test stopped it kills).
    void stop();
    QString address() const { return QStringLiteral("unix:path=%1/socket").arg(m_dir.path()); }
    // All the bus and its services wrote to standard error, also after the bus ended (a file).
    QString output() const
    {
        QFile file(m_dir.filePath(QStringLiteral("output")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    // Removes or restores the helper's service file and makes the bus re-read it.
    bool setHelperInstalled(bool installed);
    // The process id of name's owner, 0 when unowned or unreachable.
    qint64 ownerPid(const QString& name) const;
    // Runs dbus-monitor for rule until it listens; monitorOutput() has what it saw since.
    bool startMonitor(const QString& rule);
    QString monitorOutput() { return m_monitorOutput += QString::fromUtf8(m_monitor.readAll()); }

private:
    QTemporaryDir m_dir;
    QByteArray m_service;
    QProcess m_daemon, m_monitor;
    QString m_monitorOutput;
};

} // namespace tarnwick::test
