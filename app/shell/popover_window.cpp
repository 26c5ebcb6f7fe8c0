#include "shell/popover_window.h"

#include "shell/hover_row.h"
#include "shell/menu_bar_content_view.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace tarnwick {

namespace {

// Gap between the icon (or pointer) and the popup.
constexpr int gap = 4;

} // namespace

PopoverWindow::PopoverWindow(ShareListModel& model, QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint)
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    setObjectName(QStringLiteral("TarnwickPopover"));
    setWindowTitle(QStringLiteral("Tarnwick"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_content = new MenuBarContentView(model, this);
    layout->addWidget(m_content);
}

QPoint PopoverWindow::placement(const QRect& anchor, const QPoint& pointer, const QSize& size,
                                const QRect& screen)
{
    const QRect target =
        anchor.isValid() && !anchor.isEmpty() ? anchor : QRect(pointer, QSize(1, 1));
    int x = target.center().x() - size.width() / 2;
    int y = target.bottom() + 1 + gap;
    if (y + size.height() > screen.bottom() + 1)
        y = target.top() - gap - size.height(); // panel at the bottom of the screen
    x = std::clamp(x, screen.left(), std::max(screen.left(), screen.right() + 1 - size.width()));
    y = std::clamp(y, screen.top(), std::max(screen.top(), screen.bottom() + 1 - size.height()));
    return {x, y};
}

void PopoverWindow::showUnder(const QRect& anchor)
{
    adjustSize();
    const QPoint pointer = QCursor::pos();
    const QPoint probe = anchor.isValid() && !anchor.isEmpty() ? anchor.center() : pointer;
    QScreen* screen = QGuiApplication::screenAt(probe);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect(QPoint(0, 0), size());
    move(placement(anchor, pointer, size(), area));
    show();
    raise();
    activateWindow();
    // No row starts focused: the first arrow picks the first (or last) row.
    setFocus(Qt::PopupFocusReason);
}

void PopoverWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    Q_EMIT shownChanged(true);
}

void PopoverWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    m_content->clearHover();
    HoverRow::setKeyboardDriven(*this, false);
    Q_EMIT shownChanged(false);
}

bool PopoverWindow::event(QEvent* event)
{
    if (event->type() == QEvent::KeyPress)
        HoverRow::setKeyboardDriven(*this, true);
    return QWidget::event(event);
}

void PopoverWindow::keyPressEvent(QKeyEvent* event)
{
    // Before any row has focus the arrows reach the window: they start at the first or last.
    if (event->key() == Qt::Key_Down || event->key() == Qt::Key_Up) {
        focusNextPrevChild(event->key() == Qt::Key_Down);
        return;
    }
    QWidget::keyPressEvent(event); // Escape closes a popup
}

void PopoverWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Active, QPalette::Window));
    QColor edge = palette().color(QPalette::Active, QPalette::WindowText);
    edge.setAlphaF(0.2);
    painter.setPen(edge);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace tarnwick
