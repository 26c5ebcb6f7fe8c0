#pragma once

#include <QByteArray>
#include <QDBusArgument>
#include <QDBusVariant>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace tarnwick {

// The D-Bus structures of the StatusNotifierItem and com.canonical.dbusmenu interfaces.
// registerTrayDbusTypes() must run before any of them crosses the bus (main thread).

// One icon image: width, height, ARGB32 pixels in network byte order, (iiay).
struct SniPixmap {
    int width = 0;
    int height = 0;
    QByteArray argb;
};
using SniPixmaps = QList<SniPixmap>;

// The item's tooltip: icon name, icon images, title, text, (sa(iiay)ss).
struct SniToolTip {
    QString iconName;
    SniPixmaps pixmaps;
    QString title;
    QString text;
};

// A menu item and its children, (ia{sv}av).
struct DbusMenuLayout {
    int id = 0;
    QVariantMap properties;
    QList<DbusMenuLayout> children;
};

// A menu item's properties, (ia{sv}); a list is a(ia{sv}).
struct DbusMenuItem {
    int id = 0;
    QVariantMap properties;
};
using DbusMenuItems = QList<DbusMenuItem>;

// Property names removed from an item, (ias).
struct DbusMenuItemKeys {
    int id = 0;
    QStringList names;
};
using DbusMenuItemKeysList = QList<DbusMenuItemKeys>;

// One event of EventGroup, (isvu).
struct DbusMenuEvent {
    int id = 0;
    QString eventId;
    QDBusVariant data;
    uint timestamp = 0;
};
using DbusMenuEvents = QList<DbusMenuEvent>;

void registerTrayDbusTypes();

QDBusArgument& operator<<(QDBusArgument& arg, const SniPixmap& value);
const QDBusArgument& operator>>(const QDBusArgument& arg, SniPixmap& value);
QDBusArgument& operator<<(QDBusArgument& arg, const SniToolTip& value);
const QDBusArgument& operator>>(const QDBusArgument& arg, SniToolTip& value);
QDBusArgument& operator<<(QDBusArgument& arg, const DbusMenuLayout& value);
const QDBusArgument& operator>>(const QDBusArgument& arg, DbusMenuLayout& value);
QDBusArgument& operator<<(QDBusArgument& arg, const DbusMenuItem& value);
const QDBusArgument& operator>>(const QDBusArgument& arg, DbusMenuItem& value);
QDBusArgument& operator<<(QDBusArgument& arg, const DbusMenuItemKeys& value);
const QDBusArgument& operator>>(const QDBusArgument& arg, DbusMenuItemKeys& value);
QDBusArgument& operator<<(QDBusArgument& arg, const DbusMenuEvent& value);
const QDBusArgument& operator>>(const QDBusArgument& arg, DbusMenuEvent& value);

} // namespace tarnwick

Q_DECLARE_METATYPE(tarnwick::SniPixmap)
Q_DECLARE_METATYPE(tarnwick::SniToolTip)
Q_DECLARE_METATYPE(tarnwick::DbusMenuLayout)
Q_DECLARE_METATYPE(tarnwick::DbusMenuItem)
Q_DECLARE_METATYPE(tarnwick::DbusMenuItemKeys)
Q_DECLARE_METATYPE(tarnwick::DbusMenuEvent)
