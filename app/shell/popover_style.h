#pragma once

#include <QFont>

class QWidget;

namespace tarnwick {

// Measures of the popover, in logical pixels (its colours come from Style). Main thread.
struct PopoverStyle {
    static constexpr int width = 240;
    static constexpr int verticalPadding = 4; // above and below the whole content
    static constexpr int rowHPadding = 12;    // rows and headers, left and right
    static constexpr int rowVPadding = 5;     // share and menu rows, above and below
    static constexpr int hoverInset = 4;      // hover fill, from the row's left/right edges
    static constexpr int hoverRadius = 6;
    static constexpr int iconFrame = 16;      // share-state icon column
    static constexpr int shareRowSpacing = 8; // icon to name
    static constexpr int menuRowSpacing = 6;  // title to flexible space (default spacing)
    static constexpr int dividerPadding = 4;  // above and below each divider
    static constexpr int headerTop = 8;
    static constexpr int headerBottom = 2;
    static constexpr int headerPixelSize = 11;
    static constexpr int emptyHPadding = 12;
    static constexpr int emptyVPadding = 8;
    // The section-header font: 11 px, semibold.
    static QFont headerFont(const QWidget& widget);
};

} // namespace tarnwick
