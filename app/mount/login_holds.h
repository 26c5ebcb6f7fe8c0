#pragma once

#include "model/share_key.h"

#include <QByteArray>
#include <QHash>

namespace tarnwick {

// The shares whose server refused a login, each with that login's fingerprint: such a share
// waits until the stored login differs or the user asks, since every retry with the same
// secret is one more failed logon (domains lock accounts after a few). Main thread.
class LoginHolds {
public:
    void hold(const ShareKey& key, const QByteArray& fingerprint)
    {
        m_held.insert(key, fingerprint);
    }
    void release(const ShareKey& key) { m_held.remove(key); }
    bool isHeld(const ShareKey& key) const { return m_held.contains(key); }
    const QHash<ShareKey, QByteArray>& all() const { return m_held; }

private:
    QHash<ShareKey, QByteArray> m_held;
};

} // namespace tarnwick
