#include "helper_daemon.h"
#include "helper_log.h"
#include "helper_options.h"

#include <QCoreApplication>
#include <QDBusConnection>

using namespace tarnwick::helper;

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QString error;
    const auto options = HelperOptions::parse(QCoreApplication::arguments(), &error);
    if (!options) {
        HelperLog::error(error);
        return 2;
    }
    HelperDaemon daemon(QDBusConnection::systemBus(), options->volumesRoot, options->idleExit);
    if (!daemon.start())
        return 1;
    QObject::connect(&daemon, &HelperDaemon::finished, &app, &QCoreApplication::quit);
    return QCoreApplication::exec() == 0 ? 0 : 1;
}
