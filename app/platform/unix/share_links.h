#pragma once

#include "model/share_key.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

namespace tarnwick {

// One mounted share as its link shows it: the folder that shows the mount (a local path).
struct LinkedShare {
    ShareKey key;
    QString share;  // the share's configured name
    QString server; // its server's name, for a second share of the same name
    QString target; // the mount's local folder
};

// The links folder: one symbolic link per mounted share, "<share>" or, when that name is
// taken, "<share> (<server>)". Touches only links it made itself; never follows a link
// (lstat and readlink only), so a frozen server's folder never blocks it. Main thread; logs
// what it cannot do.
class ShareLinks {
public:
    // folder is absolute; empty: no links at all.
    explicit ShareLinks(const QString& folder);

    // Makes the links match mounted: a share's link comes when it is listed, goes when it is
    // not, and is made again when its folder moved. Creates the folder when first needed.
    void update(const QList<LinkedShare>& mounted);
    // The path of key's link; empty when it has none.
    QString linkOf(const ShareKey& key) const;
    QString folder() const { return m_folder; }

    // Removes the links in folder of the shares named shareNames (either form) that point
    // into mountsRoot but at none of liveTargets: those a crash left behind. Nothing else is
    // touched. Any thread; blocks only on the local folder.
    static void removeDangling(const QString& folder, const QStringList& shareNames,
                               const QString& mountsRoot, const QSet<QString>& liveTargets);

private:
    struct Link {
        QString name;
        QString target;
    };
    bool place(const LinkedShare& share, const QSet<QString>& taken);
    void remove(const Link& link);

    QString m_folder;
    bool m_folderMade = false;
    QHash<ShareKey, Link> m_links;
};

} // namespace tarnwick
