#pragma once

#include <QString>

namespace tarnwick {

// A login found in the user's secret store. Never logged as a whole: the password stays out
// of every log line and every argument list.
struct Credentials {
    QString user;
    QString password;
    QString domain; // SMB workgroup/domain when the store has one; may be empty
};

} // namespace tarnwick
