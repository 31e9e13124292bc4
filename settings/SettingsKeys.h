// The settings document's keys that its rules single out, each list in one place: the secrets,
// masked unless asked for; the identity a read reports, which a document may carry but nothing
// writes; and the pre-shared key, derived from the pass phrase and the SSID, never written as
// given.
#pragma once

#include <QLatin1String>
#include <QString>

#include <algorithm>
#include <array>
#include <string_view>

namespace quarlink::settings {

// On one line: the Ansible collection's tests read it to compare with the collection's own list.
// clang-format off
inline constexpr std::array<std::string_view, 4> kSecretKeys{"passphrase", "psk", "wep64Keys", "wep128Keys"};
// clang-format on

// The module's identity record, and the address a module on the LAN answered from (`read`
// shows it as `moduleIp`).
inline constexpr std::array<std::string_view, 4> kIdentityKeys{"mac", "productId", "firmware",
                                                               "moduleIp"};
inline constexpr std::string_view kModuleIpKey = "moduleIp";
inline constexpr std::string_view kDerivedKey = "psk";
inline constexpr std::string_view kSetupTextKey = "setupText";

inline QLatin1String keyText(std::string_view key)
{
    return QLatin1String(key.data(), static_cast<qsizetype>(key.size()));
}

template <std::size_t N>
bool isOneOf(const std::array<std::string_view, N>& keys, const QString& key)
{
    return std::any_of(keys.begin(), keys.end(),
                       [&](std::string_view k) { return key == keyText(k); });
}

// The pass phrase, the WEP keys and the WPA key.
inline bool isSecretKey(const QString& key)
{
    return isOneOf(kSecretKeys, key);
}

inline bool isIdentityKey(const QString& key)
{
    return isOneOf(kIdentityKeys, key);
}

// Keys whose value no write takes from a document: the identity, and the derived key. They never
// count as a change, and a restore leaves them out.
inline bool isNeverWritten(const QString& key)
{
    return isIdentityKey(key) || key == keyText(kDerivedKey);
}

} // namespace quarlink::settings
