#include "shell/section_header.h"

#include "shell/popover_style.h"

namespace tarnwick {

SectionHeader::SectionHeader(const QString& title, QWidget* parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setText(title);
    setFont(PopoverStyle::headerFont(*this));
    setContentsMargins(PopoverStyle::rowHPadding, PopoverStyle::headerTop,
                       PopoverStyle::rowHPadding, PopoverStyle::headerBottom);
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, PopoverStyle::secondary(PopoverStyle::primary(*this)));
    setPalette(colours);
}

} // namespace tarnwick
