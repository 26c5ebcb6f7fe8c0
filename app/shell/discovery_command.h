#pragma once

class QCommandLineParser;

namespace tarnwick {

// The diagnosis modes of the command line, without a display:
//   --discover [SECONDS]  prints each SMB server found on the local network as it resolves
//                         ("name<TAB>host<TAB>port"), then exits after SECONDS (default 5);
//   --list-shares HOST    prints HOST's disk shares one per line and exits 0, also when
//                         there are none.
// Main thread, before any QCoreApplication exists.
class DiscoveryCommand {
public:
    // True when argv asks for one of these modes.
    static bool requested(int argc, char** argv);
    // Adds the modes' options, so the application's --help shows them.
    static void addOptions(QCommandLineParser& parser);
    // Runs the requested mode; the process's exit status.
    static int run(int argc, char** argv);
};

} // namespace tarnwick
