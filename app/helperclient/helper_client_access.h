#pragma once

#include "mount/helper_access.h"

namespace tarnwick {

class HelperClient;

// The mount engine's way to the helper: one RemoveDirectory through HelperClient, waited for.
// From a worker thread the request is handed to the client's thread (whose event loop must be
// running) and the worker blocks until the reply or the connection's error; on the client's
// own thread a local event loop waits instead. Never hangs on a dead helper: its death, a
// dropped bus or the D-Bus call timeout all end the wait with false.
class HelperClientAccess : public HelperAccess {
public:
    // client must outlive every removeDirectory() call.
    explicit HelperClientAccess(HelperClient& client);

    bool removeDirectory(const QString& path) override;

private:
    HelperClient* m_client;
};

} // namespace tarnwick
