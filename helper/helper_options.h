#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <optional>

namespace tarnwick::helper {

// The helper's command line, set only by the root-owned activation file (tests point it at
// their own): "--volumes-root DIR" moves the directory whose direct children may be removed,
// "--idle-exit MS" how long the helper waits without clients before it exits. Nothing is
// read from the environment.
struct HelperOptions {
    QString volumesRoot;
    std::chrono::milliseconds idleExit{60000};

    // arguments as QCoreApplication::arguments() gives them (program name first).
    // nullopt with *error set when the line is not understood, DIR is not an absolute,
    // clean path other than "/", or MS is not a positive number.
    static std::optional<HelperOptions> parse(const QStringList& arguments, QString* error);
};

} // namespace tarnwick::helper
