// Check value of the management protocol: CRC-16/AUG-CCITT over items and payloads.
#pragma once

#include <cstdint>
#include <span>

namespace quarlink::netmgmt {

// CRC-16 with polynomial 0x1021, most significant bit first, no reflection, no final XOR,
// register preset 0x1D0F (the augmented form with preset 0xFFFF gives the same values).
// "123456789" gives 0xE5CC, "abc" 0x8CDA, no bytes 0x1D0F.
std::uint16_t crc16(std::span<const std::uint8_t> data);

} // namespace quarlink::netmgmt
