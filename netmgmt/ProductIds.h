// Product tests shared by the record rules: P is product_id, Q is product_id_2.
#pragma once

#include "netmgmt/ModuleRecord.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>

namespace quarlink::netmgmt {

inline bool isOneOf(std::uint16_t value, std::initializer_list<std::uint16_t> set)
{
    return std::find(set.begin(), set.end(), value) != set.end();
}

// P is one of `p` or Q is one of `q`.
inline bool productIs(const ModuleRecord& record, std::initializer_list<std::uint16_t> p,
                      std::initializer_list<std::uint16_t> q)
{
    return isOneOf(record.product_id, p) || isOneOf(record.product_id_2, q);
}

// P or Q is one of `set`.
inline bool eitherProductIs(const ModuleRecord& record, std::initializer_list<std::uint16_t> set)
{
    return productIs(record, set, set);
}

// The I/O products with eight inputs and outputs (P 16, Q 32 or 33) and with four (34).
inline bool isIoProduct(const ModuleRecord& record)
{
    return productIs(record, {16}, {32, 33, 34});
}

// Little-endian words inside byte fields (flag words, ports, addresses).
inline std::uint32_t loadLe32(const std::uint8_t* bytes)
{
    return static_cast<std::uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16) |
           static_cast<std::uint32_t>(bytes[3]) << 24;
}
inline std::uint16_t loadLe16(const std::uint8_t* bytes)
{
    return static_cast<std::uint16_t>(bytes[0] | bytes[1] << 8);
}
inline void storeLe32(std::uint8_t* bytes, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

} // namespace quarlink::netmgmt
