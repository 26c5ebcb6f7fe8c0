#include "platform/linux/gvfs_mount_tracker.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

namespace tarnwick {

namespace {

const QString kService = QStringLiteral("org.gtk.vfs.Daemon");
const QString kPath = QStringLiteral("/org/gtk/vfs/mounttracker");
const QString kInterface = QStringLiteral("org.gtk.vfs.MountTracker");

// GVFS sends file names and spec values as NUL-terminated byte strings.
QString fromBytes(QByteArray bytes)
{
    while (bytes.endsWith('\0'))
        bytes.chop(1);
    return QString::fromUtf8(bytes);
}

// One element of ListMounts' a(sossssssbay(aya{sv})ay).
GvfsMount readMount(const QDBusArgument& arg)
{
    GvfsMount mount;
    QString stableName, contentTypes, icon, symbolicIcon, filenameEncoding;
    QDBusObjectPath objectPath;
    bool userVisible = false;
    QByteArray fusePath, prefix, defaultLocation;

    arg.beginStructure();
    arg >> mount.dbusId >> objectPath >> mount.displayName >> stableName >> contentTypes >> icon >>
        symbolicIcon >> filenameEncoding >> userVisible >> fusePath;
    arg.beginStructure();
    arg >> prefix;
    arg.beginMap();
    while (!arg.atEnd()) {
        QString key;
        QDBusVariant value;
        arg.beginMapEntry();
        arg >> key >> value;
        arg.endMapEntry();
        mount.spec.insert(key, fromBytes(value.variant().toByteArray()));
    }
    arg.endMap();
    arg.endStructure();
    arg >> defaultLocation;
    arg.endStructure();

    mount.fusePath = fromBytes(fusePath);
    mount.prefix = fromBytes(prefix);
    return mount;
}

} // namespace

QList<GvfsMount> GvfsMountTracker::listMounts(std::chrono::milliseconds timeout)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return {};
    QDBusMessage call =
        QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("ListMounts"));
    // No gvfsd means no mounts; starting one just to hear that would cost a second.
    call.setAutoStartService(false);
    const QDBusMessage reply = bus.call(call, QDBus::Block, int(timeout.count()));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1)
        return {};
    const QVariant first = reply.arguments().constFirst();
    if (!first.canConvert<QDBusArgument>())
        return {};
    const auto arg = first.value<QDBusArgument>();
    if (arg.currentSignature() != QLatin1StringView("a(sossssssbay(aya{sv})ay)"))
        return {};

    QList<GvfsMount> mounts;
    arg.beginArray();
    while (!arg.atEnd())
        mounts.append(readMount(arg));
    arg.endArray();
    return mounts;
}

} // namespace tarnwick

namespace tarnwick {

uint GvfsMountTracker::processOf(const QString& dbusId, std::chrono::milliseconds timeout)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !dbusId.startsWith(u':'))
        return 0;
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("GetConnectionUnixProcessID"));
    call << dbusId;
    const QDBusMessage reply = bus.call(call, QDBus::Block, int(timeout.count()));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 1)
        return 0;
    return reply.arguments().constFirst().toUInt();
}

} // namespace tarnwick
