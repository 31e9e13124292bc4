// WPA pre-shared key derivation (IEEE 802.11i): PBKDF2-HMAC-SHA1 of the passphrase with the
// SSID as salt, 4096 iterations, 32 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace quarlink::netmgmt {

inline constexpr std::size_t kWpaFieldSize = 32;
inline constexpr std::size_t kWpaPskSize = 32;
inline constexpr std::uint32_t kWpaIterations = 4096;

// Each field is read up to its first zero byte, at most all 32 bytes. `out` may be one of the
// input fields.
void derivePreSharedKey(std::span<std::uint8_t, kWpaPskSize> out,
                        std::span<const std::uint8_t, kWpaFieldSize> passphraseField,
                        std::span<const std::uint8_t, kWpaFieldSize> ssidField);

} // namespace quarlink::netmgmt
