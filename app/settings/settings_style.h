#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QPalette>

class QLabel;
class QWidget;

namespace tarnwick {

// Colours, fonts and tinted symbols shared by the settings views. Main thread (needs a
// QGuiApplication); never fails: an unknown symbol gives an empty icon.
class SettingsStyle {
public:
    enum class Symbol {
        ServerRack,
        Plus,
        Minus,
        Antenna,
        Gear,
        ExternalDrive,
        WifiSlash,
        CheckmarkCircle,
        Refresh,
    };

    static QColor accentColor(const QPalette& palette);
    static QColor secondaryColor(const QPalette& palette);
    static QColor successColor();
    // A smaller variant of base for captions and host lines.
    static QFont captionFont(const QFont& base);
    static QFont weighted(const QFont& base, QFont::Weight weight);

    // The symbol in one colour: the icon theme's symbolic icon when the theme has one,
    // else the drawing bundled with Tarnwick.
    static QIcon icon(Symbol symbol, const QColor& color);

    // text for a button or check box label shown verbatim ("&" is not a shortcut mark).
    static QString verbatimButtonText(const QString& text);
    // A label showing text verbatim (never as rich text), e.g. a user's server name.
    static QLabel* plainLabel(const QString& text, QWidget* parent = nullptr);
    // A label in the secondary colour, optionally in the caption font.
    static QLabel* secondaryLabel(const QString& text, bool caption, QWidget* parent = nullptr);
    // A small indeterminate busy indicator.
    static QWidget* busyIndicator(QWidget* parent = nullptr, int width = 48);
};

} // namespace tarnwick
