// The settings keys whose values are secret.
#pragma once

#include <array>
#include <string_view>

namespace quarlink::settings {

inline constexpr std::array<std::string_view, 4> kSecretKeys{"passphrase", "psk", "wep64Keys", "wep128Keys"};

} // namespace quarlink::settings
