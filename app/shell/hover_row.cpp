#include "shell/hover_row.h"

#include "shell/popover_style.h"
#include "style/style.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>

namespace tarnwick {

namespace {

const char* const keyboardDriven = "tarnwickKeyboardDriven";

} // namespace

HoverRow::HoverRow(QWidget* parent)
    : QAbstractButton(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QColor HoverRow::foreground() const
{
    return highlighted() ? QColor(Qt::white) : Style::text(palette());
}

int HoverRow::labelHeight() const
{
    return fontMetrics().height();
}

QSize HoverRow::sizeHint() const
{
    return {PopoverStyle::width, labelHeight() + 2 * PopoverStyle::rowVPadding};
}

void HoverRow::enterEvent(QEnterEvent* event)
{
    setHovered(takesHover());
    QAbstractButton::enterEvent(event);
}

void HoverRow::leaveEvent(QEvent* event)
{
    setHovered(false);
    QAbstractButton::leaveEvent(event);
}

void HoverRow::setHovered(bool hovered)
{
    if (m_hovered == hovered)
        return;
    m_hovered = hovered;
    update();
    Q_EMIT hoveredChanged(hovered);
}

void HoverRow::clearHover()
{
    m_keyFocus = false;
    setHovered(false);
    update();
}

void HoverRow::setKeyboardDriven(QWidget& window, bool driven)
{
    window.setProperty(keyboardDriven, driven);
}

bool HoverRow::event(QEvent* event)
{
    // Before the base class: it moves the focus on Tab itself.
    if (event->type() == QEvent::KeyPress)
        setKeyboardDriven(*window(), true);
    else if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::Enter)
        setKeyboardDriven(*window(), false);
    return QAbstractButton::event(event);
}

void HoverRow::keyPressEvent(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Left:
        focusNextPrevChild(false);
        break;
    case Qt::Key_Down:
    case Qt::Key_Right:
        focusNextPrevChild(true);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (isEnabled())
            click();
        break;
    default:
        QAbstractButton::keyPressEvent(event); // Space; Escape goes on to the popup
        return;
    }
    event->accept();
}

void HoverRow::focusInEvent(QFocusEvent* event)
{
    // Only keyboard focus shows: a click focuses the row too, and its highlight must follow
    // the pointer.
    m_keyFocus =
        window()->property(keyboardDriven).toBool() &&
        (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason);
    update();
    QAbstractButton::focusInEvent(event);
}

void HoverRow::focusOutEvent(QFocusEvent* event)
{
    m_keyFocus = false;
    update();
    QAbstractButton::focusOutEvent(event);
}

void HoverRow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (highlighted()) {
        QPainterPath fill;
        const QRectF area =
            QRectF(rect()).adjusted(PopoverStyle::hoverInset, 0, -PopoverStyle::hoverInset, 0);
        fill.addRoundedRect(area, PopoverStyle::hoverRadius, PopoverStyle::hoverRadius);
        painter.fillPath(fill, Style::accent(palette()));
    }
    const QRect content = rect().adjusted(PopoverStyle::rowHPadding, PopoverStyle::rowVPadding,
                                          -PopoverStyle::rowHPadding, -PopoverStyle::rowVPadding);
    paintLabel(painter, content);
}

} // namespace tarnwick
