#include "helper_service.h"

#include "client_tracker.h"
#include "helper_names.h"

#include <QDBusMessage>

namespace tarnwick::helper {

HelperService::HelperService(DirectoryRemover remover, ClientTracker* tracker, QObject* parent)
    : QObject(parent)
    , m_remover(std::move(remover))
    , m_tracker(tracker)
{
}

bool HelperService::RemoveDirectory(const QString& path)
{
    noteCaller();
    return m_remover.removeDirectory(path);
}

QString HelperService::GetVersion()
{
    noteCaller();
    return kVersion.toString();
}

void HelperService::noteCaller()
{
    if (m_tracker && calledFromDBus())
        m_tracker->noteRequest(message().service());
}

} // namespace tarnwick::helper
