#pragma once

#include <QAbstractButton>

namespace tarnwick {

// A popover row: a plain button padded 12 left and right and 5 above and below, with a
// rounded accent fill inset 4 from its sides while hovered and a white foreground then.
// Keyboard focus from Tab or the arrow keys highlights it the same way; Enter or Space acts.
// Subclasses draw the label and may refuse hover. Main thread.
class HoverRow : public QAbstractButton {
    Q_OBJECT
    Q_PROPERTY(bool hovered READ isHovered NOTIFY hoveredChanged)

public:
    bool isHovered() const { return m_hovered; }
    // Drops the pointer hover and the keyboard highlight (the popover was hidden, so the
    // pointer has left it whatever the last event said).
    void clearHover();
    // White while hovered or keyboard-focused, the palette's text colour otherwise.
    QColor foreground() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }
    // Whether window is being driven from the keyboard: only then does a focused row show
    // the highlight (a row that turns busy hands its focus on without any key).
    static void setKeyboardDriven(QWidget& window, bool driven);

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
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void setHovered(bool hovered);
    bool highlighted() const { return m_hovered || m_keyFocus; }

    bool m_hovered = false;
    bool m_keyFocus = false;
};

} // namespace tarnwick
