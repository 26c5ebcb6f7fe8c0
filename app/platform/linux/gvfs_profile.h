#pragma once

#include "mount/system_profile.h"

namespace tarnwick {

// Linux desktops: shares mounted by GVFS (`gio mount`), the mount table read from the GVFS
// mount tracker on the session bus, logins from the Secret Service; a host is reachable
// when it accepts a TCP connection on its SMB port or answers `ping`. A server in the realm
// of the user's Kerberos ticket with no stored login is mounted with the ticket (klist tells
// whether it is valid), and waits while it has expired. After a refused login,
// smbclient tells a wrong password from a share closed to a good login. GVFS keeps no per-share
// directories and never numbers a second mount; it lower-cases share names, so names compare
// case-folded here.
class GvfsProfile : public SystemProfile {
public:
    // gio, ping, smbclient and klist are looked up in PATH unless given. linksFolder is the
    // folder of the shares' links (empty: none), the one place the start-up cleanup looks at.
    explicit GvfsProfile(const QString& gioTool = QStringLiteral("gio"),
                         const QString& pingTool = QStringLiteral("ping"),
                         const QString& smbclientTool = QStringLiteral("smbclient"),
                         const QString& linksFolder = {},
                         const QString& klistTool = QStringLiteral("klist"));

    QString name() const override { return QStringLiteral("gvfs"); }
    // Every SMB share mount of the user's GVFS; mountPoint is its smb:// location.
    QList<MountEntry> readSmbMounts() const override;
    QString nameKey(const QString& name) const override;
    // The mount's server (with its port) and share are the configured ones; the user or
    // domain it was mounted with does not matter (the file manager may use another login).
    bool shows(const MountEntry& mount, const QString& host,
               const QString& shareName) const override;
    MountAttempt requestMount(const QString& host, const QString& share, const MountLogin& login,
                              const RunLimits& limits = {}) const override;
    QString mountToolName() const override { return QStringLiteral("gio"); }
    bool mountRequestWaits() const override { return true; }
    int unmount(const QString& mountPoint, const RunLimits& limits = {}) const override;
    // Ends the mount's own gvfsd-smb backend (the user's process, checked before the
    // signal): GVFS then drops the mount at once, where `gio mount -u -f` waits for the
    // server.
    int detach(const MountEntry& mount) const override;
    // Removes the links of shareNames in the links folder that a crash left pointing at a
    // gvfsd-fuse folder that no mount has now; nothing else there is touched.
    void cleanUpAtStart(const QStringList& shareNames, const StopSignal* stop) const override;
    // Lists the mount's gvfsd-fuse folder in an `ls` child (the first read after a remount
    // fails there); killed at the deadline.
    bool folderAnswers(const MountEntry& mount, const RunLimits& limits) const override;
    // Where gvfsd-fuse shows mounts: $XDG_RUNTIME_DIR/gvfs.
    static QString fuseRoot();
    QString localMountsRoot() const override { return fuseRoot(); }
    std::optional<Credentials> lookupKeychainCredentials(const QString& host) const override;
    std::optional<Credentials> storedLogin(const QString& server) const override;
    // Secret Service items in the form GVFS itself writes and reads.
    bool keepsLogins() const override { return true; }
    bool storeLogin(const QString& host, const Credentials& login) const override;
    bool forgetLogins(const QString& host) const override;
    // The stored login; without one, the user's Kerberos ticket when host is in the realm of
    // its cache and the ticket is valid. KeyringLocked when every Secret Service item of host
    // is locked; DomainTicketExpired when no login is stored and that ticket has expired.
    MountLogin mountLogin(const QString& host) const override;
    bool isHostReachable(const QString& host) const override;
    // The SMB port alone: a waking server may answer ping before it serves.
    bool servesSmb(const QString& host) const override;
    bool sendWakePacket(const QString& host, const QByteArray& mac) const override;
    // From the kernel's neighbour table (/proc/net/arp).
    QString neighbourAddress(const QString& host) const override;

private:
    QString m_gio;
    QString m_ping;
    QString m_smbclient;
    QString m_linksFolder;
    QString m_klist;
};

} // namespace tarnwick
