#include "platform/linux/secret_service_store.h"

#include "platform/linux/smb_host.h"

#include <libsecret/secret.h>

namespace tarnwick {

namespace {

QString attribute(GHashTable* attributes, const char* name)
{
    const auto* value = static_cast<const char*>(g_hash_table_lookup(attributes, name));
    return value ? QString::fromUtf8(value) : QString();
}

// The login of one item, or nullopt when it lacks a user or a readable password.
std::optional<Credentials> readItem(SecretRetrievable* item)
{
    GHashTable* attributes = secret_retrievable_get_attributes(item);
    if (!attributes)
        return std::nullopt;
    Credentials credentials;
    credentials.user = attribute(attributes, "user");
    credentials.domain = attribute(attributes, "domain");
    g_hash_table_unref(attributes);
    if (credentials.user.isEmpty())
        return std::nullopt;

    SecretValue* value = secret_retrievable_retrieve_secret_sync(item, nullptr, nullptr);
    if (!value)
        return std::nullopt;
    gsize length = 0;
    const gchar* bytes = secret_value_get(value, &length);
    const QByteArray raw(bytes, qsizetype(length));
    credentials.password = QString::fromUtf8(raw);
    const bool valid = !raw.isEmpty() && credentials.password.toUtf8() == raw;
    secret_value_unref(value);
    if (!valid)
        return std::nullopt;
    return credentials;
}

const SecretSchema* networkSchema()
{
    return secret_get_schema(SECRET_SCHEMA_TYPE_COMPAT_NETWORK);
}

// Clears the SMB items matching attributes (a string-to-string table); false on an error.
bool clearItems(GHashTable* attributes)
{
    GError* error = nullptr;
    secret_password_clearv_sync(networkSchema(), attributes, nullptr, &error);
    if (!error)
        return true;
    g_error_free(error);
    return false;
}

} // namespace

std::optional<Credentials> SecretServiceStore::find(const QString& server)
{
    const QByteArray serverUtf8 = server.toUtf8();
    GError* error = nullptr;
    const auto flags = SecretSearchFlags(SECRET_SEARCH_ALL | SECRET_SEARCH_UNLOCK);
    GList* items = secret_password_search_sync(networkSchema(), flags, nullptr, &error, "server",
                                               serverUtf8.constData(), "protocol", "smb", nullptr);
    if (error) {
        g_error_free(error);
        return std::nullopt;
    }
    std::optional<Credentials> found;
    for (GList* node = items; node && !found; node = node->next)
        found = readItem(SECRET_RETRIEVABLE(node->data));
    g_list_free_full(items, g_object_unref);
    return found;
}

bool SecretServiceStore::store(const QString& server, const Credentials& login)
{
    const SmbHost host = SmbHost::parse(server);
    const QByteArray name = host.name.toUtf8(), user = login.user.toUtf8();
    const QByteArray domain = login.domain.toUtf8(), port = QByteArray::number(host.port);
    if (name.isEmpty() || user.isEmpty() || login.password.isEmpty())
        return false;
    // Another domain with the same user is the same account to the file manager's lookup:
    // one item per user and server, never two.
    GHashTable* same = g_hash_table_new(g_str_hash, g_str_equal);
    g_hash_table_insert(same, gpointer("server"), gpointer(name.constData()));
    g_hash_table_insert(same, gpointer("protocol"), gpointer("smb"));
    g_hash_table_insert(same, gpointer("user"), gpointer(user.constData()));
    const bool cleared = clearItems(same);
    // GVFS writes the port only when it is not the default one, and a domain only when given.
    if (!domain.isEmpty())
        g_hash_table_insert(same, gpointer("domain"), gpointer(domain.constData()));
    if (host.port != SmbHost::kDefaultPort)
        g_hash_table_insert(same, gpointer("port"), gpointer(port.constData()));
    const QByteArray label = user + '@' + name;
    QByteArray secret = login.password.toUtf8();
    GError* error = nullptr;
    const bool stored =
        secret_password_storev_sync(networkSchema(), same, SECRET_COLLECTION_DEFAULT,
                                    label.constData(), secret.constData(), nullptr, &error);
    secret.fill('\0');
    g_hash_table_unref(same);
    if (error)
        g_error_free(error);
    return cleared && stored && !error;
}

bool SecretServiceStore::forget(const QString& server)
{
    const QByteArray name = server.toUtf8();
    GHashTable* all = g_hash_table_new(g_str_hash, g_str_equal);
    g_hash_table_insert(all, gpointer("server"), gpointer(name.constData()));
    g_hash_table_insert(all, gpointer("protocol"), gpointer("smb"));
    const bool cleared = clearItems(all);
    g_hash_table_unref(all);
    return cleared;
}

} // namespace tarnwick
