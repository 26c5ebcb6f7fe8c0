#pragma once

#include <QString>

namespace tarnwick {

// The mount interval as the user reads it. Pure; any thread.
class IntervalText {
public:
    // pattern with its first integer conversion ("%d", "%i", "%ld", "%lld", or Qt's "%1")
    // replaced by seconds truncated toward zero, and "%%" by "%". A value that is not
    // finite or lies beyond a 64-bit integer shows as an EN DASH. Never crashes on a
    // pattern with other conversions: those stay as written.
    static QString format(const QString& pattern, double seconds);
};

} // namespace tarnwick
