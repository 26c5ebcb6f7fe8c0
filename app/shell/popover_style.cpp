#include "shell/popover_style.h"

#include <QWidget>

namespace tarnwick {

QFont PopoverStyle::headerFont(const QWidget& widget)
{
    QFont font = widget.font();
    font.setPixelSize(headerPixelSize);
    font.setWeight(QFont::DemiBold);
    return font;
}

} // namespace tarnwick
