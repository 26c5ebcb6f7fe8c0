#include "directory_remover.h"

#include "helper_log.h"

#include <QFile>

#include <cerrno>
#include <unistd.h>

namespace tarnwick::helper {

DirectoryRemover::DirectoryRemover(RemovalRule rule)
    : m_rule(std::move(rule))
{
}

bool DirectoryRemover::removeDirectory(const QString& path) const
{
    // No valid path is this long (PATH_MAX), and a caller must not fill the journal.
    const qsizetype bytes = QFile::encodeName(path).size();
    if (bytes > kMaxPathBytes) {
        HelperLog::error(QStringLiteral("removeDirectory: invalid path of %1 bytes").arg(bytes));
        return false;
    }
    if (!m_rule.accepts(path)) {
        HelperLog::error(QStringLiteral("removeDirectory: invalid path ") + path);
        return false;
    }
    const QByteArray native = QFile::encodeName(path);
    const int status = ::rmdir(native.constData());
    const int error = errno;
    const QString outcome =
        status == 0 ? QStringLiteral("success") : QStringLiteral("failed (%1)").arg(error);
    HelperLog::info(QStringLiteral("removeDirectory ") + path + QStringLiteral(": ") + outcome);
    return status == 0;
}

} // namespace tarnwick::helper
