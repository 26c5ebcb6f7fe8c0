#pragma once

#include <QWidget>

namespace tarnwick {

// A thin rule in the text colour at a faint level, across the full width (horizontal) or
// height (vertical), with padding on both sides of it. Follows theme changes as it paints.
// Main thread.
class Divider : public QWidget {
    Q_OBJECT

public:
    explicit Divider(Qt::Orientation orientation, int padding = 0, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Qt::Orientation m_orientation;
    int m_padding;
};

} // namespace tarnwick
