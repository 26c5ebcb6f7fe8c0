#include "settings/server_list_widget.h"

#include "style/style.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

#include <memory>

namespace tarnwick {

ServerListWidget::ServerListWidget(QWidget* parent)
    : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    // A light selection, as in a sidebar: the rows' accent-coloured symbols and their
    // secondary host lines stay readable on it.
    Style::follow(this, [this](const QPalette& own) {
        // The tint starts from the application's selection colour, not from its own.
        const QPalette application = QApplication::palette(this);
        QPalette colors; // only these roles set: the others stay inherited
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
            QColor tint = application.color(group, QPalette::Highlight);
            tint.setAlphaF(0.22);
            colors.setColor(group, QPalette::Highlight, tint);
            colors.setColor(group, QPalette::HighlightedText, own.color(group, QPalette::Text));
        }
        setPalette(colors);
    });
}

QMenu* ServerListWidget::createRowMenu(const QPoint& pos)
{
    const int row = indexAt(pos).row();
    if (row < 0)
        return nullptr;
    auto* menu = new QMenu(this);
    QAction* remove = menu->addAction(qtTrId("servers.delete"));
    remove->setObjectName(QStringLiteral("deleteRow"));
    connect(remove, &QAction::triggered, this, [this, row] { Q_EMIT deleteRequested({row}); });
    return menu;
}

void ServerListWidget::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Delete) || event->key() == Qt::Key_Backspace) {
        QSet<int> rows;
        for (const QModelIndex& index : selectionModel()->selectedRows())
            rows.insert(index.row());
        if (!rows.isEmpty()) {
            Q_EMIT deleteRequested(rows);
            event->accept();
            return;
        }
    }
    QListWidget::keyPressEvent(event);
}

void ServerListWidget::mousePressEvent(QMouseEvent* event)
{
    // A right click opens the row's menu without selecting the row, so deleting another
    // row than the selected one is possible.
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    QListWidget::mousePressEvent(event);
}

void ServerListWidget::contextMenuEvent(QContextMenuEvent* event)
{
    // Mouse-triggered context menus arrive with viewport coordinates.
    std::unique_ptr<QMenu> menu(createRowMenu(event->pos()));
    if (menu)
        menu->exec(event->globalPos());
}

} // namespace tarnwick
