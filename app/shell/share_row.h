#pragma once

#include "model/server.h"
#include "model/share.h"
#include "mount/share_status.h"
#include "shell/hover_row.h"

#include <QPointer>

namespace tarnwick {

class MountManager;
class ShareOpenButton;

// What a share row shows, from the manager's two sets: busy beats mounted.
enum class ShareState { Idle, Mounted, Busy };

// One share of one server in the popover: state icon, name, the reason it is not mounted,
// click to mount or unmount; while mounted, a folder button at its end opens it.
// Disabled (no clicks, no new hover) while the share is busy. Holds copies of the records.
// Main thread; manager must outlive the row.
class ShareRow : public HoverRow {
    Q_OBJECT

public:
    ShareRow(const Share& share, const Server& server, MountManager& manager,
             QWidget* parent = nullptr);

    const Share& share() const { return m_share; }
    const Server& server() const { return m_server; }
    // Replaces the copies shown and used by a click (the store changed).
    void setRecords(const Share& share, const Server& server);

    // The state now, read from the manager.
    ShareState state() const;
    // The symbol, its tint and the colour of the name for the current state and hover.
    QString iconSymbol() const;
    QColor iconTint() const;
    QColor nameColor() const;
    // The manager's status of the share, and why it is not mounted with the time of the last
    // try (empty while mounted, busy or without a reason): the tooltip; the reason alone
    // follows the name.
    ShareStatus status() const;
    QString detailText() const;
    // The open button; shown only while the share is mounted.
    ShareOpenButton* openButton() const { return m_open; }

public Q_SLOTS:
    // Re-reads the state from the manager (its sets changed).
    void refreshState();

protected:
    bool takesHover() const override;
    void paintLabel(QPainter& painter, const QRect& content) override;
    int labelHeight() const override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void activate();
    QFont detailFont() const;
    QFontMetrics detailFontMetrics() const;

    Share m_share;
    Server m_server;
    QPointer<MountManager> m_manager;
    ShareOpenButton* m_open;
};

} // namespace tarnwick
