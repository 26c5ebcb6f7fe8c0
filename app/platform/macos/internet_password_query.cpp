#include "platform/macos/internet_password_query.h"

#include <QByteArray>

#include <CoreFoundation/CoreFoundation.h>
#include <Security/Security.h>

namespace tarnwick {

namespace {

// Owns one Core Foundation reference.
template <typename T> struct CfRef {
    T ref = nullptr;
    ~CfRef()
    {
        if (ref)
            CFRelease(ref);
    }
};

std::optional<QString> utf8String(CFStringRef string)
{
    const CFIndex length = CFStringGetLength(string);
    const CFIndex size = CFStringGetMaximumSizeForEncoding(length, kCFStringEncodingUTF8) + 1;
    QByteArray buffer(size, '\0');
    if (!CFStringGetCString(string, buffer.data(), size, kCFStringEncodingUTF8))
        return std::nullopt;
    return QString::fromUtf8(buffer.constData());
}

} // namespace

std::optional<Credentials> InternetPasswordQuery::find(const QString& server)
{
    const QByteArray serverUtf8 = server.toUtf8();
    CfRef<CFStringRef> serverName{
        CFStringCreateWithBytes(nullptr, reinterpret_cast<const UInt8*>(serverUtf8.constData()),
                                serverUtf8.size(), kCFStringEncodingUTF8, false)};
    if (!serverName.ref)
        return std::nullopt;

    const void* keys[] = {kSecClass, kSecAttrServer, kSecReturnAttributes, kSecReturnData,
                          kSecMatchLimit};
    const void* values[] = {kSecClassInternetPassword, serverName.ref, kCFBooleanTrue,
                            kCFBooleanTrue, kSecMatchLimitOne};
    CfRef<CFDictionaryRef> query{CFDictionaryCreate(nullptr, keys, values, 5,
                                                    &kCFTypeDictionaryKeyCallBacks,
                                                    &kCFTypeDictionaryValueCallBacks)};
    CfRef<CFTypeRef> result;
    if (SecItemCopyMatching(query.ref, &result.ref) != errSecSuccess || !result.ref ||
        CFGetTypeID(result.ref) != CFDictionaryGetTypeID()) {
        return std::nullopt;
    }
    const auto item = static_cast<CFDictionaryRef>(result.ref);
    const auto account = CFDictionaryGetValue(item, kSecAttrAccount);
    const auto data = CFDictionaryGetValue(item, kSecValueData);
    if (!account || CFGetTypeID(account) != CFStringGetTypeID() || !data ||
        CFGetTypeID(data) != CFDataGetTypeID()) {
        return std::nullopt;
    }
    const auto user = utf8String(static_cast<CFStringRef>(account));
    const auto bytes = static_cast<CFDataRef>(data);
    const QByteArray raw(reinterpret_cast<const char*>(CFDataGetBytePtr(bytes)),
                         CFDataGetLength(bytes));
    const QString password = QString::fromUtf8(raw);
    if (!user || password.toUtf8() != raw)
        return std::nullopt;
    return Credentials{*user, password, QString()};
}

} // namespace tarnwick
