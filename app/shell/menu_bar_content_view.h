#pragma once

#include <QList>
#include <QPair>
#include <QPointer>
#include <QUuid>
#include <QWidget>

class QLabel;
class QVBoxLayout;

namespace tarnwick {

class MenuRow;
class MountManager;
class SectionHeader;
class ShareRow;
class ShareStore;

// The popover's content, 240 wide: a section per server with a row per share (or the
// "menu.no_servers" text), then Mount All, Unmount All, Settings and Quit with dividers.
// Follows the store and the manager as they change. Main thread; store and manager must
// outlive the view.
class MenuBarContentView : public QWidget {
    Q_OBJECT

public:
    enum class Action { MountAll, UnmountAll, Settings, Quit };

    MenuBarContentView(ShareStore& store, MountManager& manager, QWidget* parent = nullptr);

    // What is shown now, top to bottom (for the popover's owner and tests).
    QList<SectionHeader*> headers() const;
    QList<ShareRow*> shareRows() const;
    // The empty-list text; null while servers exist.
    QLabel* emptyText() const { return m_emptyText; }
    MenuRow* menuRow(Action action) const;

public Q_SLOTS:
    // Rebuilds the server list from the store, keeping the rows of shares still present.
    void rebuildServers();
    // Rebuilds the four action rows (texts are looked up each time).
    void rebuildMenu();
    // Clears every row's hover and keyboard highlight.
    void clearHover();

protected:
    void changeEvent(QEvent* event) override;

private:
    // Tab and the arrows go top to bottom: share rows, then the action rows.
    void updateTabOrder();

    ShareStore& m_store;
    MountManager& m_manager;
    QVBoxLayout* m_serverLayout = nullptr;
    QVBoxLayout* m_menuLayout = nullptr;
    QLabel* m_emptyText = nullptr;
    QList<QWidget*> m_serverWidgets;
    QList<QPointer<MenuRow>> m_menuRows;
};

} // namespace tarnwick
