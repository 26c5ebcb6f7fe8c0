#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace tarnwick::helper {

// The helper's command line. Its one option, "--volumes-root DIR", moves the directory whose
// direct children may be removed; only the root-owned activation file sets it (tests point it
// at a temporary directory). Nothing is read from the environment.
struct HelperOptions {
    QString volumesRoot;

    // arguments as QCoreApplication::arguments() gives them (program name first).
    // nullopt with *error set when the line is not understood or DIR is not an absolute,
    // clean path other than "/".
    static std::optional<HelperOptions> parse(const QStringList& arguments, QString* error);
};

} // namespace tarnwick::helper
