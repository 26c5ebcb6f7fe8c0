#include "fake_share_lister.h"

#include <QMutexLocker>

namespace tarnwick::test {

FakeShareLister::~FakeShareLister()
{
    release();
}

QStringList FakeShareLister::listShares(const QString& host) const
{
    QMutexLocker lock(&m_mutex);
    m_calls.append(host);
    while (m_held)
        m_released.wait(&m_mutex);
    return m_shares.value(host);
}

void FakeShareLister::setShares(const QString& host, const QStringList& names)
{
    QMutexLocker lock(&m_mutex);
    m_shares.insert(host, names);
}

QStringList FakeShareLister::calls() const
{
    QMutexLocker lock(&m_mutex);
    return m_calls;
}

void FakeShareLister::hold()
{
    QMutexLocker lock(&m_mutex);
    m_held = true;
}

void FakeShareLister::release()
{
    QMutexLocker lock(&m_mutex);
    m_held = false;
    m_released.wakeAll();
}

} // namespace tarnwick::test
