#pragma once

#include <QColor>
#include <QFont>
#include <QPalette>

#include <functional>

class QAbstractButton;
class QLabel;
class QWidget;

namespace tarnwick {

// The colours, fonts and small builders shared by the popover and the settings window.
// Whatever is derived from a palette is derived again after every palette change (a light or
// dark theme switch while Tarnwick runs). Main thread (widgets and pixmaps).
class Style {
public:
    // The level that dims a foreground colour for secondary texts and symbols.
    static constexpr qreal secondaryAlpha = 0.55;

    // Mounted shares and added servers.
    static QColor green() { return QColor(0x34, 0xc7, 0x59); }
    // Busy shares.
    static QColor orange() { return QColor(0xff, 0x95, 0x00); }
    // The desktop's selection colour (active group).
    static QColor accent(const QPalette& palette);
    // The normal text colour (active group, also while disabled).
    static QColor text(const QPalette& palette);
    // color at the secondary level.
    static QColor secondary(QColor color);
    // The text colour of palette at the secondary level.
    static QColor secondaryText(const QPalette& palette) { return secondary(text(palette)); }

    // A smaller variant of base for captions and host lines.
    static QFont caption(const QFont& base);
    static QFont weighted(const QFont& base, QFont::Weight weight);

    // Calls apply with widget's palette now and after every change of it. apply may set a
    // role of widget's palette that it does not read.
    static void follow(QWidget* widget, std::function<void(const QPalette&)> apply);
    // Draws label's text in the secondary colour (its foreground role becomes
    // PlaceholderText), also after theme changes.
    static void makeSecondary(QLabel* label);
    // A label in the secondary colour, optionally in the caption font.
    static QLabel* secondaryLabel(const QString& text, bool caption, QWidget* parent = nullptr);
    // A label showing text verbatim (never as rich text), e.g. a user's server name.
    static QLabel* plainLabel(const QString& text, QWidget* parent = nullptr);
    // A small indeterminate busy indicator.
    static QWidget* busyIndicator(QWidget* parent = nullptr, int width = 48);

    // Shows symbol (a SymbolIcons name) at size in the colour tint gives for the palette,
    // tinted again after every palette change.
    using Tint = std::function<QColor(const QPalette&)>;
    static void showSymbol(QLabel* label, const QString& symbol, int size, Tint tint);
    static void showSymbol(QAbstractButton* button, const QString& symbol, int size, Tint tint);
};

} // namespace tarnwick
