#pragma once

#include "model/server.h"
#include "mount/mount_operation.h"
#include "mount/mount_table.h"
#include "mount/mount_timing.h"
#include "mount/share_status.h"
#include "mount/stop_signal.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QSettings>
#include <QString>
#include <QThreadPool>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace tarnwick {

class HelperAccess;
class ShareStore;
class SystemProfile;

// Keeps the shares of the enabled servers mounted: the start-up pass, the mount cycle, the
// 5-second refresh, and the popover's mount/unmount requests. Lives on the main thread;
// its published sets change only there. Share names are compared as the profile's keys.
class MountManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(QSet<QString> mountedVolumes READ mountedVolumes NOTIFY mountedVolumesChanged)
    Q_PROPERTY(QSet<QString> busyShares READ busyShares NOTIFY busySharesChanged)
    Q_PROPERTY(
        tarnwick::ShareStatusMap shareStatuses READ shareStatuses NOTIFY shareStatusesChanged)

public:
    // Refreshes at once and schedules the start-up pass, the first cycle and both timers.
    // store, settings and helper (may be null: no helper) must outlive the manager.
    MountManager(ShareStore& store, std::shared_ptr<const SystemProfile> profile,
                 QSettings& settings, HelperAccess* helper, MountTiming timing = {},
                 QObject* parent = nullptr);
    ~MountManager() override;

    // Names (as keys) taken as mounted / with an operation under way.
    const QSet<QString>& mountedVolumes() const { return m_mountedVolumes; }
    const QSet<QString>& busyShares() const { return m_busyShares; }
    // The status of every configured share with a usable name, by key; changes are
    // published only when something changed.
    const ShareStatusMap& shareStatuses() const { return m_statuses; }
    // Membership by a share's name, compared the way the profile compares names.
    bool isMounted(const QString& shareName) const;
    bool isBusy(const QString& shareName) const;
    // The published status of the share named shareName; a default one when it has none.
    ShareStatus statusOf(const QString& shareName) const;
    // Where the mounted share named shareName opens in a file manager: its local folder as a
    // file URL, else its mount location; empty when it is not mounted. Reads the mount table.
    QUrl locationOf(const QString& shareName) const;
    // The mount-cycle timer (for inspection; owned by the manager).
    QTimer* timer() const { return m_timer; }

public Q_SLOTS:
    // Starts one mount cycle in the background; returns at once.
    void mountAll();
    // Mounts one share on request, whatever its server's enabled flag.
    void mountShare(const tarnwick::Share& share, const tarnwick::Server& server);
    // Unmounts share N (reads the mount table on this thread).
    void unmountShare(const QString& shareName);
    // Unmounts every configured share that is taken as mounted.
    void unmountAll();
    // Re-reads the mount table; the result is published on the main thread. Any thread.
    void refreshMountedVolumes();
    // Probes the servers that have mounts once, now, and detaches the mounts of those that
    // do not answer (the network went away). Returns at once.
    void probeAndDetach();

Q_SIGNALS:
    // Emitted on every whole assignment, also when the set did not change.
    void mountedVolumesChanged();
    void busySharesChanged();
    // A cycle was queued by mountAll / has ended (its mounts published). Main thread; one
    // finish per start unless the manager is destroyed first.
    void cycleStarted();
    void cycleFinished();
    void shareStatusesChanged();

private:
    // One share a cycle has picked: where to mount it, its name and its key.
    struct Pending {
        QString host;
        QString name;
        QString key;
    };
    // What a cycle learnt in the background, handed to the main thread in one step.
    struct CycleReport {
        QHash<QString, bool> reachable; // by host key
        QList<Pending> candidates;
    };

    void startTimers(QSettings& settings);
    void startupPass();
    QList<tarnwick::Server> usableServers(bool enabledOnly);
    bool usableName(const QString& name);
    void runCycle(const QList<tarnwick::Server>& servers, const QHash<QString, QByteArray>& held,
                  const QHash<QString, int>& missed);
    QHash<QString, bool> probe(const QStringList& hosts) const;
    void detachAll(const QList<MountEntry>& mounts, const QSet<QString>& deadHosts);
    QList<Pending> markBusy(const CycleReport& report);
    void noteProbes(const QHash<QString, bool>& reachable);
    void mountInBackground(const QString& host, const QString& name);
    void endMount(const QString& key, const QString& name, const MountOutcome& outcome);
    void endUnmount(const QString& key, bool unmounted);
    void publishMounted(const QSet<QString>& keys);
    void setMountedVolumes(const QSet<QString>& keys);
    void setBusyShares(const QSet<QString>& keys);
    void updateStatuses();

    ShareStore& m_store;
    std::shared_ptr<const SystemProfile> m_profile;
    HelperAccess* m_helper;
    MountTiming m_timing;
    QSet<QString> m_mountedVolumes;
    QSet<QString> m_busyShares;
    QTimer* m_timer = nullptr;
    ShareStatusMap m_statuses;
    // Main-thread state behind the statuses and the cycle's decisions, by key or host key.
    QHash<QString, MountOutcome> m_lastOutcome;
    // The login a share's server refused; the share waits until the stored one differs.
    QHash<QString, QByteArray> m_refusedLogin;
    QHash<QString, int> m_missedProbes; // probes in a row a host did not answer
    QSet<QString> m_unmounting;
    QSet<QString> m_reportedNames; // unusable names already logged
    // Raised by the destructor: background work ends early, queued results are dropped.
    StopSignal m_stop;
    // Start-up pass, cycle tasks, single mounts and unmounts. Unbounded like the system's
    // global queues: a cycle blocks its thread while its mounts run.
    QThreadPool m_tasks;
};

} // namespace tarnwick
