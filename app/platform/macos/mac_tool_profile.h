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
    bool mountsNumberedDuplicates() const override { return true; }
    MountAttempt requestMount(const QString& host, const QString& share,
                              const std::optional<Credentials>& credentials,
                              const RunLimits& limits = {}) const override;
    QString mountToolName() const override { return QStringLiteral("osascript"); }
    bool mountRequestWaits() const override { return false; }
    int unmount(const QString& mountPoint, const RunLimits& limits = {}) const override;
    // umount -f: the system drops the mount without waiting for the server.
    int detach(const MountEntry& mount) const override;
    QString volumesRoot() const override;
    int removeEmptyDirectory(const QString& path) const override;
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
