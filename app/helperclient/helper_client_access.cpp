#include "helperclient/helper_client_access.h"

#include "helperclient/helper_client.h"

#include <QEventLoop>
#include <QThread>

#include <future>
#include <memory>

namespace tarnwick {

HelperClientAccess::HelperClientAccess(HelperClient& client)
    : m_client(&client)
{
}

bool HelperClientAccess::removeDirectory(const QString& path)
{
    if (QThread::currentThread() == m_client->thread()) {
        // The replies arrive through this thread's event loop, so wait in a nested one.
        QEventLoop loop;
        std::optional<bool> outcome;
        const auto finish = [&](bool removed) {
            outcome = removed;
            loop.quit();
        };
        m_client->proxy([&] { finish(false); }).removeDirectory(path, finish);
        if (!outcome)
            loop.exec();
        return *outcome;
    }
    auto outcome = std::make_shared<std::promise<bool>>();
    std::future<bool> removed = outcome->get_future();
    QMetaObject::invokeMethod(
        m_client,
        [client = m_client, path, outcome] {
            client->proxy([outcome] { outcome->set_value(false); })
                .removeDirectory(path, [outcome](bool ok) { outcome->set_value(ok); });
        },
        Qt::QueuedConnection);
    try {
        return removed.get();
    } catch (const std::future_error&) {
        return false; // the client went away before it could send: no helper, no removal
    }
}

} // namespace tarnwick
