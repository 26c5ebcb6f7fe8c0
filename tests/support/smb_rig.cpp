#include "smb_rig.h"

#include <QFile>
#include <QProcess>
#include <QThread>

#include <csignal>

namespace tarnwick::test {

namespace {

// True when the tool ran to its end with status 0 (or any status, when that is enough).
bool secretTool(const QStringList& args, const QByteArray& input = {}, bool anyStatus = false)
{
    QProcess tool;
    tool.start(QStringLiteral("secret-tool"), args);
    if (!tool.waitForStarted())
        return false;
    tool.write(input);
    tool.closeWriteChannel();
    return tool.waitForFinished() && tool.exitStatus() == QProcess::NormalExit &&
           (anyStatus || tool.exitCode() == 0);
}

} // namespace

bool SmbRig::available()
{
    return !host().isEmpty() && !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS");
}

bool SmbRig::stopServer()
{
    QFile pidFile(qEnvironmentVariable("TARNWICK_SMB_PIDFILE"));
    if (!pidFile.open(QIODevice::ReadOnly))
        return false;
    const pid_t pid = pid_t(pidFile.readAll().trimmed().toLongLong());
    if (pid <= 0 || ::kill(pid, SIGTERM) != 0)
        return false;
    // smbd is the rig script's child, not ours: watch for it to go.
    for (int i = 0; i < 200; ++i) {
        if (::kill(pid, 0) != 0 && errno == ESRCH)
            return true;
        QThread::msleep(25);
    }
    return false;
}

bool SmbRig::startServer()
{
    return QProcess::execute(qEnvironmentVariable("TARNWICK_SMB_START"), {}) == 0;
}

bool SmbRig::storeLogin(const QString& server, const QString& user, const QByteArray& secret)
{
    return secretTool({QStringLiteral("store"), QStringLiteral("--label=") + user + u'@' + server,
                       QStringLiteral("xdg:schema"),
                       QStringLiteral("org.gnome.keyring.NetworkPassword"), QStringLiteral("user"),
                       user, QStringLiteral("server"), server, QStringLiteral("protocol"),
                       QStringLiteral("smb")},
                      secret);
}

bool SmbRig::clearLogins(const QString& server)
{
    // Status 1 only says there was nothing to clear.
    return secretTool({QStringLiteral("clear"), QStringLiteral("server"), server,
                       QStringLiteral("protocol"), QStringLiteral("smb")},
                      {}, true);
}

} // namespace tarnwick::test
