#include "shell/dbus_menu_exporter.h"

#include "shell/tray_menu_model.h"

#include <QGuiApplication>
#include <QTimer>

namespace tarnwick {

DbusMenuExporter::DbusMenuExporter(TrayMenuModel& model, QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_bus(std::move(bus))
    , m_published(model.entries())
{
    registerTrayDbusTypes();
    connect(&model, &TrayMenuModel::changed, this, &DbusMenuExporter::publishChange);
    if (m_bus.isConnected())
        m_bus.registerObject(path(), this,
                             QDBusConnection::ExportScriptableContents |
                                 QDBusConnection::ExportAllProperties);
}

DbusMenuExporter::~DbusMenuExporter()
{
    if (m_bus.isConnected())
        m_bus.unregisterObject(path());
}

QString DbusMenuExporter::textDirection() const
{
    return QGuiApplication::layoutDirection() == Qt::RightToLeft ? QStringLiteral("rtl")
                                                                 : QStringLiteral("ltr");
}

QVariantMap DbusMenuExporter::properties(const TrayMenuEntry& entry)
{
    using Kind = TrayMenuEntry::Kind;
    QVariantMap props;
    if (entry.kind == Kind::Separator) {
        props.insert(u"type"_qs, u"separator"_qs);
        return props;
    }
    // Labels are mnemonic text: a literal underscore is doubled.
    QString label = entry.label;
    props.insert(u"label"_qs, label.replace(u'_', u"__"_qs));
    if (!entry.enabled)
        props.insert(u"enabled"_qs, false);
    if (entry.kind == Kind::Share) {
        props.insert(u"toggle-type"_qs, u"checkmark"_qs);
        props.insert(u"toggle-state"_qs, entry.mounted ? 1 : 0);
        props.insert(u"accessible-desc"_qs, entry.accessibleText);
    }
    return props;
}

QVariantMap DbusMenuExporter::filtered(const QVariantMap& all, const QStringList& names)
{
    if (names.isEmpty())
        return all;
    QVariantMap some;
    for (const QString& name : names) {
        if (all.contains(name))
            some.insert(name, all.value(name));
    }
    return some;
}

const TrayMenuEntry* DbusMenuExporter::entry(int id) const
{
    for (const TrayMenuEntry& candidate : m_model.entries()) {
        if (candidate.id == id)
            return &candidate;
    }
    return nullptr;
}

uint DbusMenuExporter::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                                 DbusMenuLayout& layout)
{
    layout = {parentId, {}, {}};
    if (parentId == 0) {
        layout.properties.insert(u"children-display"_qs, u"submenu"_qs);
        if (recursionDepth != 0) {
            for (const TrayMenuEntry& child : m_model.entries())
                layout.children.append({child.id, filtered(properties(child), propertyNames), {}});
        }
    } else if (const TrayMenuEntry* item = entry(parentId)) {
        layout.properties = filtered(properties(*item), propertyNames);
    } else if (calledFromDBus()) {
        sendErrorReply(QDBusError::InvalidArgs, u"unknown menu item"_qs);
    }
    return m_model.revision();
}

DbusMenuItems DbusMenuExporter::GetGroupProperties(const QList<int>& ids,
                                                   const QStringList& propertyNames)
{
    DbusMenuItems items;
    for (const TrayMenuEntry& item : m_model.entries()) {
        if (ids.isEmpty() || ids.contains(item.id))
            items.append({item.id, filtered(properties(item), propertyNames)});
    }
    return items;
}

QDBusVariant DbusMenuExporter::GetProperty(int id, const QString& name)
{
    const TrayMenuEntry* item = entry(id);
    const QVariantMap props = item ? properties(*item) : QVariantMap();
    if (!props.contains(name) && calledFromDBus())
        sendErrorReply(QDBusError::InvalidArgs, u"no such menu item property"_qs);
    return QDBusVariant(props.value(name, QString()));
}

void DbusMenuExporter::click(int id)
{
    // After the reply: the action may open a window or quit the application.
    QTimer::singleShot(0, this, [this, id] { m_model.activate(id); });
}

void DbusMenuExporter::Event(int id, const QString& eventId, const QDBusVariant&, uint)
{
    if (!entry(id)) {
        if (calledFromDBus())
            sendErrorReply(QDBusError::InvalidArgs, u"unknown menu item"_qs);
        return;
    }
    if (eventId == u"clicked"_qs)
        click(id);
}

QList<int> DbusMenuExporter::EventGroup(const DbusMenuEvents& events)
{
    QList<int> unknown;
    for (const DbusMenuEvent& event : events) {
        if (!entry(event.id))
            unknown.append(event.id);
        else if (event.eventId == u"clicked"_qs)
            click(event.id);
    }
    return unknown;
}

bool DbusMenuExporter::AboutToShow(int)
{
    return false; // the layout is always current
}

QList<int> DbusMenuExporter::AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors)
{
    for (int id : ids) {
        if (id != 0 && !entry(id))
            idErrors.append(id);
    }
    return {};
}

void DbusMenuExporter::publishChange()
{
    const QList<TrayMenuEntry>& now = m_model.entries();
    // Same items: the changed properties alone; hosts that only follow the layout get it too.
    bool sameIds = now.size() == m_published.size();
    for (qsizetype i = 0; sameIds && i < now.size(); ++i)
        sameIds = now.at(i).id == m_published.at(i).id && now.at(i).kind == m_published.at(i).kind;
    if (sameIds) {
        DbusMenuItems updated;
        DbusMenuItemKeysList removed;
        for (qsizetype i = 0; i < now.size(); ++i) {
            if (now.at(i) == m_published.at(i))
                continue;
            const QVariantMap props = properties(now.at(i));
            updated.append({now.at(i).id, props});
            // A property at its default is sent as removed.
            QStringList gone;
            for (const QString& key : properties(m_published.at(i)).keys()) {
                if (!props.contains(key))
                    gone.append(key);
            }
            if (!gone.isEmpty())
                removed.append({now.at(i).id, gone});
        }
        Q_EMIT ItemsPropertiesUpdated(updated, removed);
    }
    m_published = now;
    Q_EMIT LayoutUpdated(m_model.revision(), 0);
}

} // namespace tarnwick
