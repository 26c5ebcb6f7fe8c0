#include "fake_tool_rig.h"

#include <QDir>
#include <QFile>
#include <QTest>

namespace tarnwick::test {

namespace {

const QStringList kToolPaths{
    QStringLiteral("sbin/mount"),       QStringLiteral("sbin/umount"),
    QStringLiteral("bin/rmdir"),        QStringLiteral("sbin/ping"),
    QStringLiteral("usr/bin/security"), QStringLiteral("usr/bin/osascript"),
    QStringLiteral("usr/bin/smbutil"),
};

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

FakeToolRig::FakeToolRig()
{
    QDir root(m_dir.path());
    root.mkpath(QStringLiteral("Volumes"));
    root.mkpath(QStringLiteral("state"));
    for (const QString& relative : kToolPaths) {
        const QString path = m_dir.path() + u'/' + relative;
        root.mkpath(QFileInfo(path).path());
        const QString tool = QFileInfo(path).fileName();
        QFile script(path);
        if (!script.open(QIODevice::WriteOnly))
            qFatal("cannot write fake tool %s", qPrintable(path));
        script.write(QStringLiteral("#!/bin/sh\nexec /bin/bash '%1' '%2' '%3' \"$@\"\n")
                         .arg(QStringLiteral(TARNWICK_FAKE_TOOL), statePath(QString()), tool)
                         .toUtf8());
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

QString FakeToolRig::statePath(const QString& name) const
{
    const QString dir = m_dir.path() + QStringLiteral("/state");
    return name.isEmpty() ? dir : dir + u'/' + name;
}

void FakeToolRig::writeState(const QString& name, const QByteArray& bytes) const
{
    QFile file(statePath(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(file.fileName()));
    file.write(bytes);
}

QString FakeToolRig::fileName(const QString& tool, int call, const char* what)
{
    const QString suffix = QString::fromLatin1(what);
    return call > 0 ? QStringLiteral("%1.%2.%3").arg(tool).arg(call).arg(suffix)
                    : QStringLiteral("%1.%2").arg(tool, suffix);
}

void FakeToolRig::setStdout(const QString& tool, const QByteArray& text, int call)
{
    writeState(fileName(tool, call, "stdout"), text);
}

void FakeToolRig::setStderr(const QString& tool, const QByteArray& text, int call)
{
    writeState(fileName(tool, call, "stderr"), text);
}

void FakeToolRig::setStatus(const QString& tool, int status, int call)
{
    writeState(fileName(tool, call, "status"), QByteArray::number(status));
}

void FakeToolRig::setDelay(const QString& tool, double seconds, int call)
{
    writeState(fileName(tool, call, "delay"), QByteArray::number(seconds, 'f', 3));
}

void FakeToolRig::setHook(const QString& tool, const QString& bash, int call)
{
    writeState(fileName(tool, call, "hook"), bash.toUtf8());
}

void FakeToolRig::mountOnRequest()
{
    setHook(QStringLiteral("osascript"),
            QStringLiteral("s=$(sed -n 's|^mount volume \"smb://\\([^@]*@\\)\\{0,1\\}[^/]*/\\(.*\\)"
                           "\"$|\\2|p' \"$state/$tool.$n.stdin\")\n"
                           "mt_add \"//user@server/$s on /Volumes/$s (smbfs, nodev, nosuid, "
                           "mounted by user)\"\n"));
}

void FakeToolRig::setMountTable(const QString& text)
{
    writeState(QStringLiteral("mounttable"), text.toUtf8());
}

QString FakeToolRig::mountTable() const
{
    return QString::fromUtf8(readAll(statePath(QStringLiteral("mounttable"))));
}

QString FakeToolRig::smbLine(const QString& share, const QString& mountPoint, const QString& host)
{
    return QStringLiteral("//user@%1/%2 on %3 (smbfs, nodev, nosuid, mounted by user)")
        .arg(host, share, mountPoint);
}

void FakeToolRig::addSmbMount(const QString& share, const QString& mountPoint)
{
    setMountTable(mountTable() + smbLine(share, mountPoint) + u'\n');
}

int FakeToolRig::callCount(const QString& tool) const
{
    return readAll(statePath(tool + QStringLiteral(".count"))).trimmed().toInt();
}

QStringList FakeToolRig::args(const QString& tool, int call) const
{
    const QByteArray raw = readAll(statePath(fileName(tool, call, "args")));
    QStringList args;
    for (const QByteArray& arg : raw.split('\0'))
        args.append(QString::fromUtf8(arg));
    if (!args.isEmpty())
        args.removeLast(); // every argument ends in NUL
    return args;
}

QByteArray FakeToolRig::stdinOf(const QString& tool, int call) const
{
    return readAll(statePath(fileName(tool, call, "stdin")));
}

QStringList FakeToolRig::allArgs(const QString& tool) const
{
    QStringList all;
    for (const QString& relative : kToolPaths) {
        const QString name = QFileInfo(relative).fileName();
        for (int call = 1; (tool.isEmpty() || tool == name) && call <= callCount(name); ++call)
            all += args(name, call);
    }
    return all;
}

} // namespace tarnwick::test
