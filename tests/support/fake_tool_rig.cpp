#include "fake_tool_rig.h"

#include <QDir>
#include <QFile>

using namespace Qt::Literals::StringLiterals;

namespace tarnwick::test {

const QStringList kToolPaths = u"sbin/mount sbin/umount bin/rmdir sbin/ping usr/bin/security "
                               u"usr/bin/osascript usr/bin/smbutil"_s.split(u' ');

FakeToolRig::FakeToolRig()
{
    QDir root(m_dir.path());
    root.mkpath(u"Volumes"_s);
    root.mkpath(u"state"_s);
    for (const QString& relative : kToolPaths) {
        const QFileInfo path(root.filePath(relative));
        root.mkpath(path.path());
        QFile script(path.filePath());
        if (!script.open(QIODevice::WriteOnly))
            qFatal("cannot write fake tool %s", qPrintable(script.fileName()));
        script.write(u"#!/bin/sh\nexec /bin/bash '%1' '%2/state' '%3' \"$@\"\n"_s
                         .arg(QStringLiteral(TARNWICK_FAKE_TOOL), m_dir.path(), path.fileName())
                         .toUtf8());
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

void FakeToolRig::write(const QString& name, const QByteArray& bytes) const
{
    QFile file(m_dir.filePath(u"state/"_s + name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(file.fileName()));
    file.write(bytes);
}

QByteArray FakeToolRig::read(const QString& name) const
{
    QFile file(m_dir.filePath(u"state/"_s + name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString FakeToolRig::file(const QString& tool, int call, const char* what)
{
    return (call > 0 ? u"%1.%2."_s.arg(tool).arg(call) : u"%1."_s.arg(tool)) +
           QLatin1StringView(what);
}

void FakeToolRig::mountOnRequest()
{
    setHook(u"osascript"_s, u"s=$(sed -n 's|^mount volume \"smb://\\([^@]*@\\)\\{0,1\\}[^/]*/"
                            u"\\(.*\\)\"$|\\2|p' \"$state/$tool.$n.stdin\")\n"
                            u"mt_add \"//user@server/$s on /Volumes/$s (smbfs, nodev, nosuid, "
                            u"mounted by user)\"\n"_s);
}

QString FakeToolRig::smbLine(const QString& share, const QString& mountPoint, const QString& host)
{
    return u"//user@%1/%2 on %3 (smbfs, nodev, nosuid, mounted by user)"_s.arg(host, share,
                                                                               mountPoint);
}

QStringList FakeToolRig::args(const QString& tool, int call) const
{
    QStringList args = QString::fromUtf8(read(file(tool, call, "args"))).split(QChar());
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
