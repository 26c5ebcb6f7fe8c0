#include "shell/headless_app.h"

#include "helperclient/helper_client.h"
#include "helperclient/helper_client_access.h"
#include "model/app_settings.h"
#include "model/share_store.h"
#include "mount/mount_manager.h"
#include "mount/share_status_log.h"
#include "mount/smb_volume_unmount.h"
#include "mount/system_event_wiring.h"
#include "platform/profile_factory.h"
#include "platform/unix/unix_signal_watcher.h"
#include "shell/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <csignal>
#include <cstdio>
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
                                  "standard output. SIGINT or SIGTERM quit it, unmounting every "
                                  "SMB volume unless keepMountedOnQuit is set.")));
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
    const auto profile = ProfileFactory::create(parser.value(kToolRoot));
    // The helper is asked only for a leftover mount point; without one installed the
    // answer is "not removed" and the mount goes ahead.
    HelperClientAccess helperAccess(HelperClient::shared());
    auto manager =
        std::make_unique<MountManager>(store, profile, *settings, &helperAccess, *timing);
    const auto events = ProfileFactory::createSystemEvents(parser.value(kToolRoot));
    wireSystemEvents(*manager, *events);
    new ShareStatusLog(*manager); // owned by the manager

    UnixSignalWatcher signalWatcher({SIGINT, SIGTERM});
    QObject::connect(&signalWatcher, &UnixSignalWatcher::received, &app, &QCoreApplication::quit);
    const int code = QCoreApplication::exec();

    // Stop the engine first, so no mount of ours lands after the quit-time unmount.
    manager.reset();
    if (!AppSettings::keepMountedOnQuit(*settings))
        unmountAllSmbVolumes(*profile);
    return code;
}

} // namespace tarnwick
