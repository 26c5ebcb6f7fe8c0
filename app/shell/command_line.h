#pragma once

#include "mount/mount_timing.h"

#include <QCommandLineParser>

#include <optional>

namespace tarnwick {

// What every mode of the tarnwick binary shares on its command line. Main thread.
class CommandLine {
public:
    // Names the application and gives parser the description, --help and --version.
    static void prepare(QCommandLineParser& parser);
    // The engine's timing scaled by --time-scale (an option of the engine modes); nullopt,
    // with the reason on standard error, when the factor is not a number above 0.
    static std::optional<MountTiming> timing(const QCommandLineParser& parser);

    // True when argv asks for --help or --version, which must work without a display.
    static bool helpRequested(int argc, char** argv);
    // Prints help or version covering every mode's options (each adder adds some) and
    // returns the exit status; needs no display.
    static int showHelp(int argc, char** argv,
                        std::initializer_list<void (*)(QCommandLineParser&)> optionAdders);
};

} // namespace tarnwick
