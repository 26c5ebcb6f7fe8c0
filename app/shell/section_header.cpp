#include "shell/section_header.h"

#include "shell/popover_style.h"
#include "style/style.h"

namespace tarnwick {

SectionHeader::SectionHeader(const QString& title, QWidget* parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setText(title);
    setFont(PopoverStyle::headerFont(*this));
    setContentsMargins(PopoverStyle::rowHPadding, PopoverStyle::headerTop,
                       PopoverStyle::rowHPadding, PopoverStyle::headerBottom);
    Style::makeSecondary(this);
}

} // namespace tarnwick
