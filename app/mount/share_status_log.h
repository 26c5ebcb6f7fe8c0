#pragma once

#include "mount/share_status.h"

#include <QObject>

namespace tarnwick {

class MountManager;

// Logs each change of a share's status once ("[Tarnwick] [NAME] status: mounted"), not every
// cycle. Lives on the main thread, as a child of the manager it watches.
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
