#include "style/divider.h"

#include "style/style.h"

#include <QPainter>

namespace tarnwick {

Divider::Divider(Qt::Orientation orientation, int padding, QWidget* parent)
    : QWidget(parent)
    , m_orientation(orientation)
    , m_padding(padding)
{
    const int thickness = 2 * padding + 1;
    if (orientation == Qt::Horizontal) {
        setFixedHeight(thickness);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    } else {
        setFixedWidth(thickness);
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    }
}

void Divider::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    QColor line = Style::text(palette());
    line.setAlphaF(0.15);
    painter.fillRect(m_orientation == Qt::Horizontal ? QRect(0, m_padding, width(), 1)
                                                     : QRect(m_padding, 0, 1, height()),
                     line);
}

} // namespace tarnwick
