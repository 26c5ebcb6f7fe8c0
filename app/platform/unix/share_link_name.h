#pragma once

#include <QString>

namespace tarnwick {

// The name of a share's link in the links folder: a single path component that is never
// "." or "..", never hidden, holds no "/" and no control character, and fits the file
// system's 255 bytes. Pure; any thread.
class ShareLinkName {
public:
    static constexpr int kMaxBytes = 255;

    // shareName made safe, followed by " (serverName)" when serverName is given; the share
    // part is shortened on a character boundary so that the whole fits. Empty when no
    // usable name is left (the share is then not linked).
    static QString of(const QString& shareName, const QString& serverName = {});
};

} // namespace tarnwick
