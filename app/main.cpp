#include "platform/profile_factory.h"
#include "shell/command_line.h"
#include "shell/discovery_command.h"
#include "shell/headless_app.h"
#include "shell/sign_in_command.h"
#include "shell/tray_main.h"

int main(int argc, char* argv[])
{
    using namespace tarnwick;
    ProfileFactory::limitAllocatorArenas();
    // Help first: the tray needs a display, help and version must not.
    if (CommandLine::helpRequested(argc, argv))
        return CommandLine::showHelp(
            argc, argv,
            {&HeadlessApp::addOptions, &DiscoveryCommand::addOptions, &SignInCommand::addOptions});
    if (SignInCommand::requested(argc, argv))
        return SignInCommand::run(argc, argv);
    if (DiscoveryCommand::requested(argc, argv))
        return DiscoveryCommand::run(argc, argv);
    if (HeadlessApp::requested(argc, argv))
        return HeadlessApp::run(argc, argv);
    return TrayMain::run(argc, argv);
}
