#pragma once

#include "model/share_key.h"

#include <QObject>
#include <QUrl>
#include <QUuid>

namespace tarnwick {

// Application-wide notifications that join parts of the interface which do not know each
// other. One instance per process; main thread only.
class AppEvents : public QObject {
    Q_OBJECT

public:
    // The process-wide instance (created on first use, lives until exit).
    static AppEvents& instance();

Q_SIGNALS:
    // The popover's Settings row asks for the settings window: the popover closes and the
    // settings window comes to the front.
    void openSettingsRequest();
    // As openSettingsRequest, then the Servers tab shows server (when it still exists).
    void openServerSettingsRequest(const QUuid& server);
    // A mounted share's "open" asks for its location in the desktop's file manager.
    void openLocationRequest(const QUrl& location);
    // A share whose login was refused asks for the sign-in dialog.
    void signInRequest(const tarnwick::ShareKey& share);
    // The user asks to unlock the keyring that holds the logins of waiting shares.
    void unlockLoginsRequest();

private:
    AppEvents() = default;
};

} // namespace tarnwick
