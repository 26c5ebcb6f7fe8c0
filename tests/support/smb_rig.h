#pragma once

#include <QProcess>

namespace tarnwick::test {

// The Samba server smbd-rig.sh started around this test, as its environment describes it,
// and the login items of the keyring of session-env.sh.
class SmbRig {
public:
    // True when the test runs inside both wrappers.
    static bool available()
    {
        return !host().isEmpty() && !qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS");
    }
    static QString host() { return qEnvironmentVariable("TARNWICK_SMB_HOST"); }
    static QString user() { return qEnvironmentVariable("TARNWICK_SMB_USER"); }
    static QString password() { return qEnvironmentVariable("TARNWICK_SMB_PASSWORD"); }
    // The server-side directories of the shares "Public", "Private" and "Team Docs".
    static QString publicDir() { return qEnvironmentVariable("TARNWICK_SMB_PUBLIC"); }
    static QString privateDir() { return qEnvironmentVariable("TARNWICK_SMB_PRIVATE"); }
    static QString teamDir() { return qEnvironmentVariable("TARNWICK_SMB_TEAM"); }

    // Stores a login for server the way a file manager does (schema
    // org.gnome.keyring.NetworkPassword, protocol smb); replaces an item with the same user.
    static bool storeLogin(const QString& server, const QString& user, const QByteArray& secret)
    {
        return secretTool(
            {QStringLiteral("store"), QStringLiteral("--label=%1@%2").arg(user, server),
             QStringLiteral("xdg:schema"), QStringLiteral("org.gnome.keyring.NetworkPassword"),
             QStringLiteral("user"), user, QStringLiteral("server"), server,
             QStringLiteral("protocol"), QStringLiteral("smb")},
            secret);
    }
    // Removes every SMB login item of server. (Status 1 only says there was nothing to clear.)
    static bool clearLogins(const QString& server)
    {
        return secretTool({QStringLiteral("clear"), QStringLiteral("server"), server,
                           QStringLiteral("protocol"), QStringLiteral("smb")},
                          {}, true);
    }

private:
    // True when secret-tool ran to its end with status 0 (or any status, when that is enough).
    static bool secretTool(const QStringList& args, const QByteArray& input, bool anyStatus = false)
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
};

} // namespace tarnwick::test
