#include "shell/tray_dbus_types.h"

#include <QDBusMetaType>

namespace tarnwick {

void registerTrayDbusTypes()
{
    static const bool once = [] {
        qDBusRegisterMetaType<SniPixmap>();
        qDBusRegisterMetaType<SniPixmaps>();
        qDBusRegisterMetaType<SniToolTip>();
        qDBusRegisterMetaType<DbusMenuLayout>();
        qDBusRegisterMetaType<DbusMenuItem>();
        qDBusRegisterMetaType<DbusMenuItems>();
        qDBusRegisterMetaType<DbusMenuItemKeys>();
        qDBusRegisterMetaType<DbusMenuItemKeysList>();
        qDBusRegisterMetaType<DbusMenuEvent>();
        qDBusRegisterMetaType<DbusMenuEvents>();
        return true;
    }();
    Q_UNUSED(once);
}

QDBusArgument& operator<<(QDBusArgument& arg, const SniPixmap& value)
{
    arg.beginStructure();
    arg << value.width << value.height << value.argb;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, SniPixmap& value)
{
    arg.beginStructure();
    arg >> value.width >> value.height >> value.argb;
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const SniToolTip& value)
{
    arg.beginStructure();
    arg << value.iconName << value.pixmaps << value.title << value.text;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, SniToolTip& value)
{
    arg.beginStructure();
    arg >> value.iconName >> value.pixmaps >> value.title >> value.text;
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const DbusMenuLayout& value)
{
    arg.beginStructure();
    arg << value.id << value.properties;
    // Children travel as variants (av), which is what lets the structure nest.
    arg.beginArray(qMetaTypeId<QDBusVariant>());
    for (const DbusMenuLayout& child : value.children)
        arg << QDBusVariant(QVariant::fromValue(child));
    arg.endArray();
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, DbusMenuLayout& value)
{
    arg.beginStructure();
    arg >> value.id >> value.properties;
    value.children.clear();
    arg.beginArray();
    while (!arg.atEnd()) {
        QDBusVariant child;
        arg >> child;
        value.children.append(qdbus_cast<DbusMenuLayout>(child.variant()));
    }
    arg.endArray();
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const DbusMenuItem& value)
{
    arg.beginStructure();
    arg << value.id << value.properties;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, DbusMenuItem& value)
{
    arg.beginStructure();
    arg >> value.id >> value.properties;
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const DbusMenuItemKeys& value)
{
    arg.beginStructure();
    arg << value.id << value.names;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, DbusMenuItemKeys& value)
{
    arg.beginStructure();
    arg >> value.id >> value.names;
    arg.endStructure();
    return arg;
}

QDBusArgument& operator<<(QDBusArgument& arg, const DbusMenuEvent& value)
{
    arg.beginStructure();
    arg << value.id << value.eventId << value.data << value.timestamp;
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, DbusMenuEvent& value)
{
    arg.beginStructure();
    arg >> value.id >> value.eventId >> value.data >> value.timestamp;
    arg.endStructure();
    return arg;
}

} // namespace tarnwick
