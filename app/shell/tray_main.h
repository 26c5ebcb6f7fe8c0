#pragma once

namespace tarnwick {

// The tray application's process: options, translations, single instance, the wiring of
// the real services, the event loop. Same options as the headless mode.
class TrayMain {
public:
    // Runs until quit; returns the exit code (0 also when a running instance took over).
    static int run(int argc, char** argv);
};

} // namespace tarnwick
