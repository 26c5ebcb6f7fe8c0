#pragma once

#include <QSettings>
#include <QWidget>

#include <memory>

class QTabWidget;

namespace tarnwick {

class GeneralSettingsView;
class MountManager;
class ServersView;
class ShareLister;
class ShareStore;

// The settings window: the Servers tab (shown first) and the General tab, fixed 600 x 540.
// It deletes itself when closed, so every opening creates its content afresh (no selection,
// Servers first, a new browser). Main thread; store and settings must outlive it, and the
// manager too when given (null: the editors show no login).
class SettingsWindow : public QWidget {
    Q_OBJECT

public:
    SettingsWindow(ShareStore& store, QSettings& settings,
                   std::shared_ptr<const ShareLister> lister, MountManager* manager = nullptr,
                   QWidget* parent = nullptr);

    static constexpr int fixedWidth = 600;
    static constexpr int fixedHeight = 540;

    QTabWidget* tabs() const { return m_tabs; }
    ServersView* serversView() const { return m_servers; }
    GeneralSettingsView* generalView() const { return m_general; }

public Q_SLOTS:
    // Brings the Servers tab forward with server selected; an unknown id selects nothing.
    void showServer(const QUuid& server);
    // Brings the Servers tab forward with the search for servers on the network running.
    void showDiscovery();

private:
    QTabWidget* m_tabs;
    ServersView* m_servers;
    GeneralSettingsView* m_general;
};

} // namespace tarnwick
