#include "platform/unix/gtk_bookmarks.h"

#include "mount/engine_log.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QUrl>

namespace tarnwick {

bool GtkBookmarks::add(const QString& folder)
{
    const QString dir = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                        QStringLiteral("/gtk-3.0");
    const QString path = dir + QStringLiteral("/bookmarks");
    const QByteArray uri = QUrl::fromLocalFile(folder).toEncoded();
    QByteArray lines;
    QFile existing(path);
    if (existing.open(QIODevice::ReadOnly)) {
        lines = existing.readAll();
        for (const QByteArray& line : lines.split('\n')) {
            if (line.split(' ').constFirst() == uri)
                return true;
        }
    } else if (existing.exists()) {
        log(QStringLiteral("[Links] cannot read ") + path);
        return false;
    }
    if (!lines.isEmpty() && !lines.endsWith('\n'))
        lines += '\n';
    // Written whole and renamed into place, so a file manager never reads half a file.
    QSaveFile file(path);
    if (!QDir().mkpath(dir) || !file.open(QIODevice::WriteOnly) ||
        file.write(lines + uri + ' ' + QDir(folder).dirName().toUtf8() + '\n') < 0 ||
        !file.commit()) {
        log(QStringLiteral("[Links] cannot write ") + path);
        return false;
    }
    return true;
}

} // namespace tarnwick
