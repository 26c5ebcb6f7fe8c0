#include "shell/tray_main.h"

#include "helperclient/helper_client.h"
#include "helperclient/helper_client_access.h"
#include "model/app_settings.h"
#include "mount/smb_volume_unmount.h"
#include "platform/profile_factory.h"
#include "settings/login_item.h"
#include "settings/settings_window.h"
#include "settings/sign_in_dialog.h"
#include "shell/command_line.h"
#include "shell/headless_app.h"
#include "shell/single_instance.h"
#include "shell/translations.h"
#include "shell/tray_application.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>

namespace tarnwick {

int TrayMain::run(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fprintf(stderr, "tarnwick: no graphical session (neither DISPLAY nor WAYLAND_DISPLAY "
                             "is set); use --headless to keep shares mounted without a tray\n");
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setDesktopFileName(QStringLiteral("tarnwick"));
    QCommandLineParser parser;
    CommandLine::prepare(parser);
    HeadlessApp::addOptions(parser);
    parser.process(app);

    const auto timing = CommandLine::timing(parser);
    if (!timing)
        return 2;
    const QString settingsPath = parser.value(QStringLiteral("settings"));
    LoginItem::setSettingsFile(settingsPath); // "Launch at login" starts the same file

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
                                  ShareStore& store, QSettings& settings,
                                  MountManager* manager) -> QWidget* {
        return new SettingsWindow(store, settings, lister, manager);
    };
    services.signInDialog = [](MountManager& manager, const Server& server,
                               const Share& share) -> QWidget* {
        return new SignInDialog(manager, server, share);
    };
    services.timing = *timing;
    services.releaseMemory = &ProfileFactory::releaseFreeMemory;
    services.systemEvents = [toolRoot] { return ProfileFactory::createSystemEvents(toolRoot); };

    auto settings = AppSettings::open(settingsPath);
    const QString linksFolder = AppSettings::sharesFolder(*settings);
    TrayApplication tray(std::move(settings), ProfileFactory::create(toolRoot, linksFolder),
                         std::move(services));
    QObject::connect(&instance, &SingleInstance::activationRequested, &tray,
                     &TrayApplication::activateFromLaunch);

    tray.start();
    return QApplication::exec();
}

} // namespace tarnwick
