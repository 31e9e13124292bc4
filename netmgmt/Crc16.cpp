// Table-driven CRC-16/AUG-CCITT, one table look-up per byte.
#include "netmgmt/Crc16.h"

#include <array>

namespace quarlink::netmgmt {
namespace {

constexpr std::uint16_t kPolynomial = 0x1021;
constexpr std::uint16_t kPreset = 0x1D0F;

// Entry n is the register change caused by shifting the byte n through the top of the register.
constexpr std::array<std::uint16_t, 256> makeTable()
{
    std::array<std::uint16_t, 256> table{};
    for (unsigned n = 0; n < table.size(); ++n) {
        unsigned reg = n << 8;
        for (int bit = 0; bit < 8; ++bit) {
            reg = (reg & 0x8000u) ? (reg << 1) ^ kPolynomial : reg << 1;
        }
        table[n] = static_cast<std::uint16_t>(reg);
    }
    return table;
}

constexpr std::array<std::uint16_t, 256> kTable = makeTable();

} // namespace

std::uint16_t crc16(std::span<const std::uint8_t> data)
{
    std::uint16_t reg = kPreset;
    for (std::uint8_t byte : data) {
        reg = static_cast<std::uint16_t>((reg << 8) ^ kTable[((reg >> 8) ^ byte) & 0xFFu]);
    }
    return reg;
}

} // namespace quarlink::netmgmt
