#include "shell/popover_style.h"

#include <QPalette>
#include <QWidget>

namespace tarnwick {

QColor PopoverStyle::accent(const QWidget& widget)
{
    return widget.palette().color(QPalette::Active, QPalette::Highlight);
}

QColor PopoverStyle::primary(const QWidget& widget)
{
    return widget.palette().color(QPalette::Active, QPalette::WindowText);
}

QColor PopoverStyle::secondary(QColor color)
{
    color.setAlphaF(color.alphaF() * secondaryAlpha);
    return color;
}

QFont PopoverStyle::headerFont(const QWidget& widget)
{
    QFont font = widget.font();
    font.setPixelSize(headerPixelSize);
    font.setWeight(QFont::DemiBold);
    return font;
}

} // namespace tarnwick
