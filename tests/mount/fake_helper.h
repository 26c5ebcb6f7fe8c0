#pragma once

#include "mount/helper_access.h"

#include <QDir>
#include <QStringList>

#include <mutex>

namespace tarnwick::test {

// Stands in for the privileged helper: records every request and, when told to succeed,
// removes the directory like the daemon would. Thread-safe.
class FakeHelper : public HelperAccess {
public:
    explicit FakeHelper(bool succeed = true)
        : m_succeed(succeed)
    {
    }
    bool removeDirectory(const QString& path) override
    {
        std::lock_guard lock(m_mutex);
        m_requests.append(path);
        return m_succeed && QDir().rmdir(path);
    }
    QStringList requests() const
    {
        std::lock_guard lock(m_mutex);
        return m_requests;
    }

private:
    const bool m_succeed;
    mutable std::mutex m_mutex;
    QStringList m_requests;
};

} // namespace tarnwick::test
