#include "fake_tool_rig.h"

#include <QDir>
#include <QFile>

namespace tarnwick::test {

namespace {

const QStringList kToolPaths{
    QStringLiteral("sbin/mount"),       QStringLiteral("sbin/umount"),
    QStringLiteral("bin/rmdir"),        QStringLiteral("sbin/ping"),
    QStringLiteral("usr/bin/security"), QStringLiteral("usr/bin/osascript"),
    QStringLiteral("usr/bin/smbutil"),
};

} // namespace

FakeToolRig::FakeToolRig()
{
    QDir root(m_dir.path());
    root.mkpath(QStringLiteral("Volumes"));
    root.mkpath(QStringLiteral("state"));
    for (const QString& relative : kToolPaths) {
        const QFileInfo path(root.filePath(relative));
        root.mkpath(path.path());
        QFile script(path.filePath());
        if (!script.open(QIODevice::WriteOnly))
            qFatal("cannot write fake tool %s", qPrintable(script.fileName()));
        script.write(QStringLiteral("#!/bin/sh\nexec /bin/bash '%1' '%2/state' '%3' \"$@\"\n")
                         .arg(QStringLiteral(TARNWICK_FAKE_TOOL), m_dir.path(), path.fileName())
                         .toUtf8());
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

void FakeToolRig::write(const QString& name, const QByteArray& bytes) const
{
    QFile file(m_dir.filePath(QStringLiteral("state/") + name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(file.fileName()));
    file.write(bytes);
}

QByteArray FakeToolRig::read(const QString& name) const
{
    QFile file(m_dir.filePath(QStringLiteral("state/") + name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString FakeToolRig::file(const QString& tool, int call, const char* what)
{
    const QString suffix = QString::fromLatin1(what);
    return call > 0 ? QStringLiteral("%1.%2.%3").arg(tool).arg(call).arg(suffix)
                    : QStringLiteral("%1.%2").arg(tool, suffix);
}

void FakeToolRig::mountOnRequest()
{
    setHook(QStringLiteral("osascript"),
            QStringLiteral("s=$(sed -n 's|^mount volume \"smb://\\([^@]*@\\)\\{0,1\\}[^/]*/\\(.*\\)"
                           "\"$|\\2|p' \"$state/$tool.$n.stdin\")\n"
                           "mt_add \"//user@server/$s on /Volumes/$s (smbfs, nodev, nosuid, "
                           "mounted by user)\"\n"));
}

QString FakeToolRig::smbLine(const QString& share, const QString& mountPoint, const QString& host)
{
    return QStringLiteral("//user@%1/%2 on %3 (smbfs, nodev, nosuid, mounted by user)")
        .arg(host, share, mountPoint);
}

QStringList FakeToolRig::args(const QString& tool, int call) const
{
    QStringList args;
    for (const QByteArray& arg : read(file(tool, call, "args")).split('\0'))
        args.append(QString::fromUtf8(arg));
    args.removeLast(); // every argument ends in NUL; split() yields at least one item
    return args;
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
