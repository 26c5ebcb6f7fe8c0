#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QTimer>

#include <chrono>

class QSystemTrayIcon;

namespace tarnwick {

class DbusMenuExporter;
class StatusNotifierItem;
class ShareListModel;

// Tarnwick's presence in the panel: a StatusNotifierItem with its DBusMenu wherever a
// StatusNotifierWatcher runs, else (X11) a QSystemTrayIcon for XEmbed trays. Says once when
// neither has shown up within grace. Main thread; the model must outlive it.
class TrayIcon : public QObject {
    Q_OBJECT

public:
    enum class Host { None, StatusNotifier, XEmbed };

    // bus is the session bus (a disconnected one leaves only the XEmbed path); menuOnly makes
    // the host show the menu on a left click (Wayland, where no client places a window).
    TrayIcon(ShareListModel& model, QDBusConnection bus, bool menuOnly,
             std::chrono::milliseconds grace, QObject* parent = nullptr);
    ~TrayIcon() override;

    Host host() const;
    StatusNotifierItem* item() const { return m_item; }
    DbusMenuExporter* menu() const { return m_menu; }
    QSystemTrayIcon* xembedIcon() const { return m_xembed; }
    // Where the popover goes: under the XEmbed icon, or at the host's last click position.
    QRect anchor() const;

Q_SIGNALS:
    // A left click on the icon; the popover belongs under anchor().
    void popoverRequested();
    // The host could not show the menu itself (old hosts).
    void menuRequested();
    // Neither tray kind was found within the grace period (emitted once).
    void noTrayFound();

private:
    void updateXEmbed();
    void reportIfNoTray();

    ShareListModel& m_model;
    QDBusConnection m_bus;
    DbusMenuExporter* m_menu = nullptr;
    StatusNotifierItem* m_item = nullptr;
    QSystemTrayIcon* m_xembed = nullptr;
    QRect m_clickAnchor;
    QTimer m_grace;
    bool m_reported = false;
};

} // namespace tarnwick
