#pragma once

#include <QString>

namespace tarnwick {

// Whether the Secret Service holds SMB logins for a server that cannot be read because every
// collection holding them is locked. Asks the session bus's org.freedesktop.secrets directly,
// which never unlocks anything and so never prompts.
class SecretServiceLocks {
public:
    // True when server has items of protocol "smb" and all of them are locked; false when it
    // has none, one is unlocked, or the store does not answer within its deadline. Blocks
    // while the store answers; any thread; never logs.
    static bool onlyLocked(const QString& server);
};

} // namespace tarnwick
