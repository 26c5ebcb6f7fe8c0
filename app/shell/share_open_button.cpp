#include "shell/share_open_button.h"

#include "shell/popover_style.h"
#include "style/symbol_icons.h"

#include <QPainter>

namespace tarnwick {

ShareOpenButton::ShareOpenButton(QWidget* parent)
    : HoverRow(parent)
{
    setObjectName(QStringLiteral("open"));
    setToolTip(qtTrId("share.open"));
}

QSize ShareOpenButton::sizeHint() const
{
    // The hover fill keeps its inset on both sides of the icon.
    const int side = PopoverStyle::iconFrame + 2 * (PopoverStyle::hoverInset + 4);
    return {side, HoverRow::sizeHint().height()};
}

void ShareOpenButton::paintLabel(QPainter& painter, const QRect&)
{
    const int size = PopoverStyle::iconFrame;
    const QRect icon(QPoint(0, 0), QSize(size, size));
    // White on the accent fill, whether it is this button's or its highlighted row's.
    const auto* row = qobject_cast<const HoverRow*>(parentWidget());
    const QColor own = foreground();
    const QColor tint = row && own != QColor(Qt::white) ? row->foreground() : own;
    painter.drawPixmap(
        icon.translated(rect().center() - icon.center()),
        SymbolIcons::tinted(QStringLiteral("folder"), tint, size, devicePixelRatioF()));
}

} // namespace tarnwick
