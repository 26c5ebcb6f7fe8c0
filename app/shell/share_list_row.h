#pragma once

#include "mount/share_status.h"

#include <QString>

namespace tarnwick {

// One row of the share list as the popover and the tray menu show it. Ids stay with their
// server, share or action for the whole run, so a click that crosses a change still reaches
// the row it was meant for. A value; main thread (its texts are translated).
struct ShareListRow {
    // Open follows a share that is mounted and not busy: the share in the file manager.
    // SignIn follows a share whose login was refused, where Tarnwick can store a login.
    enum class Kind { Header, Share, Open, Empty, Separator, Action, SignIn };
    int id = 0;
    Kind kind = Kind::Separator;
    QString label;          // as a menu shows it: a share's name with its reason after a dash
    bool enabled = true;    // false for headers, the empty-list text and busy shares
    QString accessibleName; // a share's name and state ("Media, mounted"); what Open opens
    // Shares only.
    QString name;           // the share's name alone
    QString reason;         // why it is not mounted, short; empty while mounted or busy
    QString detail;         // the reason with the time of the last try
    QString accessibleText; // the accessible name with the detail
    QString symbol;         // SymbolIcons name of the state
    ShareStatus status;
    bool mounted = false; // in the mount table, also while being unmounted
    bool busy = false;
    bool operator==(const ShareListRow&) const = default;
};

} // namespace tarnwick
