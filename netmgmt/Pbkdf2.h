// PBKDF2 (PKCS #5 version 2.0) with HMAC-SHA1 as the pseudorandom function.
#pragma once

#include <cstdint>
#include <span>

namespace quarlink::netmgmt {

// Fills `out` (any length) with the key derived from `password` and `salt`. An iteration count
// of 0 is taken as 1. `out` must not overlap `salt`.
void pbkdf2HmacSha1(std::span<std::uint8_t> out, std::span<const std::uint8_t> password,
                    std::span<const std::uint8_t> salt, std::uint32_t iterations);

} // namespace quarlink::netmgmt
