#pragma once

#include <QString>

namespace tarnwick {

// Share names that can stand as a path component and in a log line. Pure; any thread.
class ShareName {
public:
    // False for "", ".", "..", and names with "/" or a control character: such a name would
    // leave the volumes root or forge log lines.
    static bool isUsable(const QString& name);
    // The name with backslashes, quotes and control characters escaped ("\x0a"), quoted.
    static QString escaped(const QString& name);
};

} // namespace tarnwick
