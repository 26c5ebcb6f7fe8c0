#include "shell/share_row.h"

#include "mount/mount_manager.h"
#include "shell/app_events.h"
#include "shell/popover_style.h"
#include "shell/share_open_button.h"
#include "shell/share_status_text.h"
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
    , m_open(new ShareOpenButton(this))
{
    connect(this, &QAbstractButton::clicked, this, &ShareRow::activate);
    connect(m_open, &QAbstractButton::clicked, this, [this] {
        if (m_manager)
            Q_EMIT AppEvents::instance().openLocationRequest(
                m_manager->locationOf(ShareKey::of(m_server, m_share)));
    });
    connect(&manager, &MountManager::busySharesChanged, this, &ShareRow::refreshState);
    connect(&manager, &MountManager::mountedVolumesChanged, this, &ShareRow::refreshState);
    connect(&manager, &MountManager::shareStatusesChanged, this, &ShareRow::refreshState);
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
    if (m_manager->isBusy(ShareKey::of(m_server, m_share)))
        return ShareState::Busy;
    if (m_manager->isMounted(ShareKey::of(m_server, m_share)))
        return ShareState::Mounted;
    return ShareState::Idle;
}

ShareStatus ShareRow::status() const
{
    return m_manager ? m_manager->statusOf(ShareKey::of(m_server, m_share)) : ShareStatus{};
}

QString ShareRow::iconSymbol() const
{
    return ShareStatusText::symbol(status());
}

QColor ShareRow::iconTint() const
{
    return ShareStatusText::tint(status(), foreground());
}

QString ShareRow::detailText() const
{
    return ShareStatusText::detail(status());
}

QColor ShareRow::nameColor() const
{
    // Full strength whenever the share is mounted, also while it is being unmounted.
    const bool mounted = m_manager && m_manager->isMounted(ShareKey::of(m_server, m_share));
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
    const QString detail = detailText();
    setAccessibleDescription(detail);
    setToolTip(detail);
    m_open->setAccessibleName(qtTrId("a11y.open_share").arg(m_share.name));
    m_open->setVisible(now == ShareState::Mounted);
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

void ShareRow::resizeEvent(QResizeEvent* event)
{
    HoverRow::resizeEvent(event);
    const QSize size = m_open->sizeHint();
    m_open->setGeometry(width() - size.width(), 0, size.width(), height());
}

QFontMetrics ShareRow::detailFontMetrics() const
{
    return QFontMetrics(detailFont());
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
                       SymbolIcons::tinted(iconSymbol(), iconTint(), size, devicePixelRatioF()));
    QRect textRect = content;
    textRect.setLeft(iconRect.right() + 1 + PopoverStyle::shareRowSpacing);
    if (!m_open->isHidden())
        textRect.setRight(m_open->x() - 1);
    painter.setPen(nameColor());
    painter.setFont(font());
    const QString text = fontMetrics().elidedText(m_share.name, Qt::ElideRight, textRect.width());
    // The time of the last try is left to the tooltip: 240 pixels hold a name and a reason.
    const QString detail = ShareStatusText::reason(status());
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
    painter.drawText(detailRect, Qt::AlignLeft | Qt::AlignVCenter,
                     detailFontMetrics().elidedText(detail, Qt::ElideRight, detailRect.width()));
}

void ShareRow::activate()
{
    // Decided at the moment of the click; the manager reports the outcome through its sets.
    if (!m_manager || state() == ShareState::Busy)
        return;
    if (m_manager->isMounted(ShareKey::of(m_server, m_share)))
        m_manager->unmountShare(ShareKey::of(m_server, m_share));
    else
        m_manager->mountShare(m_share, m_server);
}

} // namespace tarnwick
