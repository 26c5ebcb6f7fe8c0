#include "shell/discovery_command.h"
#include "shell/headless_app.h"
#include "shell/tray_main.h"

int main(int argc, char* argv[])
{
    if (tarnwick::DiscoveryCommand::requested(argc, argv))
        return tarnwick::DiscoveryCommand::run(argc, argv);
    if (tarnwick::HeadlessApp::requested(argc, argv))
        return tarnwick::HeadlessApp::run(argc, argv);
    return tarnwick::TrayMain::run(argc, argv);
}
