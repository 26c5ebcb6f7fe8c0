#pragma once

class QCommandLineParser;

namespace tarnwick {

// Runs the store and the mount manager without a tray: log lines on standard output,
// SIGINT/SIGTERM quit (unmounting every SMB volume unless "keepMountedOnQuit").
class HeadlessApp {
public:
    // True when the command line asks for the headless mode ("--headless").
    static bool requested(int argc, char** argv);
    // Adds the headless options (--headless, --settings, --tool-root, --time-scale).
    static void addOptions(QCommandLineParser& parser);
    // Creates the core application, runs until a quit signal; returns the exit code.
    static int run(int argc, char** argv);
};

} // namespace tarnwick
