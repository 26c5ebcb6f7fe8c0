#pragma once

#include <QString>

namespace tarnwick {

// The bookmarks GTK file managers and file dialogs show in their sidebar
// ($XDG_CONFIG_HOME/gtk-3.0/bookmarks, one "URI [label]" per line). Main thread; a file that
// cannot be read or written is logged and left as it was.
class GtkBookmarks {
public:
    // Adds folder (absolute) at the end unless a line already names it; keeps every other
    // line as it stands. Returns whether the folder is bookmarked afterwards.
    static bool add(const QString& folder);
};

} // namespace tarnwick
