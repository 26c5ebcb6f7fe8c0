#include "platform/unix/share_links.h"

#include "mount/engine_log.h"
#include "platform/unix/gtk_bookmarks.h"
#include "platform/unix/share_link_name.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tarnwick {

namespace {

// The target of the symbolic link at path; empty when path is none (or unreadable).
QString linkTarget(const QString& path)
{
    const QByteArray local = QFile::encodeName(path);
    struct stat info {};
    if (::lstat(local.constData(), &info) != 0 || !S_ISLNK(info.st_mode))
        return {};
    char buffer[PATH_MAX];
    const ssize_t size = ::readlink(local.constData(), buffer, sizeof buffer);
    return size > 0 ? QFile::decodeName(QByteArray(buffer, int(size))) : QString();
}

bool isLinkTo(const QString& path, const QString& target)
{
    return !target.isEmpty() && linkTarget(path) == target;
}

} // namespace

ShareLinks::ShareLinks(const QString& folder)
    : m_folder(folder)
{
}

void ShareLinks::update(const QList<LinkedShare>& mounted)
{
    if (m_folder.isEmpty())
        return;
    QHash<ShareKey, QString> wanted;
    for (const LinkedShare& share : mounted)
        wanted.insert(share.key, share.target);
    for (auto it = m_links.begin(); it != m_links.end();) {
        if (wanted.value(it.key()) != it->target) {
            remove(*it);
            it = m_links.erase(it);
        } else {
            ++it;
        }
    }
    QSet<QString> taken;
    for (const Link& link : std::as_const(m_links))
        taken.insert(link.name);
    for (const LinkedShare& share : mounted) {
        if (!m_links.contains(share.key) && place(share, taken))
            taken.insert(m_links.value(share.key).name);
    }
}

bool ShareLinks::place(const LinkedShare& share, const QSet<QString>& taken)
{
    if (!m_folderMade) {
        const bool isNew = !QFileInfo::exists(m_folder);
        m_folderMade = QDir().mkpath(m_folder);
        // A folder Tarnwick brings into the home gets a place in the file managers' sidebar,
        // once: a user who removes the bookmark later keeps it removed.
        if (m_folderMade && isNew)
            GtkBookmarks::add(m_folder);
        if (!m_folderMade) {
            log(QStringLiteral("[Links] cannot create ") + m_folder);
            return false;
        }
    }
    for (const QString& name :
         {ShareLinkName::of(share.share), ShareLinkName::of(share.share, share.server)}) {
        if (name.isEmpty() || taken.contains(name))
            continue;
        const QString path = m_folder + u'/' + name;
        // symlink() never replaces anything: a file, folder or foreign link of that name stays.
        // A link to this very folder is one an earlier run left for a mount that stayed.
        if (::symlink(QFile::encodeName(share.target).constData(),
                      QFile::encodeName(path).constData()) == 0 ||
            (errno == EEXIST && isLinkTo(path, share.target))) {
            m_links.insert(share.key, Link{name, share.target});
            return true;
        }
    }
    log(u'[' + share.share + QStringLiteral("] no link: its names are taken or unusable"));
    return false;
}

void ShareLinks::remove(const Link& link)
{
    const QString path = m_folder + u'/' + link.name;
    if (isLinkTo(path, link.target))
        ::unlink(QFile::encodeName(path).constData());
}

QString ShareLinks::linkOf(const ShareKey& key) const
{
    const auto link = m_links.constFind(key);
    return link == m_links.cend() ? QString() : m_folder + u'/' + link->name;
}

void ShareLinks::removeDangling(const QString& folder, const QStringList& shareNames,
                                const QString& mountsRoot, const QSet<QString>& liveTargets)
{
    if (folder.isEmpty() || mountsRoot.isEmpty())
        return;
    QStringList prefixes;
    for (const QString& share : shareNames) {
        if (const QString name = ShareLinkName::of(share); !name.isEmpty())
            prefixes.append(name);
    }
    // readdir, not QDir: a filtered listing may stat a link's target, which could be a frozen
    // server's folder.
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return;
    while (const dirent* item = ::readdir(dir)) {
        const QString entry = QFile::decodeName(item->d_name);
        const bool ours = std::any_of(prefixes.cbegin(), prefixes.cend(), [&](const QString& p) {
            return entry == p ||
                   (entry.startsWith(p + QStringLiteral(" (")) && entry.endsWith(u')'));
        });
        const QString path = folder + u'/' + entry;
        const QString target = ours ? linkTarget(path) : QString();
        if (target.startsWith(mountsRoot + u'/') && !liveTargets.contains(target) &&
            ::unlink(QFile::encodeName(path).constData()) == 0)
            log(QStringLiteral("[Links] removed the stale link ") + path);
    }
    ::closedir(dir);
}

} // namespace tarnwick
