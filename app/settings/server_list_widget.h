#pragma once

#include <QListWidget>
#include <QSet>

class QMenu;

namespace tarnwick {

// The sidebar list of the Servers tab with its delete action: the Delete or Backspace key
// for the selected row, and a context menu on any row (selected or not). It removes
// nothing itself: it asks through deleteRequested. Main thread.
class ServerListWidget : public QListWidget {
    Q_OBJECT

public:
    explicit ServerListWidget(QWidget* parent = nullptr);

    // The context menu for the row at pos (viewport coordinates); nullptr below the rows.
    // The caller owns the menu.
    QMenu* createRowMenu(const QPoint& pos);

Q_SIGNALS:
    // Positions in the list (= positions in the store's list).
    void deleteRequested(const QSet<int>& positions);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
};

} // namespace tarnwick
