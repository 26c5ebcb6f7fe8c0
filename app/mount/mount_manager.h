#pragma once

#include "model/server.h"
#include "model/share_key.h"
#include "mount/cycle_planner.h"
#include "mount/login_holds.h"
#include "mount/mount_operation.h"
#include "mount/mount_timing.h"
#include "mount/server_health.h"
#include "mount/share_book.h"
#include "mount/share_status.h"
#include "mount/stop_signal.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QSettings>
#include <QString>
#include <QThreadPool>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace tarnwick {

class HelperAccess;
class ShareLister;
class ShareStore;
class SystemProfile;

// Keeps the shares of the enabled servers mounted: the start-up pass, the mount cycle, the
// 5-second refresh, and the views' mount/unmount requests. A share is known by its server
// and itself (ShareKey). Lives on the main thread; everything it publishes changes only
// there; tools and the mount table are read on its pool, never on the calling thread.
class MountManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(QSet<QString> mountedVolumes READ mountedVolumes NOTIFY mountedVolumesChanged)
    Q_PROPERTY(QSet<QString> busyShares READ busyShares NOTIFY busySharesChanged)
    Q_PROPERTY(
        tarnwick::ShareStatusMap shareStatuses READ shareStatuses NOTIFY shareStatusesChanged)

public:
    // Reads the mount table at once (in the background) and schedules the start-up pass, the
    // first cycle and both timers. store, settings and helper (may be null: no helper) must
    // outlive the manager.
    MountManager(ShareStore& store, std::shared_ptr<const SystemProfile> profile,
                 QSettings& settings, HelperAccess* helper, MountTiming timing = {},
                 QObject* parent = nullptr);
    ~MountManager() override;

    // The status of every configured share with a usable name: the one model views render.
    const ShareStatusMap& shareStatuses() const { return m_book.statuses(); }
    // The status of one share; a default one when it has none.
    ShareStatus statusOf(const ShareKey& key) const { return m_book.statuses().value(key); }
    // Whether the table shows the share / an operation on it is under way.
    bool isMounted(const ShareKey& key) const { return m_book.isMounted(key); }
    bool isBusy(const ShareKey& key) const { return m_book.isBusy(key); }
    // Derived views for name-based readers: the names (as the profile's keys) of configured
    // shares taken as mounted / with an operation under way.
    const QSet<QString>& mountedVolumes() const { return m_mountedNames; }
    const QSet<QString>& busyShares() const { return m_busyNames; }
    // Where the mounted share opens in a file manager: its local folder as a file URL, else
    // its mount location; empty when it is not mounted. Reads no table.
    QUrl locationOf(const ShareKey& key) const;
    // True when the system keeps logins Tarnwick stores (signIn may remember one); false
    // where the system's own login dialog does.
    bool offersSignIn() const;
    // The mount-cycle timer (for inspection; owned by the manager).
    QTimer* timer() const { return m_timer; }

public Q_SLOTS:
    // Starts one mount cycle in the background; returns at once.
    void mountAll();
    // Mounts one share on request, whatever its server's enabled flag.
    void mountShare(const tarnwick::Share& share, const tarnwick::Server& server);
    // Unmounts that share (unknown keys are ignored).
    void unmountShare(const tarnwick::ShareKey& key);
    // Unmounts every configured share that is taken as mounted.
    void unmountAll();
    // Re-reads the mount table in the background; the result is published on the main
    // thread. Any thread; returns at once.
    void refreshMountedVolumes();
    // Probes the servers that have mounts once, now, and detaches the mounts of those that
    // do not answer (the network went away). Returns at once.
    void probeAndDetach();
    // The networks the system is on now (nullopt: unknown, every server is here): servers
    // that live elsewhere are neither probed nor mounted; the mounts of those that lived on
    // the networks up until now are detached at once (in the background).
    void setActiveNetworks(const std::optional<QStringList>& networks);
    // True when every change of the mount table is announced (refreshMountedVolumes is called
    // for it): the periodic refresh then stops, so an idle table costs no wake-up.
    void setMountChangesAnnounced(bool announced);
    // One mount of share with login, a single logon on the server, in the background. When
    // the server takes it, the login is stored if remember (and the system keeps logins) and
    // the server's other shares are mounted with it at once. Ends in signInFinished.
    void signIn(const tarnwick::Server& server, const tarnwick::Share& share,
                const tarnwick::Credentials& login, bool remember);
    // For a server with no share to mount yet: one listing of its shares with login (a
    // single logon, no guest fallback) through lister (not null), in the background; stored
    // as signIn stores it when the listing succeeds. Ends in signInFinished for the key of
    // server and a null share id.
    void signInByListing(const tarnwick::Server& server, const tarnwick::Credentials& login,
                         bool remember, std::shared_ptr<const ShareLister> lister);
    // Reads which user is stored for host, in the background; ends in loginRead.
    void readLogin(const QString& host);
    // Removes the logins stored for host that the mounts would use, in the background;
    // ends in loginRead (with what is left).
    void forgetLogin(const QString& host);

Q_SIGNALS:
    // The derived name sets changed.
    void mountedVolumesChanged();
    void busySharesChanged();
    // A cycle was queued by mountAll / has ended (its mounts published). Main thread; one
    // finish per start unless the manager is destroyed first.
    void cycleStarted();
    void cycleFinished();
    // Once per change of the model; changed names the shares whose status changed.
    void shareStatusesChanged(const QList<tarnwick::ShareKey>& changed);
    // The sign-in of key ended: reason None when the server took the login (stored says
    // whether it was remembered), else why not. Main thread.
    void signInFinished(const tarnwick::ShareKey& key, tarnwick::ShareStatus::Reason reason,
                        bool stored);
    // The user stored for host (empty: none or unreadable). Main thread.
    void loginRead(const QString& host, const QString& user);

private:
    void startTimers(QSettings& settings);
    void startupPass();
    QList<Server> usableServers(bool enabledOnly);
    bool usableName(const QString& name);
    void runCycle(CycleFacts facts, const QList<Server>& all, quint64 epoch);
    void readTable(const QList<Server>& servers, quint64 epoch);
    void applyTable(const MountedShares& mounted, quint64 epoch);
    void detachAll(const QList<MountEntry>& mounts, const QSet<QString>& deadHosts,
                   const QHash<QString, bool>& probed);
    QList<PlannedMount> markBusy(const CyclePlan& plan, const QHash<QString, bool>& reachable,
                                 QList<PlannedWake>& wakes);
    QSet<QString> wokenLately() const;
    void wakeServer(const PlannedWake& wake);
    void endWake(const QString& host, bool answered);
    void endMount(const ShareKey& key, const QString& name, const MountOutcome& outcome);
    void endUnmount(const ShareKey& key, bool unmounted);
    void mountWith(const Server& server, const Share& share, const Credentials& login,
                   bool remember, bool signingIn);
    void publish();

    ShareStore& m_store;
    std::shared_ptr<const SystemProfile> m_profile;
    HelperAccess* m_helper;
    MountTiming m_timing;
    QTimer* m_timer = nullptr;
    QTimer* m_refreshTimer = nullptr;
    ShareBook m_book;
    ServerHealth m_health;
    LoginHolds m_holds;
    QSet<QString> m_mountedNames;
    QSet<QString> m_busyNames;
    // Raised by every change the book learns without a table read: a table read begun before
    // it is older than the book and is dropped (the next read catches up).
    quint64 m_epoch = 0;
    bool m_refreshing = false;     // a refresh's table read is on the pool
    bool m_refreshAgain = false;   // and another was asked for meanwhile
    QSet<QString> m_reportedNames; // unusable names already logged
    std::optional<QStringList> m_networks;
    // When each host key was last sent a wake-up, on m_clock: once per cycle interval at most.
    QElapsedTimer m_clock;
    QHash<QString, qint64> m_wokenAt;
    // Raised by the destructor: background work ends early, queued results are dropped.
    StopSignal m_stop;
    // Start-up pass, cycle tasks, table reads, single mounts and unmounts. Unbounded like the
    // system's global queues: a cycle blocks its thread while its mounts run.
    QThreadPool m_tasks;
};

} // namespace tarnwick
