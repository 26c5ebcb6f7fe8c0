#pragma once

#include "mount/credentials.h"

#include <QString>

#include <optional>

namespace tarnwick {

// Reads the account and password out of `security find-internet-password -g` output.
// Pure; any thread.
class KeychainOutput {
public:
    // text is standard output followed directly by standard error. nullopt when the
    // account or the password is missing or empty.
    static std::optional<Credentials> parse(const QString& text);
};

} // namespace tarnwick
