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
    // The settings file the entry passes on with --settings; empty (the default) for none.
    // Made absolute here, since the session starts the entry in another directory.
    static void setSettingsFile(const QString& path);
    // The entry's text for starting executable (an absolute path), with --settings when
    // settingsFile is not empty.
    static QByteArray entryContents(const QString& executable,
                                    const QString& settingsFile = QString());
};

} // namespace tarnwick
