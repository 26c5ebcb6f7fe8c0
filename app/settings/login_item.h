#pragma once

#include <QByteArray>
#include <QString>

namespace tarnwick {

// Launch at login as the user's XDG autostart entry "tarnwick.desktop" in
// $XDG_CONFIG_HOME/autostart (~/.config/autostart). Main thread; no operation throws.
class LoginItem {
public:
    // Where the entry lives; follows XDG_CONFIG_HOME at each call.
    static QString entryPath();
    // True when the entry exists and is not switched off (Hidden, X-GNOME-Autostart-enabled).
    static bool isEnabled();
    // Writes the entry (enabled) or removes it (disabled). On failure writes the line
    // "[Tarnwick] LoginItem error: " + reason and changes nothing else.
    static void setLaunchAtLogin(bool enabled);
    // The entry's text for starting executable (an absolute path).
    static QByteArray entryContents(const QString& executable);
};

} // namespace tarnwick
