#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace tarnwick::test {

// A throwaway root with the macOS tool paths (sbin/mount, usr/bin/osascript, ...) filled
// with fake tools, a Volumes directory and a shared mount table. Each fake records its
// argument list and standard input and behaves as the test sets it up. call 0 = every call.
class FakeToolRig {
public:
    FakeToolRig();

    QString root() const { return m_dir.path(); }
    QString volumes() const { return m_dir.path() + QStringLiteral("/Volumes"); }

    void setStdout(const QString& tool, const QByteArray& text, int call = 0);
    void setStderr(const QString& tool, const QByteArray& text, int call = 0);
    void setStatus(const QString& tool, int status, int call = 0);
    void setDelay(const QString& tool, double seconds, int call = 0);
    // Bash run inside the fake with its arguments in $@; see fake-tool.sh for helpers.
    void setHook(const QString& tool, const QString& bash, int call = 0);
    // From now on osascript "mounts" the share its script names, at /Volumes/<share>.
    void mountOnRequest();

    void setMountTable(const QString& text);
    QString mountTable() const;
    // Appends an SMB line for share mounted at mountPoint (as /sbin/mount prints it).
    void addSmbMount(const QString& share, const QString& mountPoint);
    static QString smbLine(const QString& share, const QString& mountPoint,
                           const QString& host = QStringLiteral("server"));

    int callCount(const QString& tool) const;
    QStringList args(const QString& tool, int call) const; // call is 1-based
    QByteArray stdinOf(const QString& tool, int call) const;
    // Every argument of every call of tool (of every tool when empty), in call order.
    QStringList allArgs(const QString& tool = {}) const;

private:
    QString statePath(const QString& name) const;
    void writeState(const QString& name, const QByteArray& bytes) const;
    static QString fileName(const QString& tool, int call, const char* what);

    QTemporaryDir m_dir;
};

} // namespace tarnwick::test
