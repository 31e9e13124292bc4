// The fixed management key shared by the program and the modules, and the 16-byte RC4 key of
// one management datagram built from it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace quarlink::netmgmt {

inline constexpr std::size_t kManagementKeySize = 14;
inline constexpr std::size_t kDatagramKeySize = 16;

using ManagementKeyBytes = std::array<std::uint8_t, kManagementKeySize>;

// The program's built-in key bytes 0-13 of every datagram. The simulated module uses the same
// value unless told otherwise; an operator may set another one for modules that use it.
inline constexpr ManagementKeyBytes kManagementKey{0x5A, 0xC3, 0x17, 0x8E, 0x42, 0xF9, 0x06,
                                                   0xB1, 0x6D, 0x2C, 0xE4, 0x93, 0x38, 0xA7};

// The RC4 key of one datagram: the management key, then the two check-value bytes exactly as
// they stand in the header (bytes 8-9, low byte first).
constexpr std::array<std::uint8_t, kDatagramKeySize>
buildDatagramKey(const ManagementKeyBytes& managementKey,
                 std::span<const std::uint8_t, 2> headerCheckValueBytes)
{
    std::array<std::uint8_t, kDatagramKeySize> key{};
    for (std::size_t i = 0; i < kManagementKeySize; ++i) {
        key[i] = managementKey[i];
    }
    key[kManagementKeySize] = headerCheckValueBytes[0];
    key[kManagementKeySize + 1] = headerCheckValueBytes[1];
    return key;
}

constexpr std::array<std::uint8_t, kDatagramKeySize>
buildDatagramKey(std::span<const std::uint8_t, 2> headerCheckValueBytes)
{
    return buildDatagramKey(kManagementKey, headerCheckValueBytes);
}

} // namespace quarlink::netmgmt
