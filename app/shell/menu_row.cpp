#include "shell/menu_row.h"

#include <QPainter>

namespace tarnwick {

MenuRow::MenuRow(const QString& title, std::function<void()> action, QWidget* parent)
    : HoverRow(parent)
    , m_action(std::move(action))
{
    setTitle(title);
    connect(this, &QAbstractButton::clicked, this, [this] {
        if (m_action)
            m_action();
    });
}

void MenuRow::setTitle(const QString& title)
{
    setText(title);
    setAccessibleName(title);
}

void MenuRow::paintLabel(QPainter& painter, const QRect& content)
{
    painter.setPen(foreground());
    painter.setFont(font());
    painter.drawText(content, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(text(), Qt::ElideRight, content.width()));
}

} // namespace tarnwick
