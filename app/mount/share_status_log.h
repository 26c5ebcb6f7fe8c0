#pragma once

#include "mount/share_status.h"

#include <QObject>

namespace tarnwick {

class MountManager;

// Logs once each change of why a share is not mounted ("[Tarnwick] [NAME] status: not mounted
// (server unreachable)") and its recovery ("... status: mounted"), not every cycle; mounting
// itself has its own lines. Lives on the main thread, as a child of the manager it watches.
class ShareStatusLog : public QObject {
    Q_OBJECT

public:
    explicit ShareStatusLog(MountManager& manager);

private:
    void logChanges();

    MountManager& m_manager;
    ShareStatusMap m_seen;
};

} // namespace tarnwick
