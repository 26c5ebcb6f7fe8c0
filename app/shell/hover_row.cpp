#include "shell/hover_row.h"

#include "shell/popover_style.h"
#include "style/style.h"

#include <QEnterEvent>
#include <QPainter>
#include <QPainterPath>

namespace tarnwick {

HoverRow::HoverRow(QWidget* parent)
    : QAbstractButton(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QColor HoverRow::foreground() const
{
    return m_hovered ? QColor(Qt::white) : Style::text(palette());
}

int HoverRow::labelHeight() const
{
    return fontMetrics().height();
}

QSize HoverRow::sizeHint() const
{
    return {PopoverStyle::width, labelHeight() + 2 * PopoverStyle::rowVPadding};
}

void HoverRow::enterEvent(QEnterEvent* event)
{
    setHovered(takesHover());
    QAbstractButton::enterEvent(event);
}

void HoverRow::leaveEvent(QEvent* event)
{
    setHovered(false);
    QAbstractButton::leaveEvent(event);
}

void HoverRow::setHovered(bool hovered)
{
    if (m_hovered == hovered)
        return;
    m_hovered = hovered;
    update();
    Q_EMIT hoveredChanged(hovered);
}

void HoverRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (m_hovered) {
        QPainterPath fill;
        const QRectF area =
            QRectF(rect()).adjusted(PopoverStyle::hoverInset, 0, -PopoverStyle::hoverInset, 0);
        fill.addRoundedRect(area, PopoverStyle::hoverRadius, PopoverStyle::hoverRadius);
        painter.fillPath(fill, Style::accent(palette()));
    }
    const QRect content = rect().adjusted(PopoverStyle::rowHPadding, PopoverStyle::rowVPadding,
                                          -PopoverStyle::rowHPadding, -PopoverStyle::rowVPadding);
    paintLabel(painter, content);
}

} // namespace tarnwick
