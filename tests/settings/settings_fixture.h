#pragma once

#include "discovery/share_lister.h"
#include "model/app_settings.h"
#include "model/share_store.h"

#include <QMutex>
#include <QTemporaryDir>
#include <QWaitCondition>

#include <memory>

namespace tarnwick::test {

// A share lister answering from shares (set before any listing starts), or asking the real
// one behind it; records each host asked for and, while held, keeps listings waiting.
class FakeShareLister : public ShareLister {
public:
    explicit FakeShareLister(std::shared_ptr<const ShareLister> real = nullptr)
        : m_real(std::move(real))
    {
    }
    ~FakeShareLister() override { hold(false); }

    QStringList listShares(const QString& host) const override
    {
        QMutexLocker lock(&m_mutex);
        m_calls.append(host);
        while (m_held)
            m_released.wait(&m_mutex);
        lock.unlock();
        return m_real ? m_real->listShares(host) : shares.value(host);
    }
    QStringList calls() const
    {
        QMutexLocker lock(&m_mutex);
        return m_calls;
    }
    void hold(bool held)
    {
        QMutexLocker lock(&m_mutex);
        m_held = held;
        m_released.wakeAll();
    }

    QHash<QString, QStringList> shares;

private:
    std::shared_ptr<const ShareLister> m_real;
    mutable QMutex m_mutex;
    mutable QWaitCondition m_released;
    mutable QStringList m_calls;
    bool m_held = false;
};

// A store over a fresh settings file, and a fake share lister.
struct SettingsFixture {
    QTemporaryDir dir;
    std::unique_ptr<QSettings> settings = AppSettings::open(dir.filePath(u"t.conf"_qs));
    ShareStore store{*settings};
    std::shared_ptr<FakeShareLister> lister = std::make_shared<FakeShareLister>();

    Server add(const QString& name, const QString& host, const QStringList& shares = {})
    {
        Server server = Server::create(name, host);
        for (const QString& share : shares)
            server.shares.append(Share::create(share));
        store.addServer(server);
        return server;
    }
    Server stored(const QUuid& id) const
    {
        const QList<Server>& all = store.servers();
        auto found =
            std::find_if(all.begin(), all.end(), [&](const Server& s) { return s.id == id; });
        return found == all.end() ? Server() : *found;
    }
};

} // namespace tarnwick::test
