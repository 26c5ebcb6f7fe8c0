#pragma once

#include "mount/system_events.h"
#include "mount/system_profile.h"

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace tarnwick {

class DiscoveryBackend;
class ShareLister;

// The one place that picks the system profile. Main thread, at start-up.
class ProfileFactory {
public:
    // With a tool root: the macOS tool profile under that root (fake tools, diagnosis).
    // Without: the platform's own profile, whose start-up cleanup looks after linksFolder (the
    // shares' links; empty: none).
    static std::shared_ptr<const SystemProfile> create(const QString& toolRoot = QString(),
                                                       const QString& linksFolder = QString());
    // The share listing that goes with it. With a tool root: smbutil under that root, with
    // the logins its security tool finds. Without: the platform's own (smbutil and the
    // keychain on macOS; smbclient and the Secret Service elsewhere).
    static std::shared_ptr<const ShareLister>
    createShareLister(const QString& toolRoot = QString());
    // The system events that go with the profile: wake-ups and network changes from
    // systemBus, and without a tool root the mount table's changes too. Never null.
    static std::unique_ptr<SystemEvents>
    createSystemEvents(const QString& toolRoot = QString(),
                       const QDBusConnection& systemBus = QDBusConnection::systemBus());
    // The DNS-SD backend of the browsers: avahi-daemon over D-Bus on Linux, dns_sd.h on
    // macOS.
    static std::shared_ptr<DiscoveryBackend> createDiscoveryBackend();
    // The networks the system knows, for choosing where a server lives: NetworkManager's
    // connections on Linux (asynchronous, bounded), none elsewhere. done runs once on
    // context's thread unless context is destroyed first.
    static void readKnownNetworks(QObject* context, std::function<void(const QStringList&)> done);
    // The hardware address the neighbour table holds for host ("AA:BB:CC:DD:EE:FF"; empty
    // when none, or elsewhere than Linux), read in the background: done runs once on
    // context's thread unless context is destroyed first. Sends nothing to host.
    static void readNeighbourAddress(QObject* context, const QString& host,
                                     std::function<void(const QString&)> done);
    // Keeps the allocator to a couple of arenas, so that short-lived worker threads leave no
    // memory of their own behind. Call first thing in main, before any thread starts.
    static void limitAllocatorArenas();
    // Returns the heap's free pages to the system (after a window closed): glibc keeps them
    // otherwise, and a tray program lives for the whole session. No-op elsewhere; any thread.
    static void releaseFreeMemory();
};

} // namespace tarnwick
