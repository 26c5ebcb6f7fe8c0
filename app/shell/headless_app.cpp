#include "shell/headless_app.h"

#include "helperclient/helper_client.h"
#include "helperclient/helper_client_access.h"
#include "model/app_settings.h"
#include "model/share_store.h"
#include "mount/smb_volume_unmount.h"
#include "mount/system_events.h"
#include "platform/profile_factory.h"
#include "shell/command_line.h"
#include "shell/engine_host.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstring>

namespace tarnwick {

namespace {

const QString kHeadless = QStringLiteral("headless");
const QString kSettings = QStringLiteral("settings");
const QString kToolRoot = QStringLiteral("tool-root");
const QString kTimeScale = QStringLiteral("time-scale");

} // namespace

bool HeadlessApp::requested(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--headless") == 0)
            return true;
    }
    return false;
}

void HeadlessApp::addOptions(QCommandLineParser& parser)
{
    parser.addOption(QCommandLineOption(
        kHeadless, QStringLiteral("Run the mount engine without a tray icon; log lines go to "
                                  "standard output. SIGINT, SIGTERM, SIGHUP or the system's "
                                  "power-off quit it, unmounting every SMB volume unless "
                                  "keepMountedOnQuit is set.")));
    parser.addOption(
        QCommandLineOption(kSettings,
                           QStringLiteral("Use the settings file <file> (INI) instead of "
                                          "~/.config/tarnwick/tarnwick.conf."),
                           QStringLiteral("file")));
    parser.addOption(QCommandLineOption(
        kToolRoot,
        QStringLiteral("Drive the macOS tools under <dir> (<dir>/sbin/mount, "
                       "<dir>/usr/bin/osascript, ...) with <dir>/Volumes as the volumes root."),
        QStringLiteral("dir")));
    parser.addOption(QCommandLineOption(
        kTimeScale,
        QStringLiteral("Multiply every engine delay (start-up 10 s, first cycle 2 s, refresh "
                       "5 s, mount poll, cycle interval) by <factor>, for checks and tests."),
        QStringLiteral("factor"), QStringLiteral("1")));
}

int HeadlessApp::run(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    CommandLine::prepare(parser);
    addOptions(parser);
    parser.process(app);

    const auto timing = CommandLine::timing(parser);
    if (!timing)
        return 2;

    const auto settings = AppSettings::open(parser.value(kSettings));
    ShareStore store(*settings);
    const QString toolRoot = parser.value(kToolRoot);
    // The helper is asked only for a leftover mount point; without one installed the
    // answer is "not removed" and the mount goes ahead.
    HelperClientAccess helperAccess(HelperClient::shared());
    EngineServices services;
    services.helper = &helperAccess;
    services.timing = *timing;
    services.systemEvents = [toolRoot] { return ProfileFactory::createSystemEvents(toolRoot); };
    services.unmountAllVolumes = [](const SystemProfile& profile) {
        unmountAllSmbVolumes(profile);
    };
    EngineHost host(*settings, store,
                    ProfileFactory::create(toolRoot, AppSettings::sharesFolder(*settings)),
                    std::move(services));
    host.start();
    return QCoreApplication::exec();
}

} // namespace tarnwick
