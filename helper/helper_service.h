#pragma once

#include "directory_remover.h"

#include <QDBusContext>
#include <QObject>

namespace tarnwick::helper {

class ClientTracker;

// The object behind the helper's D-Bus interface (the generated adaptor forwards to these
// slots). Each call is served completely before it returns, and so before the reply is
// sent. No state of its own. Main thread.
class HelperService : public QObject, protected QDBusContext {
    Q_OBJECT
public:
    // tracker: may be null (no connection lines); must outlive this object.
    HelperService(DirectoryRemover remover, ClientTracker* tracker, QObject* parent = nullptr);

public Q_SLOTS:
    bool RemoveDirectory(const QString& path);
    QString GetVersion();

private:
    void noteCaller();

    DirectoryRemover m_remover;
    ClientTracker* m_tracker;
};

} // namespace tarnwick::helper
