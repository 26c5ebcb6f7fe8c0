#include "shell/dbus_menu_exporter.h"

#include "shell/share_list_model.h"

#include <QGuiApplication>
#include <QTimer>

namespace tarnwick {

DbusMenuExporter::DbusMenuExporter(ShareListModel& model, QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_model(model)
    , m_bus(std::move(bus))
    , m_published(model.rows())
{
    registerTrayDbusTypes();
    connect(&model, &ShareListModel::changed, this, &DbusMenuExporter::publishChange);
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

QVariantMap DbusMenuExporter::properties(const ShareListRow& row)
{
    using Kind = ShareListRow::Kind;
    QVariantMap props;
    if (row.kind == Kind::Separator) {
        props.insert(u"type"_qs, u"separator"_qs);
        return props;
    }
    // Labels are mnemonic text: a literal underscore is doubled.
    QString label = row.label;
    props.insert(u"label"_qs, label.replace(u'_', u"__"_qs));
    if (!row.enabled)
        props.insert(u"enabled"_qs, false);
    if (row.kind == Kind::Share) {
        props.insert(u"toggle-type"_qs, u"checkmark"_qs);
        props.insert(u"toggle-state"_qs, row.mounted ? 1 : 0);
        props.insert(u"accessible-desc"_qs, row.accessibleText);
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

uint DbusMenuExporter::GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                                 DbusMenuLayout& layout)
{
    layout = {parentId, {}, {}};
    if (parentId == 0) {
        layout.properties.insert(u"children-display"_qs, u"submenu"_qs);
        if (recursionDepth != 0) {
            for (const ShareListRow& child : m_model.rows())
                layout.children.append({child.id, filtered(properties(child), propertyNames), {}});
        }
    } else if (const ShareListRow* item = m_model.row(parentId)) {
        layout.properties = filtered(properties(*item), propertyNames);
    } else if (calledFromDBus()) {
        sendErrorReply(QDBusError::InvalidArgs, u"unknown menu item"_qs);
    }
    return m_revision;
}

DbusMenuItems DbusMenuExporter::GetGroupProperties(const QList<int>& ids,
                                                   const QStringList& propertyNames)
{
    DbusMenuItems items;
    for (const ShareListRow& item : m_model.rows()) {
        if (ids.isEmpty() || ids.contains(item.id))
            items.append({item.id, filtered(properties(item), propertyNames)});
    }
    return items;
}

QDBusVariant DbusMenuExporter::GetProperty(int id, const QString& name)
{
    const ShareListRow* item = m_model.row(id);
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
    if (!m_model.row(id)) {
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
        if (!m_model.row(event.id))
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
        if (id != 0 && !m_model.row(id))
            idErrors.append(id);
    }
    return {};
}

void DbusMenuExporter::publishChange()
{
    const QList<ShareListRow>& now = m_model.rows();
    // Same items: the changed properties alone; hosts that only follow the layout get it too.
    bool sameIds = now.size() == m_published.size();
    for (qsizetype i = 0; sameIds && i < now.size(); ++i)
        sameIds = now.at(i).id == m_published.at(i).id && now.at(i).kind == m_published.at(i).kind;
    DbusMenuItems updated;
    DbusMenuItemKeysList removed;
    for (qsizetype i = 0; sameIds && i < now.size(); ++i) {
        const QVariantMap props = properties(now.at(i));
        const QVariantMap was = properties(m_published.at(i));
        if (props == was)
            continue;
        updated.append({now.at(i).id, props});
        // A property at its default is sent as removed.
        QStringList gone;
        for (const QString& key : was.keys()) {
            if (!props.contains(key))
                gone.append(key);
        }
        if (!gone.isEmpty())
            removed.append({now.at(i).id, gone});
    }
    m_published = now;
    // The model also changes in what no menu shows (the tooltip, a row's symbol).
    if (sameIds && updated.isEmpty())
        return;
    ++m_revision;
    if (sameIds)
        Q_EMIT ItemsPropertiesUpdated(updated, removed);
    Q_EMIT LayoutUpdated(m_revision, 0);
}

} // namespace tarnwick
