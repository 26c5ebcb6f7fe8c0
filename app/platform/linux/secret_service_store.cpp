#include "platform/linux/secret_service_store.h"

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

} // namespace

std::optional<Credentials> SecretServiceStore::find(const QString& server)
{
    const QByteArray serverUtf8 = server.toUtf8();
    GError* error = nullptr;
    const auto flags = SecretSearchFlags(SECRET_SEARCH_ALL | SECRET_SEARCH_UNLOCK);
    GList* items = secret_password_search_sync(secret_get_schema(SECRET_SCHEMA_TYPE_COMPAT_NETWORK),
                                               flags, nullptr, &error, "server",
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

} // namespace tarnwick
