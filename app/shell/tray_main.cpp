#include "shell/tray_main.h"

#include "helperclient/helper_client.h"
#include "helperclient/helper_client_access.h"
#include "model/app_settings.h"
#include "mount/smb_volume_unmount.h"
#include "platform/profile_factory.h"
#include "platform/unix/unix_signal_watcher.h"
#include "settings/settings_window.h"
#include "shell/headless_app.h"
#include "shell/single_instance.h"
#include "shell/translations.h"
#include "shell/tray_application.h"

#include <QApplication>
#include <QCommandLineParser>

#include <csignal>
#include <cstdio>

namespace tarnwick {

namespace {

std::chrono::milliseconds scaled(std::chrono::milliseconds value, double factor)
{
    return std::chrono::milliseconds(qRound64(double(value.count()) * factor));
}

MountTiming scaledTiming(double factor)
{
    MountTiming timing;
    for (auto* delay : {&timing.startupDelay, &timing.firstCycleDelay, &timing.defaultInterval,
                        &timing.intervalUnit, &timing.refreshPeriod})
        *delay = scaled(*delay, factor);
    for (auto& wait : timing.pollSchedule)
        wait = scaled(wait, factor);
    return timing;
}

} // namespace

int TrayMain::run(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tarnwick"));
    QApplication::setApplicationVersion(QStringLiteral(TARNWICK_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("tarnwick"));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Keeps your SMB shares mounted."));
    parser.addHelpOption();
    parser.addVersionOption();
    HeadlessApp::addOptions(parser);
    parser.process(app);

    bool scaleOk = false;
    const double factor = parser.value(QStringLiteral("time-scale")).toDouble(&scaleOk);
    if (!scaleOk || !(factor > 0)) {
        std::fprintf(stderr, "tarnwick: --time-scale needs a number above 0\n");
        return 2;
    }
    const QString settingsPath = parser.value(QStringLiteral("settings"));

    SingleInstance instance(SingleInstance::keyFor(settingsPath));
    if (instance.handOverOrListen())
        return 0;

    Translations::install(app);

    // The helper is reached over the system bus and started there on demand.
    HelperClientAccess helperAccess(HelperClient::shared());
    TrayServices services;
    services.registerDaemon = [] { HelperClient::shared().registerDaemon(); };
    services.helper = &helperAccess;
    services.unmountAllVolumes = [](const SystemProfile& profile) {
        unmountAllSmbVolumes(profile);
    };
    const QString toolRoot = parser.value(QStringLiteral("tool-root"));
    // The settings window class is chosen here. It deletes itself when closed, so the next
    // request builds a fresh one.
    services.settingsWindow = [lister = ProfileFactory::createShareLister(toolRoot)](
                                  ShareStore& store, QSettings& settings) -> QWidget* {
        return new SettingsWindow(store, settings, lister);
    };
    services.timing = scaledTiming(factor);

    TrayApplication tray(AppSettings::open(settingsPath), ProfileFactory::create(toolRoot),
                         std::move(services));
    QObject::connect(&instance, &SingleInstance::activationRequested, &tray,
                     &TrayApplication::showPopover);

    UnixSignalWatcher signalWatcher({SIGINT, SIGTERM, SIGHUP});
    QObject::connect(&signalWatcher, &UnixSignalWatcher::received, &app, &QCoreApplication::quit);

    tray.start();
    return QApplication::exec();
}

} // namespace tarnwick
