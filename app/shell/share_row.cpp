#include "shell/share_row.h"

#include "mount/mount_manager.h"
#include "shell/popover_style.h"
#include "shell/tray_menu_model.h"
#include "style/style.h"
#include "style/symbol_icons.h"

#include <QPainter>

#include <algorithm>

namespace tarnwick {

ShareRow::ShareRow(const Share& share, const Server& server, MountManager& manager, QWidget* parent)
    : HoverRow(parent)
    , m_share(share)
    , m_server(server)
    , m_manager(&manager)
{
    connect(this, &QAbstractButton::clicked, this, &ShareRow::activate);
    connect(&manager, &MountManager::busySharesChanged, this, &ShareRow::refreshState);
    connect(&manager, &MountManager::mountedVolumesChanged, this, &ShareRow::refreshState);
    refreshState();
}

void ShareRow::setRecords(const Share& share, const Server& server)
{
    m_share = share;
    m_server = server;
    refreshState();
}

ShareState ShareRow::state() const
{
    if (!m_manager)
        return ShareState::Idle;
    if (m_manager->isBusy(m_share.name))
        return ShareState::Busy;
    if (m_manager->isMounted(m_share.name))
        return ShareState::Mounted;
    return ShareState::Idle;
}

QString ShareRow::iconSymbol() const
{
    switch (state()) {
    case ShareState::Busy:
        return QStringLiteral("arrow.triangle.2.circlepath");
    case ShareState::Mounted:
        return QStringLiteral("checkmark.circle.fill");
    case ShareState::Idle:
        break;
    }
    return QStringLiteral("circle");
}

QColor ShareRow::iconTint() const
{
    switch (state()) {
    case ShareState::Busy:
        return Style::orange();
    case ShareState::Mounted:
        return Style::green();
    case ShareState::Idle:
        break;
    }
    return Style::secondary(foreground());
}

QColor ShareRow::nameColor() const
{
    // Full strength whenever the share is mounted, also while it is being unmounted.
    const bool mounted = m_manager && m_manager->isMounted(m_share.name);
    return mounted ? foreground() : Style::secondary(foreground());
}

void ShareRow::refreshState()
{
    // A row that turns busy under the pointer keeps its highlight until the pointer leaves.
    const ShareState now = state();
    setEnabled(now != ShareState::Busy);
    // Screen readers hear the state with the name.
    setAccessibleName(TrayMenuModel::accessibleText(m_share.name, now == ShareState::Mounted,
                                                    now == ShareState::Busy));
    update();
}

bool ShareRow::takesHover() const
{
    return state() != ShareState::Busy;
}

int ShareRow::labelHeight() const
{
    return std::max(fontMetrics().height(), PopoverStyle::iconFrame);
}

void ShareRow::paintLabel(QPainter& painter, const QRect& content)
{
    const int size = PopoverStyle::iconFrame;
    const QRect iconRect(content.left(), content.center().y() - size / 2 + 1, size, size);
    painter.drawPixmap(iconRect,
                       SymbolIcons::tinted(iconSymbol(), iconTint(), size, devicePixelRatioF()));
    QRect textRect = content;
    textRect.setLeft(iconRect.right() + 1 + PopoverStyle::shareRowSpacing);
    painter.setPen(nameColor());
    painter.setFont(font());
    const QString text = fontMetrics().elidedText(m_share.name, Qt::ElideRight, textRect.width());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter, text);
}

void ShareRow::activate()
{
    // Decided at the moment of the click; the manager reports the outcome through its sets.
    if (!m_manager || state() == ShareState::Busy)
        return;
    if (m_manager->isMounted(m_share.name))
        m_manager->unmountShare(m_share.name);
    else
        m_manager->mountShare(m_share, m_server);
}

} // namespace tarnwick
