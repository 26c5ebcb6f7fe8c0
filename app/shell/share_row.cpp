#include "shell/share_row.h"

#include "shell/popover_style.h"
#include "shell/share_list_model.h"
#include "shell/share_open_button.h"
#include "shell/share_status_text.h"
#include "style/style.h"
#include "style/symbol_icons.h"

#include <QPainter>

#include <algorithm>

namespace tarnwick {

ShareRow::ShareRow(ShareListModel& model, QWidget* parent)
    : HoverRow(parent)
    , m_model(model)
    , m_open(new ShareOpenButton(this))
{
    connect(this, &QAbstractButton::clicked, this, [this] { m_model.activate(m_row.id); });
    connect(m_open, &QAbstractButton::clicked, this, [this] { m_model.activate(m_openId); });
    m_open->hide();
}

void ShareRow::setRow(const ShareListRow& row, const ShareListRow* open)
{
    const int openId = open ? open->id : 0;
    if (row == m_row && openId == m_openId)
        return;
    m_row = row;
    m_openId = openId;
    // A row that turns busy under the pointer keeps its highlight until the pointer leaves.
    setEnabled(row.enabled);
    setAccessibleName(row.accessibleName);
    setAccessibleDescription(row.detail);
    setToolTip(row.detail);
    if (open)
        m_open->setAccessibleName(open->accessibleName);
    m_open->setVisible(open != nullptr);
    update();
}

bool ShareRow::takesHover() const
{
    return !m_row.busy;
}

int ShareRow::labelHeight() const
{
    return std::max(fontMetrics().height(), PopoverStyle::iconFrame);
}

void ShareRow::resizeEvent(QResizeEvent* event)
{
    HoverRow::resizeEvent(event);
    const QSize size = m_open->sizeHint();
    m_open->setGeometry(width() - size.width(), 0, size.width(), height());
}

QFont ShareRow::detailFont() const
{
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    return small;
}

void ShareRow::paintLabel(QPainter& painter, const QRect& content)
{
    const int size = PopoverStyle::iconFrame;
    const QRect iconRect(content.left(), content.center().y() - size / 2 + 1, size, size);
    painter.drawPixmap(iconRect,
                       SymbolIcons::tinted(m_row.symbol,
                                           ShareStatusText::tint(m_row.status, foreground()), size,
                                           devicePixelRatioF()));
    QRect textRect = content;
    textRect.setLeft(iconRect.right() + 1 + PopoverStyle::shareRowSpacing);
    if (!m_open->isHidden())
        textRect.setRight(m_open->x() - 1);
    // Full strength whenever the share is mounted, also while it is being unmounted.
    painter.setPen(m_row.mounted ? foreground() : Style::secondary(foreground()));
    painter.setFont(font());
    const QString text = fontMetrics().elidedText(m_row.name, Qt::ElideRight, textRect.width());
    // The time of the last try is left to the tooltip: 240 pixels hold a name and a reason.
    const QString& detail = m_row.reason;
    if (detail.isEmpty()) {
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text);
        return;
    }
    // The reason follows the name on the same line, smaller: rows keep their height, so the
    // popover does not move under the pointer when a mount fails.
    const int nameWidth = std::min(fontMetrics().horizontalAdvance(text), textRect.width());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text);
    QRect detailRect = textRect;
    detailRect.setLeft(textRect.left() + nameWidth + PopoverStyle::shareRowSpacing);
    painter.setPen(Style::secondary(foreground()));
    painter.setFont(detailFont());
    painter.drawText(
        detailRect, Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetrics(detailFont()).elidedText(detail, Qt::ElideRight, detailRect.width()));
}

} // namespace tarnwick
