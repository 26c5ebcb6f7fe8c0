#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QStringList>

namespace tarnwick {

// The interface's symbols by their symbol names ("checkmark.circle.fill"): the desktop's
// icon theme when it has the matching freedesktop name, otherwise the SVG bundled under
// ":/icons". Main thread (QIcon and QPixmap are GUI objects).
class SymbolIcons {
public:
    // The icon for symbol; the bundled drawing when the theme lacks it; a null icon for an
    // unknown symbol name.
    static QIcon icon(const QString& symbol);
    // The freedesktop icon name tried first for symbol; empty for an unknown symbol.
    static QString themeName(const QString& symbol);
    // The resource path of the bundled drawing; empty for an unknown symbol.
    static QString bundledPath(const QString& symbol);
    // Every symbol name known here.
    static QStringList symbols();
    // The icon drawn in one colour at size × size logical pixels (template-style, as the
    // status bar and the popover show symbols), for a device pixel ratio of dpr.
    static QPixmap tinted(const QString& symbol, const QColor& color, int size, qreal dpr = 1.0);
    // The same drawing at the common icon sizes, for buttons and tabs.
    static QIcon tintedIcon(const QString& symbol, const QColor& color);
};

} // namespace tarnwick
