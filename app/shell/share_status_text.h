#pragma once

#include "mount/share_status.h"

#include <QColor>
#include <QLocale>
#include <QString>

namespace tarnwick {

// What the popover, the tray menu and the tray tooltip say about a share's status: why it
// is not mounted, when it was last tried, and the symbol and tint of its row. Main thread
// (reads the installed translator).
class ShareStatusText {
public:
    // "Server not reachable", "Timed out", ...; empty while mounted, busy or without a reason.
    static QString reason(const ShareStatus& status);
    // The reason with the time of the last try in locale's short format; empty without one.
    static QString detail(const ShareStatus& status, const QLocale& locale = QLocale());
    // The row's symbol (a SymbolIcons name) and its tint over foreground.
    static QString symbol(const ShareStatus& status);
    static QColor tint(const ShareStatus& status, const QColor& foreground);
    // The user has to act or know: the login was refused or cannot be had, or the server does
    // not answer.
    static bool needsAttention(const ShareStatus& status);
};

} // namespace tarnwick
