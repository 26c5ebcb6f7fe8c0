#include "shell/headless_app.h"
#include "shell/tray_main.h"

int main(int argc, char* argv[])
{
    if (tarnwick::HeadlessApp::requested(argc, argv))
        return tarnwick::HeadlessApp::run(argc, argv);
    return tarnwick::TrayMain::run(argc, argv);
}
