#pragma once

#include "shell/tray_dbus_types.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QPoint>

class QDBusServiceWatcher;

namespace tarnwick {

// Tarnwick's org.kde.StatusNotifierItem at /StatusNotifierItem on bus, registered with the
// org.kde.StatusNotifierWatcher whenever one owns its name: at start, when one appears later,
// and again when the host restarts. Exports the themed "tarnwick-symbolic" icon name, pixmaps
// that show on dark and light panels, a tooltip and the menu at menuPath. Main thread; every
// bus call is asynchronous with a deadline.
class StatusNotifierItem : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierItem")
    Q_PROPERTY(QString Category READ category)
    Q_PROPERTY(QString Id READ id)
    Q_PROPERTY(QString Title READ title)
    Q_PROPERTY(QString Status READ status)
    Q_PROPERTY(int WindowId READ windowId)
    Q_PROPERTY(QString IconName READ iconName)
    Q_PROPERTY(QString IconThemePath READ iconThemePath)
    Q_PROPERTY(QList<tarnwick::SniPixmap> IconPixmap READ iconPixmap)
    Q_PROPERTY(QString OverlayIconName READ emptyName)
    Q_PROPERTY(QString AttentionIconName READ emptyName)
    Q_PROPERTY(tarnwick::SniToolTip ToolTip READ toolTip)
    Q_PROPERTY(QDBusObjectPath Menu READ menu)
    Q_PROPERTY(bool ItemIsMenu READ itemIsMenu)

public:
    static QString path() { return QStringLiteral("/StatusNotifierItem"); }
    static QString watcherService() { return QStringLiteral("org.kde.StatusNotifierWatcher"); }
    static QString iconNameValue() { return QStringLiteral("tarnwick-symbolic"); }

    // itemIsMenu: the host shows the menu on a left click too (where the popover cannot be
    // placed). Without a bus connection the item stays unexported and unregistered.
    StatusNotifierItem(QDBusConnection bus, const QString& menuPath, bool itemIsMenu,
                       QObject* parent = nullptr);
    ~StatusNotifierItem() override;

    // Registered with the current watcher.
    bool isRegistered() const { return m_registered; }
    void setToolTipText(const QString& text);
    // "NeedsAttention" instead of "Active" while attention is true (hosts then highlight it).
    void setNeedsAttention(bool attention);

    QString category() const { return QStringLiteral("ApplicationStatus"); }
    QString id() const { return QStringLiteral("tarnwick"); }
    QString title() const { return QStringLiteral("Tarnwick"); }
    QString status() const
    {
        return m_attention ? QStringLiteral("NeedsAttention") : QStringLiteral("Active");
    }
    int windowId() const { return 0; }
    QString iconName() const { return iconNameValue(); }
    QString iconThemePath() const { return m_iconThemePath; }
    SniPixmaps iconPixmap() const { return m_pixmaps; }
    QString emptyName() const { return {}; }
    SniToolTip toolTip() const;
    QDBusObjectPath menu() const { return m_menu; }
    bool itemIsMenu() const { return m_itemIsMenu; }

    // The icon at size x size: a light glyph with a dark rim, so it reads on any panel.
    static SniPixmap renderPixmap(int size);
    // Where the host finds the themed icon when it is not installed: a copy of it in a
    // hicolor theme under the runtime directory (empty when installed or not writable).
    static QString provideIconThemePath();

public Q_SLOTS:
    Q_SCRIPTABLE void Activate(int x, int y);
    Q_SCRIPTABLE void SecondaryActivate(int x, int y);
    Q_SCRIPTABLE void ContextMenu(int x, int y);
    Q_SCRIPTABLE void Scroll(int delta, const QString& orientation);

Q_SIGNALS:
    Q_SCRIPTABLE void NewTitle();
    Q_SCRIPTABLE void NewIcon();
    Q_SCRIPTABLE void NewToolTip();
    Q_SCRIPTABLE void NewStatus(const QString& status);

    // A left click at pos (null when the host gave no position).
    void activated(const QPoint& pos);
    void contextMenuRequested(const QPoint& pos);
    void registeredChanged(bool registered);
    // A registration attempt was answered (or failed); isRegistered() tells which.
    void registrationAnswered();

private:
    void registerWithWatcher();
    void setRegistered(bool registered);

    QDBusConnection m_bus;
    QDBusObjectPath m_menu;
    bool m_itemIsMenu = false;
    bool m_registered = false;
    bool m_attention = false;
    QString m_iconThemePath;
    QString m_toolTipText;
    SniPixmaps m_pixmaps;
    QDBusServiceWatcher* m_watcher = nullptr;
};

} // namespace tarnwick
