#include "platform/linux/avahi_discovery.h"

#include "platform/linux/avahi_request.h"

#include <QDBusMessage>

namespace tarnwick {

namespace {

constexpr qint32 kAnyProtocol = -1; // AVAHI_PROTO_UNSPEC

QDBusMessage serverCall(const QString& method, const QVariantList& args)
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.Avahi"), QStringLiteral("/"),
                                       QStringLiteral("org.freedesktop.Avahi.Server2"), method);
    call.setArguments(args);
    return call;
}

// Avahi names types and domains without the final "." of DNS-SD's absolute form.
QString relative(const QString& name)
{
    return name.endsWith(u'.') ? name.chopped(1) : name;
}

} // namespace

AvahiDiscovery::AvahiDiscovery(const QDBusConnection& bus)
    : m_bus(bus)
{
}

DiscoveryRequest* AvahiDiscovery::browse(const QString& type, const QString& domain,
                                         QObject* parent)
{
    const QDBusMessage prepare =
        serverCall(QStringLiteral("ServiceBrowserPrepare"),
                   {qint32(-1), kAnyProtocol, relative(type), relative(domain), 0u});
    return new AvahiRequest(m_bus, prepare, {QStringLiteral("ItemNew")}, parent);
}

DiscoveryRequest* AvahiDiscovery::resolve(const FoundService& service, QObject* parent)
{
    const QDBusMessage prepare = serverCall(QStringLiteral("ServiceResolverPrepare"),
                                            {service.interfaceIndex, service.protocol, service.name,
                                             service.type, service.domain, kAnyProtocol, 0u});
    return new AvahiRequest(m_bus, prepare, {QStringLiteral("Found")}, parent);
}

} // namespace tarnwick
