#pragma once

#include "discovery/share_lister.h"

#include <QHash>
#include <QMutex>
#include <QStringList>
#include <QWaitCondition>

namespace tarnwick::test {

// A share lister with answers set by the test: records each host asked for and, while
// held, keeps listings waiting until release(). Thread-safe (listings run on the pool).
class FakeShareLister : public ShareLister {
public:
    ~FakeShareLister() override;

    QStringList listShares(const QString& host) const override;

    void setShares(const QString& host, const QStringList& names);
    QStringList calls() const;
    void hold();
    void release();

private:
    mutable QMutex m_mutex;
    mutable QWaitCondition m_released;
    QHash<QString, QStringList> m_shares;
    mutable QStringList m_calls;
    bool m_held = false;
};

} // namespace tarnwick::test
