#pragma once

#include "shell/share_list_row.h"
#include "shell/tray_dbus_types.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QList>
#include <QObject>

namespace tarnwick {

class ShareListModel;

// The tray menu over com.canonical.dbusmenu (version 3) at path(): the share list's rows as a
// flat menu, LayoutUpdated with a new revision whenever what it exports changes, "clicked"
// events activating the rows. Main thread; the model must outlive it.
class DbusMenuExporter : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.canonical.dbusmenu")
    Q_PROPERTY(uint Version READ version)
    Q_PROPERTY(QString TextDirection READ textDirection)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(QStringList IconThemePath READ iconThemePath)

public:
    static QString path() { return QStringLiteral("/MenuBar"); }

    // Registers the object on bus; without a connection it stays unexported.
    DbusMenuExporter(ShareListModel& model, QDBusConnection bus, QObject* parent = nullptr);
    ~DbusMenuExporter() override;

    uint version() const { return 3; }
    QString textDirection() const;
    QString status() const { return QStringLiteral("normal"); }
    QStringList iconThemePath() const { return {}; }

    // The dbusmenu properties of one row (defaults left out, as the protocol asks).
    static QVariantMap properties(const ShareListRow& row);

public Q_SLOTS:
    Q_SCRIPTABLE uint GetLayout(int parentId, int recursionDepth, const QStringList& propertyNames,
                                tarnwick::DbusMenuLayout& layout);
    Q_SCRIPTABLE QList<tarnwick::DbusMenuItem> GetGroupProperties(const QList<int>& ids,
                                                                  const QStringList& propertyNames);
    Q_SCRIPTABLE QDBusVariant GetProperty(int id, const QString& name);
    Q_SCRIPTABLE void Event(int id, const QString& eventId, const QDBusVariant& data,
                            uint timestamp);
    Q_SCRIPTABLE QList<int> EventGroup(const QList<tarnwick::DbusMenuEvent>& events);
    Q_SCRIPTABLE bool AboutToShow(int id);
    Q_SCRIPTABLE QList<int> AboutToShowGroup(const QList<int>& ids, QList<int>& idErrors);

Q_SIGNALS:
    Q_SCRIPTABLE void LayoutUpdated(uint revision, int parent);
    Q_SCRIPTABLE void ItemsPropertiesUpdated(const QList<tarnwick::DbusMenuItem>& updatedProps,
                                             const QList<tarnwick::DbusMenuItemKeys>& removedProps);
    Q_SCRIPTABLE void ItemActivationRequested(int id, uint timestamp);

private:
    void publishChange();
    static QVariantMap filtered(const QVariantMap& all, const QStringList& names);
    void click(int id);

    ShareListModel& m_model;
    QDBusConnection m_bus;
    QList<ShareListRow> m_published;
    uint m_revision = 1;
};

} // namespace tarnwick
