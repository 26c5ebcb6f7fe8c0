#pragma once

#include <QAbstractButton>

namespace tarnwick {

// A popover row: a plain button padded 12 left and right and 5 above and below, with a
// rounded accent fill inset 4 from its sides while hovered and a white foreground then.
// Subclasses draw the label and may refuse hover. Main thread.
class HoverRow : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(bool hovered READ isHovered NOTIFY hoveredChanged)

public:
    bool isHovered() const { return m_hovered; }
    // White while hovered, the palette's text colour otherwise.
    QColor foreground() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

Q_SIGNALS:
    void hoveredChanged(bool hovered);

protected:
    explicit HoverRow(QWidget* parent = nullptr);

    // Asked when the pointer enters; false keeps the row unhighlighted.
    virtual bool takesHover() const { return true; }
    // Draws the label inside content (the row less its padding).
    virtual void paintLabel(QPainter& painter, const QRect& content) = 0;
    // Height of the label without padding.
    virtual int labelHeight() const;

    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void setHovered(bool hovered);

    bool m_hovered = false;
};

} // namespace tarnwick
