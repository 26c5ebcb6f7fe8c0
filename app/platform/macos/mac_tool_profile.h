#pragma once

#include "mount/system_profile.h"

namespace tarnwick {

// The macOS tools: mount, umount, rmdir, ping, security, osascript, smbutil. Every path is
// taken under a root ("" for the real system), so tests can run it against fake tools.
class MacToolProfile : public SystemProfile {
public:
    // root is prepended to every tool path and to "/Volumes".
    explicit MacToolProfile(const QString& root = QString());

    QString name() const override { return QStringLiteral("macos"); }
    QList<MountEntry> readSmbMounts() const override;
    // By share alone: a mount point is "/Volumes/" + the share's name, whatever the server.
    bool shows(const MountEntry& mount, const QString& host,
               const QString& shareName) const override;
    MountAttempt requestMount(const QString& host, const QString& share, const MountLogin& login,
                              const RunLimits& limits = {}) const override;
    QString mountToolName() const override { return QStringLiteral("osascript"); }
    bool mountRequestWaits() const override { return false; }
    int unmount(const QString& mountPoint, const RunLimits& limits = {}) const override;
    // umount -f: the system drops the mount without waiting for the server.
    int detach(const MountEntry& mount) const override;
    // "/Volumes/" + shareName: the unmount tool is tried on the share's directory.
    QString fallbackMountPoint(const QString& shareName) const override;
    // Removes a leftover "/Volumes/" + shareName through the helper (root may own it).
    void prepareMount(const QString& shareName, HelperAccess* helper) const override;
    // Unmounts numbered duplicates, removes empty directories of configured shares.
    void cleanUpAtStart(const QStringList& shareNames, const StopSignal* stop) const override;
    // The directory holding the mount points.
    QString volumesRoot() const;
    // Removes an empty directory with the user's rights; returns the exit status.
    int removeEmptyDirectory(const QString& path) const;
    std::optional<Credentials> lookupKeychainCredentials(const QString& host) const override;
    std::optional<Credentials> storedLogin(const QString& server) const override;
    bool isHostReachable(const QString& host) const override;

    // Tool paths, for the share listing and for tests.
    QString mountTool() const { return m_root + QStringLiteral("/sbin/mount"); }
    QString umountTool() const { return m_root + QStringLiteral("/sbin/umount"); }
    QString rmdirTool() const { return m_root + QStringLiteral("/bin/rmdir"); }
    QString pingTool() const { return m_root + QStringLiteral("/sbin/ping"); }
    QString securityTool() const { return m_root + QStringLiteral("/usr/bin/security"); }
    QString osascriptTool() const { return m_root + QStringLiteral("/usr/bin/osascript"); }
    QString smbutilTool() const { return m_root + QStringLiteral("/usr/bin/smbutil"); }

    // "smb://" + [user':password'@] + host + "/" + share, user and password percent-encoded.
    static QString mountUrl(const QString& host, const QString& share,
                            const std::optional<Credentials>& credentials);
    // The "mount volume" AppleScript for url, with the string literal escaped.
    static QString mountVolumeScript(const QString& url);

private:
    QString m_root;
};

} // namespace tarnwick
