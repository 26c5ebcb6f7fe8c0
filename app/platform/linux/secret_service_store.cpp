#include "platform/linux/secret_service_store.h"

#include "platform/linux/smb_host.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QEventLoop>
#include <QTimer>

#include <initializer_list>
#include <utility>

namespace tarnwick {

namespace {

// The Secret Service over the session bus, without libsecret (which would load GIO and
// GObject into the tray for three calls). Every message is built and marshalled on the
// calling pool thread, so the bus thread frees only QtDBus's own data.
const QString kService = QStringLiteral("org.freedesktop.secrets");
const QString kServicePath = QStringLiteral("/org/freedesktop/secrets");
const QString kServiceInterface = QStringLiteral("org.freedesktop.Secret.Service");
const QString kItemInterface = QStringLiteral("org.freedesktop.Secret.Item");
const QString kDefaultCollection = QStringLiteral("/org/freedesktop/secrets/aliases/default");
// gnome-keyring answers from memory in milliseconds; a store that takes longer is hung.
constexpr int kCallTimeoutMs = 5000;
// An unlock prompt waits for the user to type the keyring's password.
constexpr int kPromptTimeoutMs = 120000;

using Attributes = std::initializer_list<std::pair<QString, QString>>;

QDBusMessage call(const QString& path, const QString& interface, const QString& method,
                  const QVariantList& arguments = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(kService, path, interface, method);
    message.setArguments(arguments);
    const QDBusMessage reply =
        QDBusConnection::sessionBus().call(message, QDBus::Block, kCallTimeoutMs);
    return reply.type() == QDBusMessage::ReplyMessage ? reply : QDBusMessage();
}

QVariant stringMap(Attributes attributes)
{
    QDBusArgument map;
    map.beginMap(QMetaType::fromType<QString>(), QMetaType::fromType<QString>());
    for (const auto& [key, value] : attributes) {
        map.beginMapEntry();
        map << key << value;
        map.endMapEntry();
    }
    map.endMap();
    return QVariant::fromValue(map);
}

// Object paths marshalled here too: a QVariant holding QDBusObjectPaths would be copied by our
// own code and freed by the bus thread.
QVariant pathList(const QList<QString>& list)
{
    QDBusArgument array;
    array.beginArray(QMetaType::fromType<QDBusObjectPath>());
    for (const QString& path : list)
        array << QDBusObjectPath(path);
    array.endArray();
    return QVariant::fromValue(array);
}

QVariant path(const QString& objectPath)
{
    QDBusArgument argument;
    argument << QDBusObjectPath(objectPath);
    return QVariant::fromValue(argument);
}

QList<QDBusObjectPath> paths(const QDBusMessage& reply, int index)
{
    if (reply.arguments().size() <= index)
        return {};
    return qdbus_cast<QList<QDBusObjectPath>>(reply.arguments().at(index));
}

QVariant property(const QString& path, const QString& interface, const QString& name)
{
    const QDBusMessage reply = call(path, QStringLiteral("org.freedesktop.DBus.Properties"),
                                    QStringLiteral("Get"), {interface, name});
    return reply.arguments().isEmpty() ? QVariant()
                                       : reply.arguments().at(0).value<QDBusVariant>().variant();
}

// Opens a session of algorithm "plain": the secret crosses the bus unencrypted, but only this
// user's session bus, which the keyring daemon shares with no one else. "" when refused.
QString openSession()
{
    const QDBusMessage reply =
        call(kServicePath, kServiceInterface, QStringLiteral("OpenSession"),
             {QStringLiteral("plain"), QVariant::fromValue(QDBusVariant(QString()))});
    return reply.arguments().size() == 2 ? reply.arguments().at(1).value<QDBusObjectPath>().path()
                                         : QString();
}

void closeSession(const QString& session)
{
    call(session, QStringLiteral("org.freedesktop.Secret.Session"), QStringLiteral("Close"));
}

// Runs a prompt the service handed back and waits for its end; true unless dismissed or
// out of time. Pool threads are QThreads, so a local event loop receives the signal.
bool completePrompt(const QDBusObjectPath& prompt)
{
    if (prompt.path() == QLatin1String("/"))
        return true;
    const QString interface = QStringLiteral("org.freedesktop.Secret.Prompt");
    QDBusConnection bus = QDBusConnection::sessionBus();
    QEventLoop loop;
    bus.connect(kService, prompt.path(), interface, QStringLiteral("Completed"), &loop,
                SLOT(quit()));
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, &loop, [&] {
        call(prompt.path(), interface, QStringLiteral("Dismiss"));
        loop.exit(1);
    });
    const bool shown =
        call(prompt.path(), interface, QStringLiteral("Prompt"), {QString()}).type() ==
        QDBusMessage::ReplyMessage;
    deadline.start(kPromptTimeoutMs);
    const bool completed = shown && loop.exec() == 0;
    bus.disconnect(kService, prompt.path(), interface, QStringLiteral("Completed"), &loop,
                   SLOT(quit()));
    return completed;
}

// The default collection, unlocked (asking the user when it is locked); false when it stays
// locked or the service does not answer.
bool unlockDefaultCollection()
{
    const QVariant locked =
        property(kDefaultCollection, QStringLiteral("org.freedesktop.Secret.Collection"),
                 QStringLiteral("Locked"));
    if (!locked.isValid() || !locked.toBool())
        return locked.isValid();
    const QDBusMessage reply = call(kServicePath, kServiceInterface, QStringLiteral("Unlock"),
                                    {pathList({kDefaultCollection})});
    if (reply.arguments().size() != 2 ||
        !completePrompt(reply.arguments().at(1).value<QDBusObjectPath>()))
        return false;
    return !property(kDefaultCollection, QStringLiteral("org.freedesktop.Secret.Collection"),
                     QStringLiteral("Locked"))
                .toBool();
}

// The login of one unlocked item, or nullopt when it lacks a user or a readable password.
std::optional<Credentials> readItem(const QDBusObjectPath& item, const QDBusObjectPath& session)
{
    const auto attributes = qdbus_cast<QMap<QString, QString>>(
        property(item.path(), kItemInterface, QStringLiteral("Attributes")));
    Credentials credentials;
    credentials.user = attributes.value(QStringLiteral("user"));
    credentials.domain = attributes.value(QStringLiteral("domain"));
    if (credentials.user.isEmpty())
        return std::nullopt;
    const QDBusMessage reply =
        call(item.path(), kItemInterface, QStringLiteral("GetSecret"), {path(session.path())});
    if (reply.arguments().isEmpty())
        return std::nullopt;
    // (session, parameters, value, content type)
    const QDBusArgument secret = reply.arguments().at(0).value<QDBusArgument>();
    QDBusObjectPath secretSession;
    QByteArray parameters, raw;
    secret.beginStructure();
    secret >> secretSession >> parameters >> raw;
    secret.endStructure();
    credentials.password = QString::fromUtf8(raw);
    const bool valid = !raw.isEmpty() && credentials.password.toUtf8() == raw;
    raw.fill('\0');
    if (!valid)
        return std::nullopt;
    return credentials;
}

// Deletes the items the service finds for attributes; false on an error or when some are
// locked (deleting those would need the user's password).
bool clearItems(Attributes attributes)
{
    const QDBusMessage found = call(kServicePath, kServiceInterface, QStringLiteral("SearchItems"),
                                    {stringMap(attributes)});
    bool cleared = found.arguments().size() == 2 && paths(found, 1).isEmpty();
    for (const QDBusObjectPath& item : paths(found, 0)) {
        const QDBusMessage reply = call(item.path(), kItemInterface, QStringLiteral("Delete"));
        cleared = reply.arguments().size() == 1 &&
                  completePrompt(reply.arguments().at(0).value<QDBusObjectPath>()) && cleared;
    }
    return cleared;
}

} // namespace

std::optional<Credentials> SecretServiceStore::find(const QString& server)
{
    // Locked items are left alone: a lookup never prompts (the lock shows as a status).
    const QDBusMessage found =
        call(kServicePath, kServiceInterface, QStringLiteral("SearchItems"),
             {stringMap({{QStringLiteral("server"), server},
                         {QStringLiteral("protocol"), QStringLiteral("smb")}})});
    const QList<QDBusObjectPath> unlocked = paths(found, 0);
    if (unlocked.isEmpty())
        return std::nullopt;
    const QString session = openSession();
    if (session.isEmpty())
        return std::nullopt;
    std::optional<Credentials> credentials;
    for (const QDBusObjectPath& item : unlocked) {
        if ((credentials = readItem(item, QDBusObjectPath(session))))
            break;
    }
    closeSession(session);
    return credentials;
}

bool SecretServiceStore::store(const QString& server, const Credentials& login)
{
    const SmbHost host = SmbHost::parse(server);
    if (host.name.isEmpty() || login.user.isEmpty() || login.password.isEmpty())
        return false;
    // Only a sign-in stores, so this is where the user is asked for the keyring's password.
    if (!unlockDefaultCollection())
        return false;
    // Another domain with the same user is the same account to the file manager's lookup:
    // one item per user and server, never two.
    const QString smb = QStringLiteral("smb");
    const bool cleared = clearItems({{QStringLiteral("server"), host.name},
                                     {QStringLiteral("protocol"), smb},
                                     {QStringLiteral("user"), login.user}});
    // The item exactly as GVFS writes it: a domain only when given, the port only when it is
    // not the default one.
    QDBusArgument attributes;
    attributes.beginMap(QMetaType::fromType<QString>(), QMetaType::fromType<QString>());
    const auto add = [&](const QString& key, const QString& value) {
        attributes.beginMapEntry();
        attributes << key << value;
        attributes.endMapEntry();
    };
    add(QStringLiteral("xdg:schema"), QStringLiteral("org.gnome.keyring.NetworkPassword"));
    add(QStringLiteral("user"), login.user);
    add(QStringLiteral("server"), host.name);
    add(QStringLiteral("protocol"), smb);
    if (!login.domain.isEmpty())
        add(QStringLiteral("domain"), login.domain);
    if (host.port != SmbHost::kDefaultPort)
        add(QStringLiteral("port"), QString::number(host.port));
    attributes.endMap();

    QDBusArgument properties;
    properties.beginMap(QMetaType::fromType<QString>(), QMetaType::fromType<QDBusVariant>());
    properties.beginMapEntry();
    properties << QStringLiteral("org.freedesktop.Secret.Item.Label")
               << QDBusVariant(QString(login.user + u'@' + host.name));
    properties.endMapEntry();
    properties.beginMapEntry();
    properties << QStringLiteral("org.freedesktop.Secret.Item.Attributes")
               << QDBusVariant(QVariant::fromValue(attributes));
    properties.endMapEntry();
    properties.endMap();

    const QString session = openSession();
    if (session.isEmpty())
        return false;
    QDBusArgument secret;
    QByteArray password = login.password.toUtf8();
    secret.beginStructure();
    secret << QDBusObjectPath(session) << QByteArray() << password
           << QStringLiteral("text/plain; charset=utf8");
    secret.endStructure();
    password.fill('\0');
    const QDBusMessage reply =
        call(kDefaultCollection, QStringLiteral("org.freedesktop.Secret.Collection"),
             QStringLiteral("CreateItem"),
             {QVariant::fromValue(properties), QVariant::fromValue(secret), true});
    closeSession(session);
    return cleared && reply.arguments().size() == 2 &&
           completePrompt(reply.arguments().at(1).value<QDBusObjectPath>()) &&
           reply.arguments().at(0).value<QDBusObjectPath>().path() != QLatin1String("/");
}

bool SecretServiceStore::forget(const QString& server)
{
    return clearItems(
        {{QStringLiteral("server"), server}, {QStringLiteral("protocol"), QStringLiteral("smb")}});
}

} // namespace tarnwick
