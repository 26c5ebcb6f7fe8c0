#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace tarnwick::test {

// A throwaway root with fake macOS tools (sbin/mount, usr/bin/osascript, ...: fake-tool.sh),
// Volumes/ and a shared mount table. Each fake records its arguments and standard input and
// behaves as set up here; call 0 = every call.
class FakeToolRig {
public:
    FakeToolRig();

    QString root() const { return m_dir.path(); }
    QString volumes() const { return m_dir.path() + QStringLiteral("/Volumes"); }

    using Text = const QString&;
    using Bytes = const QByteArray&;
    void setStdout(Text tool, Bytes text, int call = 0) { write(file(tool, call, "stdout"), text); }
    void setStderr(Text tool, Bytes text, int call = 0) { write(file(tool, call, "stderr"), text); }
    void setStatus(Text tool, int status, int call = 0)
    {
        write(file(tool, call, "status"), QByteArray::number(status));
    }
    void setDelay(Text tool, double seconds, int call = 0)
    {
        write(file(tool, call, "delay"), QByteArray::number(seconds, 'f', 3));
    }
    // umount refuses as a busy share would: the mount stays.
    void setBusy(int call) { write(file(QStringLiteral("umount"), call, "busy"), {}); }
    // Bash run inside the fake with its arguments in $@; see fake-tool.sh for helpers.
    void setHook(Text tool, Text bash, int call = 0)
    {
        write(file(tool, call, "hook"), bash.toUtf8());
    }
    // From now on osascript "mounts" the share its script names, at /Volumes/<share>.
    void mountOnRequest();

    // Appends an SMB line for share mounted at mountPoint (as /sbin/mount prints it).
    void addSmbMount(const QString& share, const QString& mountPoint)
    {
        const QString table = QStringLiteral("mounttable");
        write(table, read(table) + (smbLine(share, mountPoint) + u'\n').toUtf8());
    }
    static QString smbLine(const QString& share, const QString& mountPoint,
                           const QString& host = QStringLiteral("server"));

    int callCount(Text tool) const
    {
        return read(tool + QStringLiteral(".count")).trimmed().toInt();
    }
    QStringList args(const QString& tool, int call) const; // call is 1-based
    QByteArray stdinOf(Text tool, int call) const { return read(file(tool, call, "stdin")); }
    // Every argument of every call of tool (of every tool when empty), in call order.
    QStringList allArgs(const QString& tool = {}) const;

private:
    static QString file(const QString& tool, int call, const char* what);
    void write(const QString& name, const QByteArray& bytes) const;
    QByteArray read(const QString& name) const;

    QTemporaryDir m_dir;
};

} // namespace tarnwick::test
