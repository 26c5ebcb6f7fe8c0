#include "model/server_list_codec.h"

#include "model/mac_address.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace tarnwick {

namespace {

QString uuidText(const QUuid& id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

// Only the canonical 8-4-4-4-12 form; QUuid alone would also take braces. Checked by hand:
// a regular expression here would keep PCRE mapped for the whole run.
std::optional<QUuid> readUuid(const QJsonValue& value)
{
    if (!value.isString())
        return std::nullopt;
    const QString text = value.toString();
    if (text.size() != 36)
        return std::nullopt;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        const bool hex =
            (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
        if (dash ? c != u'-' : !hex)
            return std::nullopt;
    }
    return QUuid::fromString(text);
}

std::optional<QString> readString(const QJsonObject& object, QLatin1StringView key)
{
    const QJsonValue value = object.value(key);
    if (!value.isString())
        return std::nullopt;
    return value.toString();
}

std::optional<Share> readShare(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const auto id = readUuid(object.value(QLatin1StringView("id")));
    const auto name = readString(object, QLatin1StringView("name"));
    const auto username = readString(object, QLatin1StringView("username"));
    if (!id || !name || !username)
        return std::nullopt;
    return Share{*id, *name, *username};
}

std::optional<Server> readServer(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject object = value.toObject();
    const auto id = readUuid(object.value(QLatin1StringView("id")));
    const auto displayName = readString(object, QLatin1StringView("displayName"));
    const auto host = readString(object, QLatin1StringView("host"));
    const QJsonValue shares = object.value(QLatin1StringView("shares"));
    const QJsonValue enabled = object.value(QLatin1StringView("isEnabled"));
    if (!id || !displayName || !host || !shares.isArray() || !enabled.isBool())
        return std::nullopt;
    Server server{*id, *displayName, *host, {}, enabled.toBool()};
    for (const QJsonValue& item : shares.toArray()) {
        auto share = readShare(item);
        if (!share)
            return std::nullopt;
        server.shares.append(*share);
    }
    // Optional: older files and other platforms' files have none.
    const QJsonValue networks = object.value(QLatin1StringView("networks"));
    if (!networks.isUndefined() && !networks.isArray())
        return std::nullopt;
    for (const QJsonValue& item : networks.toArray()) {
        if (!item.isString())
            return std::nullopt;
        server.networks.append(item.toString());
    }
    const QJsonValue wake = object.value(QLatin1StringView("wakeOnLan"));
    if (!wake.isUndefined()) {
        const auto mac = MacAddress::normalized(wake.toString());
        if (!mac)
            return std::nullopt;
        server.wakeOnLan = *mac;
    }
    return server;
}

} // namespace

QByteArray ServerListCodec::encode(const QList<Server>& servers)
{
    QJsonArray array;
    for (const Server& server : servers) {
        QJsonArray shares;
        for (const Share& share : server.shares) {
            shares.append(QJsonObject{{QStringLiteral("id"), uuidText(share.id)},
                                      {QStringLiteral("name"), share.name},
                                      {QStringLiteral("username"), share.username}});
        }
        QJsonObject object{{QStringLiteral("id"), uuidText(server.id)},
                           {QStringLiteral("displayName"), server.displayName},
                           {QStringLiteral("host"), server.host},
                           {QStringLiteral("shares"), shares},
                           {QStringLiteral("isEnabled"), server.isEnabled}};
        // Written only when set, so a server that lives anywhere is stored as before.
        if (!server.networks.isEmpty())
            object.insert(QStringLiteral("networks"), QJsonArray::fromStringList(server.networks));
        if (!server.wakeOnLan.isEmpty())
            object.insert(QStringLiteral("wakeOnLan"), server.wakeOnLan);
        array.append(object);
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

std::optional<QList<Server>> ServerListCodec::decode(const QByteArray& json)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return std::nullopt;
    QList<Server> servers;
    for (const QJsonValue& item : document.array()) {
        auto server = readServer(item);
        if (!server)
            return std::nullopt;
        servers.append(*server);
    }
    return servers;
}

} // namespace tarnwick
