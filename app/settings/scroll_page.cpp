#include "settings/scroll_page.h"

#include <QScrollArea>
#include <QVBoxLayout>

namespace tarnwick {

QVBoxLayout* ScrollPage::install(QWidget* owner, const QMargins& margins)
{
    auto* scroll = new QScrollArea(owner);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto* outer = new QVBoxLayout(owner);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);

    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(margins);
    layout->setSpacing(16);
    scroll->setWidget(content);
    return layout;
}

} // namespace tarnwick
