#include "platform/linux/avahi_request.h"

#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <arpa/inet.h>
#include <netinet/in.h>

namespace tarnwick {

namespace {

const QString kAvahi = QStringLiteral("org.freedesktop.Avahi");

QDBusMessage freeCall(const QString& daemon, const QString& path, const QString& interface)
{
    return QDBusMessage::createMethodCall(daemon, path, interface, QStringLiteral("Free"));
}

// Avahi's address text as struct sockaddr bytes, the form resolvedHost reads.
QList<QByteArray> socketAddress(const QString& text)
{
    const QByteArray latin = text.toLatin1();
    sockaddr_in in{};
    if (inet_pton(AF_INET, latin.constData(), &in.sin_addr) == 1) {
        in.sin_family = AF_INET;
        return {QByteArray(reinterpret_cast<const char*>(&in), sizeof in)};
    }
    sockaddr_in6 in6{};
    if (inet_pton(AF_INET6, latin.constData(), &in6.sin6_addr) == 1) {
        in6.sin6_family = AF_INET6;
        return {QByteArray(reinterpret_cast<const char*>(&in6), sizeof in6)};
    }
    return {};
}

} // namespace

AvahiRequest::AvahiRequest(const QDBusConnection& bus, const QDBusMessage& prepare,
                           const QStringList& signalNames, QObject* parent)
    : DiscoveryRequest(parent)
    , m_bus(bus)
    , m_interface(prepare.member() == u"ServiceBrowserPrepare"
                      ? QStringLiteral("org.freedesktop.Avahi.ServiceBrowser")
                      : QStringLiteral("org.freedesktop.Avahi.ServiceResolver"))
    , m_signals(signalNames)
{
    // Subscribed before the object exists: avahi 0.8's resolvers start at once, and may
    // answer before the reply that names them. Any sender and path in the match (naming the
    // daemon would make QtDBus ask the bus for its owner and wait); onSignal sorts them out.
    bool subscribed = m_bus.isConnected();
    for (const QString& name : m_signals + QStringList{QStringLiteral("Failure")})
        subscribed = subscribed && m_bus.connect(QString(), QString(), m_interface, name, this,
                                                 SLOT(onSignal(QDBusMessage)));
    if (!subscribed) {
        QMetaObject::invokeMethod(this, &AvahiRequest::fail, Qt::QueuedConnection);
        return;
    }
    m_preparing = new QDBusPendingCallWatcher(m_bus.asyncCall(prepare, kCallTimeoutMs), this);
    connect(m_preparing, &QDBusPendingCallWatcher::finished, this, &AvahiRequest::onPrepared);
}

AvahiRequest::~AvahiRequest()
{
    if (!m_path.isEmpty()) {
        m_bus.send(freeCall(m_daemon, m_path, m_interface));
        return;
    }
    if (!m_preparing)
        return;
    // The object is made but not yet named to us: free it once the reply does (a watcher
    // of a call already answered still reports, on the next turn).
    auto* orphan = new QDBusPendingCallWatcher(static_cast<const QDBusPendingCall&>(*m_preparing));
    QObject::connect(
        orphan, &QDBusPendingCallWatcher::finished, orphan,
        [bus = m_bus, interface = m_interface](QDBusPendingCallWatcher* call) mutable {
            const QDBusPendingReply<QDBusObjectPath> reply = *call;
            if (!reply.isError())
                bus.send(freeCall(reply.reply().service(), reply.value().path(), interface));
            call->deleteLater();
        });
}

void AvahiRequest::onPrepared(QDBusPendingCallWatcher* watcher)
{
    const QDBusPendingReply<QDBusObjectPath> reply = *watcher;
    m_preparing = nullptr;
    watcher->deleteLater();
    if (reply.isError()) {
        fail();
        return;
    }
    m_path = reply.value().path();
    m_daemon = reply.reply().service();
    for (const QDBusMessage& early : std::exchange(m_early, {}))
        onSignal(early);
    // Browsers wait for this; resolvers of avahi 0.8 are running already and ignore it.
    auto* starting = new QDBusPendingCallWatcher(
        m_bus.asyncCall(
            QDBusMessage::createMethodCall(m_daemon, m_path, m_interface, QStringLiteral("Start")),
            kCallTimeoutMs),
        this);
    connect(starting, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* call) {
                call->deleteLater();
                if (call->isError())
                    fail();
            });
}

void AvahiRequest::onSignal(const QDBusMessage& message)
{
    if (m_path.isEmpty()) {
        // Perhaps ours, before the reply names it; the daemon's objects are few.
        if (m_early.size() < kMaxEarlySignals)
            m_early.append(message);
        return;
    }
    if (m_failed || message.service() != m_daemon || message.path() != m_path)
        return;
    const QVariantList args = message.arguments();
    const QString member = message.member();
    if (member == u"Failure") {
        fail();
    } else if (member == u"ItemNew" && args.size() >= 5) {
        FoundService service;
        service.interfaceIndex = args.at(0).toInt();
        service.protocol = args.at(1).toInt();
        service.name = args.at(2).toString();
        service.type = args.at(3).toString();
        service.domain = args.at(4).toString();
        Q_EMIT serviceFound(service);
    } else if (member == u"Found" && args.size() >= 9) {
        Q_EMIT serviceResolved(args.at(5).toString(), socketAddress(args.at(7).toString()),
                               quint16(args.at(8).toUInt()));
    }
}

void AvahiRequest::fail()
{
    if (m_failed)
        return;
    m_failed = true;
    Q_EMIT failed();
}

} // namespace tarnwick
