#pragma once

class QCommandLineParser;

namespace tarnwick {

// "--sign-in [DOMAIN;]USER@HOST" for a machine without a tray: reads the password without
// echo from the terminal, or one line of standard input when that is no terminal, tries it
// once against HOST (a mount of its first configured share, or a listing of its shares when
// none is configured; one logon on the server), and
// stores it where the file manager finds it when the server took it. Prints what happened;
// exits 0 when signed in. The password is never taken from argv or the environment.
// Main thread, before any QCoreApplication exists.
class SignInCommand {
public:
    // True when argv asks for --sign-in.
    static bool requested(int argc, char** argv);
    // Adds the option, so the application's --help shows it.
    static void addOptions(QCommandLineParser& parser);
    // Runs it; the process's exit status.
    static int run(int argc, char** argv);
};

} // namespace tarnwick
